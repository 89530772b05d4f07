#include "bus/ZmqSubHwStatus.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "Common/Utility/Logger/Include/Logger.h"
#include "messages/JsonParseHwmMessages.h"
#include "messages/JsonParserSDIStatus.h"
#include "messages/SdiStatusParser.h"

namespace {

// The console lines of this subscriber's messages that cannot be handled.
const cZmqQtListenerBase::sDispatchLines kLines = {
    "HwManager Status message returned null elements.", &ZqtError,
    "Hardware Status - Unhandled topic: %s\n"};

} // namespace

cZmqSubHwStatus::~cZmqSubHwStatus() = default;

void cZmqSubHwStatus::SetupParsers() {
    if (!mpSdiDecoder)
        mpSdiDecoder = std::make_unique<cSignalStatus>();
    if (!mpSdiParser)
        mpSdiParser = std::make_unique<cJsonParserSDIStatus>();
    if (!mpVolumeParser)
        mpVolumeParser = std::make_unique<cVolumeSettingsParser>();
    if (!mpBalanceParser)
        mpBalanceParser = std::make_unique<cBalanceSettingsParser>();
    cSdiStatusParser::mpLogger = Logger::GetInstance();
}

void cZmqSubHwStatus::SetupAndRun(const char* pName) {
    SetupParsers();
    OpenSubscribed(BusEndpoints::IpcJoined(pName).c_str(),
                   {kTopicSignalStatus, kTopicVolume, kTopicBalance}, kMaxMessageBytes);
    const bool bReceive = connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                  &cZmqSubHwStatus::sltNewMessage, Qt::UniqueConnection);
    const bool bDispatch = connect(this, &cZmqSubHwStatus::sigNewSystemData, this,
                                   &cZmqSubHwStatus::sltSystemTopicSwitch, Qt::UniqueConnection);
    PollIfConnected(bReceive && bDispatch, kPollMs,
                    "Unable to connect signal to slot in JsonParseWebConfig().");
}

void cZmqSubHwStatus::sltNewMessage(zmsg_t* pMessage) {
    SplitMessage(pMessage);
}

void cZmqSubHwStatus::sltSystemTopicSwitch(const char* pTopic, const char* pData) {
    RouteTopic(pTopic, pData);
}

QString cZmqSubHwStatus::BuildSdiText(const cJsonParserSDIStatus& status,
                                      cSdiStatusParser* pDecoder) {
    if (status.ClkSrcLockStatus == 0)
        return QStringLiteral("Signal Unlocked.");
    if (status.EncodedStatus == 0)
        return QStringLiteral("Signal Locked.");
    pDecoder->RawStatus = static_cast<std::uint32_t>(status.EncodedStatus);
    pDecoder->DecodeStatus();
    return pDecoder->GetFormatSummary();
}

void cZmqSubHwStatus::PreparseSDIStatus(const char* pBody) {
    if (!mpSdiParser || !mpSdiDecoder || !pBody)
        return;
    if (!mpSdiParser->ParseSDIStatus(pBody))
        return;
    const QByteArray text = BuildSdiText(*mpSdiParser, mpSdiDecoder.get()).toUtf8();
    emit sigSDIStatus(text.constData());
}

void cZmqSubHwStatus::ParseVolume(const char* pBody) {
    if (!mpVolumeParser || !pBody)
        return;
    if (!mpVolumeParser->ParseVolumeSettings(pBody))
        return;
    emit sigVolume(static_cast<int>(mpVolumeParser->ValueInPrcnt / 100u));
}

void cZmqSubHwStatus::ParseBalance(const char* pBody) {
    if (!mpBalanceParser || !pBody)
        return;
    if (!mpBalanceParser->ParseBalanceSettings(pBody))
        return;
    const int iLeft = static_cast<int>(mpBalanceParser->ValueInPrcntForLeft / 100u);
    emit sigBalance(iLeft, 100 - iLeft);
}

cZmqSubHwStatus::cZmqSubHwStatus(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopicRoutes(
        {{kTopicSignalStatus, [this](const char* pPayload) { PreparseSDIStatus(pPayload); }},
         {kTopicVolume, [this](const char* pPayload) { ParseVolume(pPayload); }},
         {kTopicBalance, [this](const char* pPayload) { ParseBalance(pPayload); }}},
        kLines, &cZmqSubHwStatus::sigNewSystemData);
}
