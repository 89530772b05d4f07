#include "bus/ZmqQtListenerBase.h"

#include "BusEndpoints.h"
#include "ConsolePrint.h"

cBusMessageTexts::cBusMessageTexts(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    mpTopic = zmsg_popstr(pMessage);
    mpPayload = zmsg_popstr(pMessage);
}

cBusMessageTexts::~cBusMessageTexts() {
    zstr_free(&mpTopic);
    zstr_free(&mpPayload);
}

cZmqQtListenerBase::cZmqQtListenerBase(QObject* parent) : QObject(parent) {}

cZmqQtListenerBase::~cZmqQtListenerBase() {
    CloseSocket();
}

void cZmqQtListenerBase::SockInit(const char* pEndpoint) {
    if (!pEndpoint) {
        ZqtError("Null input to SockInit().");
        return;
    }
    BusEndpoints::InitRuntime();
    zsock_t* pSocket = zsock_new(ZMQ_SUB);
    if (!pSocket)
        return;
    if (zsock_connect(pSocket, "%s", pEndpoint) != 0) {
        // The text carries its own line end, as the unit's other tools print it.
        ZqtError("Unable to connect to socket: %s\n", pEndpoint);
        zsock_destroy(&pSocket);
        return;
    }
    mpSocket = pSocket;
    mbInitialised = true;
}

void cZmqQtListenerBase::SockSubscribe(const char* pTopic) {
    if (!mbInitialised) {
        ZqtError("You must initialize the socket before assigning topics.");
        return;
    }
    if (pTopic && mpSocket)
        zsock_set_subscribe(mpSocket, pTopic);
    mbSubscribed = true;
}

void cZmqQtListenerBase::SockUnSubscribe(const char* pTopic) {
    if (!mbInitialised) {
        ZqtError("You must initialize the socket before unsubscribing topics.");
        return;
    }
    if (pTopic && mpSocket)
        zsock_set_unsubscribe(mpSocket, pTopic);
}

void cZmqQtListenerBase::StartPolling(unsigned short uPeriodMs) {
    if (!mbInitialised || !mbSubscribed) {
        ZqtError("Socket must be initialized and assigned topics before polling starts.");
        return;
    }
    if (!connect(&mPollTimer, &QTimer::timeout, this, &cZmqQtListenerBase::PollMyListener,
                 Qt::UniqueConnection)) {
        ZqtError("Unable to connect timer to slot in ZmqQtListener.");
        return;
    }
    mPollTimer.setSingleShot(false);
    mPollTimer.start(uPeriodMs);
}

void cZmqQtListenerBase::OpenSubscribed(const char* pEndpoint,
                                        std::initializer_list<const char*> topics) {
    SockInit(pEndpoint);
    for (const char* pTopic : topics)
        SockSubscribe(pTopic);
}

void cZmqQtListenerBase::PollIfConnected(bool bConnected, unsigned short uPeriodMs,
                                         const char* pFailureLine) {
    if (!bConnected) {
        ZqtError("%s", pFailureLine);
        return;
    }
    StartPolling(uPeriodMs);
}

void cZmqQtListenerBase::CloseSocket() {
    mPollTimer.stop();
    if (mpSocket)
        zsock_destroy(&mpSocket);
}

void cZmqQtListenerBase::PollMyListener() {
    if (!mpSocket)
        return;
    zmsg_t* pMessage = zmsg_recv_nowait(mpSocket);
    if (!pMessage)
        return;
    emit sigMessageReceived(pMessage);
    zmsg_destroy(&pMessage);
}
