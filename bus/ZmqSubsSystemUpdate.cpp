#include "bus/ZmqSubsSystemUpdate.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

namespace {

// The console lines of this subscriber's messages that cannot be handled.
const cZmqQtListenerBase::sDispatchLines kLines = {
    "Web message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
    "cZmqSubsSystemUpdate received an unhandled topic: %s\n"};

} // namespace

cZmqSubsSystemUpdate::~cZmqSubsSystemUpdate() = default;

void cZmqSubsSystemUpdate::SetupAndRun(const char* pName) {
    SetupParsers();
    SetupSocket(pName);
    MakeConnections();
}

void cZmqSubsSystemUpdate::SetupParsers() {
    if (!mpParser)
        mpParser = std::make_unique<cJsonParseSystemUpdate>();
}

void cZmqSubsSystemUpdate::SetupSocket(const char* pName) {
    OpenSubscribed(BusEndpoints::Ipc(pName).c_str(), {kUpdateTopic, kAppCmdTopic},
                   kMaxMessageBytes);
}

void cZmqSubsSystemUpdate::MakeConnections() {
    // The failure line is the web settings subscriber's, word for word.
    PollIfConnected(bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                 &cZmqSubsSystemUpdate::sltNewMessage, Qt::UniqueConnection)),
                    kPollPeriodMs, "Sig/slot connection failure in ZmqSubWebSettings.");
}

void cZmqSubsSystemUpdate::sltNewMessage(zmsg_t* pMessage) {
    SplitMessage(pMessage);
}

void cZmqSubsSystemUpdate::ParseSystemUpdate(const char* pJson) {
    if (!mpParser || mpParser->ParseSUPackage(pJson, &mSystemUpdate) != 0)
        return;
    if (mSystemUpdate.message[0] != '\0')
        emit sigSUMessages(mSystemUpdate.message);
    else
        emit sigNewSUPackages(&mSystemUpdate);
}

void cZmqSubsSystemUpdate::ParseSysUpdateCmd(const char* pJson) {
    if (mpParser && mpParser->ParseSystemCommand(pJson) == kCommandExitApp)
        emit sigSUExitApp();
}

cZmqSubsSystemUpdate::cZmqSubsSystemUpdate(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopicRoutes({{kUpdateTopic, [this](const char* pPayload) { ParseSystemUpdate(pPayload); }},
                    {kAppCmdTopic, [this](const char* pPayload) { ParseSysUpdateCmd(pPayload); }}},
                   kLines);
}
