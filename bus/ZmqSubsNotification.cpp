#include "bus/ZmqSubsNotification.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

namespace {

// The console lines of this subscriber's messages that cannot be handled.
const cZmqQtListenerBase::sDispatchLines kLines = {"Metadata message returned null elements.",
                                                   &KeldError,
                                                   "Notification Message - Unhandled topic: %s\n"};

} // namespace

cZmqSubsNotification::~cZmqSubsNotification() = default;

void cZmqSubsNotification::SetupParsers() {
    if (!mpParser)
        mpParser = std::make_unique<cJsonParseNotifMessages>();
}

void cZmqSubsNotification::SetupAndRun(const char* pName) {
    SetupParsers();
    OpenSubscribed(BusEndpoints::IpcJoined(pName).c_str(), {kTopic}, kMaxMessageBytes);
    const bool bReceive = connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                  &cZmqSubsNotification::sltNewMessage, Qt::UniqueConnection);
    const bool bDispatch =
        connect(this, &cZmqSubsNotification::sigNewSystemData, this,
                &cZmqSubsNotification::sltSystemTopicSwitch, Qt::UniqueConnection);
    PollIfConnected(bReceive && bDispatch, kPollMs,
                    "Unable to connect signal to slot in cZmqSubsNotification().");
}

void cZmqSubsNotification::sltNewMessage(zmsg_t* pMessage) {
    SplitMessage(pMessage);
}

void cZmqSubsNotification::sltSystemTopicSwitch(const char* pTopic, const char* pData) {
    RouteTopic(pTopic, pData);
}

void cZmqSubsNotification::PreparseNotification(const char* pData) {
    if (!pData)
        return;
    SetupParsers();
    if (mpParser->ParseNotificationMessages(pData, &mNotification) == 0)
        emit sigNotificationMsg(&mNotification);
}

cZmqSubsNotification::cZmqSubsNotification(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopicRoutes({{kTopic, [this](const char* pPayload) { PreparseNotification(pPayload); }}},
                   kLines, &cZmqSubsNotification::sigNewSystemData);
}
