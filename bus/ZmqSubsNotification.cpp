#include "bus/ZmqSubsNotification.h"

#include "BusEndpoints.h"
#include "ConsolePrint.h"

#include <cstdlib>
#include <cstring>

cZmqSubsNotification::cZmqSubsNotification(QObject* parent) : cZmqQtListenerBase(parent) {}

cZmqSubsNotification::~cZmqSubsNotification() = default;

void cZmqSubsNotification::SetupParsers() {
    if (!mpParser)
        mpParser = std::make_unique<cJsonParseNotifMessages>();
}

void cZmqSubsNotification::SetupAndRun(const char* pName) {
    SetupParsers();
    OpenSubscribed(BusEndpoints::IpcJoined(pName).c_str(), {kTopic});
    const bool bReceive = connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                  &cZmqSubsNotification::sltNewMessage, Qt::UniqueConnection);
    const bool bDispatch =
        connect(this, &cZmqSubsNotification::sigNewSystemData, this,
                &cZmqSubsNotification::sltSystemTopicSwitch, Qt::UniqueConnection);
    PollIfConnected(bReceive && bDispatch, kPollMs,
                    "Unable to connect signal to slot in cZmqSubsNotification().");
}

void cZmqSubsNotification::sltNewMessage(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    const cBusMessageTexts message(pMessage);
    if (!message.Complete())
        ZqtError("Metadata message returned null elements.");
    else
        emit sigNewSystemData(message.Topic(), message.Payload());
}

void cZmqSubsNotification::sltSystemTopicSwitch(const char* pTopic, const char* pData) {
    if (!pTopic)
        return;
    if (std::strcmp(pTopic, kTopic) == 0)
        PreparseNotification(pData);
    else
        KeldError("Notification Message - Unhandled topic: %s\n", pTopic);
}

void cZmqSubsNotification::PreparseNotification(const char* pData) {
    if (!pData)
        return;
    SetupParsers();
    if (mpParser->ParseNotificationMessages(pData, &mNotification) == 0)
        emit sigNotificationMsg(&mNotification);
}
