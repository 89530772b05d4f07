#include "bus/ZmqQtListenerBase.h"

#include "BusEndpoints.h"

#include <cstdarg>
#include <cstdio>

namespace {

void PrintPrefixed(const char* pPrefix, const char* pFormat, va_list args) {
    std::fputs(pPrefix, stdout);
    std::vfprintf(stdout, pFormat, args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

void ZqtError(const char* pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    PrintPrefixed("ZQT ERROR : ", pFormat, args);
    va_end(args);
}

void KeldError(const char* pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    PrintPrefixed("KELD_ERROR : ", pFormat, args);
    va_end(args);
}

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

void cZmqQtListenerBase::SockInit(const char* pEndpoint, int iMaxMessageBytes, int iReceiveQueue) {
    if (!pEndpoint) {
        ZqtError("Null input to SockInit().");
        return;
    }
    BusEndpoints::InitRuntime();
    zsock_t* pSocket = zsock_new(ZMQ_SUB);
    if (!pSocket)
        return;
    zsock_set_maxmsgsize(pSocket, iMaxMessageBytes);
    if (iReceiveQueue > 0)
        zsock_set_rcvhwm(pSocket, iReceiveQueue);
    if (zsock_connect(pSocket, "%s", pEndpoint) != 0) {
        // The text carries its own line end, as the unit's other tools print it.
        ZqtError("Unable to connect to socket: %s\n", pEndpoint);
        zsock_destroy(&pSocket);
        return;
    }
    mpSocket = pSocket;
    mbInitialised = true;
    mEndpoint = pEndpoint;
    if (iMaxMessageBytes >= 0)
        WatchForDrops();
}

void cZmqQtListenerBase::WatchForDrops() {
    char address[64];
    std::snprintf(address, sizeof address, "inproc://listener-drops-%p", static_cast<void*>(this));
    if (zmq_socket_monitor(zsock_resolve(mpSocket), address, ZMQ_EVENT_DISCONNECTED) != 0)
        return;
    mpDropMonitor = zsock_new(ZMQ_PAIR);
    if (mpDropMonitor && zsock_connect(mpDropMonitor, "%s", address) != 0)
        zsock_destroy(&mpDropMonitor);
}

void cZmqQtListenerBase::RejoinIfDropped() {
    bool bDropped = false;
    while (zmsg_t* pEvent = zmsg_recv_nowait(mpDropMonitor)) {
        bDropped = true;
        zmsg_destroy(&pEvent);
    }
    // After an ordinary drop the library would rejoin by itself; doing it
    // here as well costs one extra handshake.
    if (!bDropped)
        return;
    zsock_disconnect(mpSocket, "%s", mEndpoint.c_str());
    zsock_connect(mpSocket, "%s", mEndpoint.c_str());
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
                                        std::initializer_list<const char*> topics,
                                        int iMaxMessageBytes, int iReceiveQueue) {
    SockInit(pEndpoint, iMaxMessageBytes, iReceiveQueue);
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
    if (mpSocket && mpDropMonitor)
        zmq_socket_monitor(zsock_resolve(mpSocket), nullptr, 0);
    if (mpSocket)
        zsock_destroy(&mpSocket);
    if (mpDropMonitor)
        zsock_destroy(&mpDropMonitor);
}

void cZmqQtListenerBase::PollMyListener() {
    if (!mpSocket)
        return;
    if (mpDropMonitor)
        RejoinIfDropped();
    zmsg_t* pMessage = zmsg_recv_nowait(mpSocket);
    if (!pMessage)
        return;
    emit sigMessageReceived(pMessage);
    zmsg_destroy(&pMessage);
}
