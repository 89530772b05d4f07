#include "bus/ZmqSubsSystemUpdate.h"

#include "BusEndpoints.h"
#include "ConsolePrint.h"

#include <cstdlib>
#include <cstring>

cZmqSubsSystemUpdate::cZmqSubsSystemUpdate(QObject* parent) : cZmqQtListenerBase(parent) {}

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
    OpenSubscribed(BusEndpoints::Ipc(pName).c_str(), {kUpdateTopic, kAppCmdTopic});
}

void cZmqSubsSystemUpdate::MakeConnections() {
    // The failure line is the web settings subscriber's, word for word.
    PollIfConnected(bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                 &cZmqSubsSystemUpdate::sltNewMessage, Qt::UniqueConnection)),
                    kPollPeriodMs, "Sig/slot connection failure in ZmqSubWebSettings.");
}

void cZmqSubsSystemUpdate::sltNewMessage(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    const cBusMessageTexts message(pMessage);
    const char* pTopic = message.Topic();
    if (!message.Complete())
        ZqtError("Web message contains a null element (topic: %s, Message: %s).\n",
                 message.ShownTopic(), message.ShownPayload());
    else if (std::strcmp(pTopic, kUpdateTopic) == 0)
        ParseSystemUpdate(message.Payload());
    else if (std::strcmp(pTopic, kAppCmdTopic) == 0)
        ParseSysUpdateCmd(message.Payload());
    else
        ZqtError("cZmqSubsSystemUpdate received an unhandled topic: %s\n", pTopic);
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
