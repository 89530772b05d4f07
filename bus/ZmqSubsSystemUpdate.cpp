#include "bus/ZmqSubsSystemUpdate.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

cZmqSubsSystemUpdate::cZmqSubsSystemUpdate(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics({{kUpdateTopic, [this](const char* pPayload) { ParseSystemUpdate(pPayload); }},
               {kAppCmdTopic, [this](const char* pPayload) { ParseSysUpdateCmd(pPayload); }}},
              {"Web message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
               "cZmqSubsSystemUpdate received an unhandled topic: %s\n"},
              eStages::kOne);
}

void cZmqSubsSystemUpdate::SetupAndRun(const char* pName) {
    SetupParsers();
    // The failure line is the web settings subscriber's, word for word.
    Start(BusEndpoints::Ipc(pName), kMaxMessageBytes, kPollPeriodMs,
          "Sig/slot connection failure in ZmqSubWebSettings.");
}

void cZmqSubsSystemUpdate::SetupParsers() {
    if (!mParser)
        mParser.emplace();
}

void cZmqSubsSystemUpdate::ParseSystemUpdate(const char* pJson) {
    if (!mParser || mParser->ParseSUPackage(pJson, &mSystemUpdate) != 0)
        return;
    if (mSystemUpdate.message[0] != '\0')
        emit sigSUMessages(mSystemUpdate.message);
    else
        emit sigNewSUPackages(&mSystemUpdate);
}

void cZmqSubsSystemUpdate::ParseSysUpdateCmd(const char* pJson) {
    if (mParser && mParser->ParseSystemCommand(pJson) == kCommandExitApp)
        emit sigSUExitApp();
}
