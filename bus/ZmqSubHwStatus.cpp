#include "bus/ZmqSubHwStatus.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "Common/Utility/Logger/Include/Logger.h"

cZmqSubHwStatus::cZmqSubHwStatus(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics({{kTopicSignalStatus, [this](const char* pPayload) { PreparseSDIStatus(pPayload); }},
               {kTopicVolume, [this](const char* pPayload) { ParseVolume(pPayload); }},
               {kTopicBalance, [this](const char* pPayload) { ParseBalance(pPayload); }}},
              {"HwManager Status message returned null elements.", &ZqtError,
               "Hardware Status - Unhandled topic: %s\n"},
              eStages::kTwo);
}

void cZmqSubHwStatus::SetupParsers() {
    if (!mSdiDecoder) {
        mSdiDecoder.emplace();
        mSdiParser.emplace();
        mVolumeParser.emplace();
        mBalanceParser.emplace();
    }
    cSdiStatusParser::mpLogger = Logger::GetInstance();
}

void cZmqSubHwStatus::SetupAndRun(const char* pName) {
    SetupParsers();
    Start(BusEndpoints::IpcJoined(pName), kMaxMessageBytes, kPollMs,
          "Unable to connect signal to slot in JsonParseWebConfig().");
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
    if (!mSdiParser || !pBody || !mSdiParser->ParseSDIStatus(pBody))
        return;
    const QByteArray text = BuildSdiText(*mSdiParser, &*mSdiDecoder).toUtf8();
    emit sigSDIStatus(text.constData());
}

void cZmqSubHwStatus::ParseVolume(const char* pBody) {
    if (!mVolumeParser || !pBody || !mVolumeParser->ParseVolumeSettings(pBody))
        return;
    emit sigVolume(static_cast<int>(mVolumeParser->ValueInPrcnt / 100u));
}

void cZmqSubHwStatus::ParseBalance(const char* pBody) {
    if (!mBalanceParser || !pBody || !mBalanceParser->ParseBalanceSettings(pBody))
        return;
    const int iLeft = static_cast<int>(mBalanceParser->ValueInPrcntForLeft / 100u);
    emit sigBalance(iLeft, 100 - iLeft);
}
