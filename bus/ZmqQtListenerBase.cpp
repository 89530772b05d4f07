#include "bus/ZmqQtListenerBase.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QSocketNotifier>

#include <cstring>
#include <utility>

namespace {

// Longest a run of the listener reads before it lets other events in.
constexpr qint64 kReadBudgetMs = 4;
// A state stream parks no more than this many messages inside the bus
// library (an ED2 event takes about 150 kB there); beyond it they wait in
// the kernel and at the sender, which drops them when full. Room enough for
// a burst to be read whole and only its newest handed out.
constexpr int kStateReceiveHwm = 256;
// How long to let the bus library refill a full receive queue.
constexpr int kSettleMs = 1;
// A state stream may hand out a message that was not held up to an eighth
// of its period early.
constexpr int kPeriodToleranceDivisor = 8;
constexpr int kStaleReportMs = 60 * 1000;

} // namespace

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

cZmqQtListenerBase::cZmqQtListenerBase(QObject* parent) : QObject(parent) {
    mReadOn.setSingleShot(true);
    mReadOn.setTimerType(Qt::PreciseTimer);
    connect(&mReadOn, &QTimer::timeout, this, &cZmqQtListenerBase::PollMyListener);
    mEmitLater.setSingleShot(true);
    connect(&mEmitLater, &QTimer::timeout, this, &cZmqQtListenerBase::sltEmitNewest);
    mStaleReport.setSingleShot(true);
    mStaleReport.setInterval(kStaleReportMs);
    connect(&mStaleReport, &QTimer::timeout, this, &cZmqQtListenerBase::sltReportStale);
}

cZmqQtListenerBase::~cZmqQtListenerBase() {
    CloseSocket();
}

void cZmqQtListenerBase::KeepNewestOnly(const char* pStreamName) {
    mpStreamName = pStreamName;
}

void cZmqQtListenerBase::SockInit(const char* pEndpoint, int iMaxMessageBytes) {
    if (!pEndpoint) {
        ZqtError("Null input to SockInit().");
        return;
    }
    BusEndpoints::InitRuntime();
    zsock_t* pSocket = zsock_new(ZMQ_SUB);
    if (!pSocket)
        return;
    zsock_set_maxmsgsize(pSocket, iMaxMessageBytes);
    if (mpStreamName)
        zsock_set_rcvhwm(pSocket, kStateReceiveHwm);
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
    if (!mpSocket)
        return;
    if (!mpNotifier) {
        mpNotifier = new QSocketNotifier(zsock_fd(mpSocket), QSocketNotifier::Read, this);
        if (!connect(mpNotifier, &QSocketNotifier::activated, this,
                     &cZmqQtListenerBase::PollMyListener)) {
            ZqtError("Unable to connect timer to slot in ZmqQtListener.");
            delete std::exchange(mpNotifier, nullptr);
            return;
        }
    }
    // A dropped link says so on the monitor, not on the socket itself.
    if (mpDropMonitor && !mpDropNotifier) {
        mpDropNotifier = new QSocketNotifier(zsock_fd(mpDropMonitor), QSocketNotifier::Read, this);
        connect(mpDropNotifier, &QSocketNotifier::activated, this, [this] { RejoinIfDropped(); });
        // Its descriptor only tells of changes once a read has found it empty.
        RejoinIfDropped();
    }
    mPeriodMs = uPeriodMs;
    mbPolling = true;
    mEmitLater.stop();
    // The descriptor only tells of changes: read what is already waiting.
    mReadOn.start(0);
}

void cZmqQtListenerBase::OpenSubscribed(const char* pEndpoint,
                                        std::initializer_list<const char*> topics,
                                        int iMaxMessageBytes) {
    SockInit(pEndpoint, iMaxMessageBytes);
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
    mbPolling = false;
    mReadOn.stop();
    mEmitLater.stop();
    // The notifier watches a descriptor of the socket: it goes first.
    delete std::exchange(mpNotifier, nullptr);
    zmsg_destroy(&mpNewest);
    delete std::exchange(mpDropNotifier, nullptr);
    if (mpSocket && mpDropMonitor)
        zmq_socket_monitor(zsock_resolve(mpSocket), nullptr, 0);
    if (mpSocket)
        zsock_destroy(&mpSocket);
    if (mpDropMonitor)
        zsock_destroy(&mpDropMonitor);
}

bool cZmqQtListenerBase::HasInput() const {
    // Reading the events also clears the descriptor's signal: the notifier
    // fires again only for what arrives after this.
    return mpSocket && (zsock_events(mpSocket) & ZMQ_POLLIN);
}

void cZmqQtListenerBase::PollMyListener() {
    QElapsedTimer spent;
    spent.start();
    int taken = 0;
    // Asked again after every message: a receiver may have caused socket
    // activity, and what waits unasked would not wake us.
    while (HasInput()) {
        if (spent.elapsed() >= kReadBudgetMs) {
            mReadOn.start(0);
            break;
        }
        zmsg_t* pMessage = zmsg_recv_nowait(mpSocket);
        if (!pMessage)
            break;
        ++taken;
        if (mpStreamName) {
            Supersede(pMessage);
            continue;
        }
        emit sigMessageReceived(pMessage);
        zmsg_destroy(&pMessage);
    }
    if (!mpNewest)
        return;
    // A full receive queue makes the bus library hold newer messages back
    // until we have read some: look again shortly, and go on looking until a
    // look finds the queue no longer full, or the message has been held for
    // a whole period.
    if (taken > 0)
        mbQueueWasFull = taken >= kStateReceiveHwm;
    const bool bMaybeNewer = mReadOn.isActive() || mbQueueWasFull;
    if (bMaybeNewer && mHeldSince.elapsed() < mPeriodMs) {
        if (!mReadOn.isActive())
            mReadOn.start(kSettleMs);
        return;
    }
    EmitNewestWhenDue();
}

void cZmqQtListenerBase::Supersede(zmsg_t* pMessage) {
    if (mpNewest) {
        zmsg_destroy(&mpNewest);
        if (mStaleCount++ == 0)
            mStaleReport.start();
    } else {
        mHeldSince.start();
    }
    mpNewest = pMessage;
}

void cZmqQtListenerBase::EmitNewestWhenDue() {
    if (!mpNewest || mEmitLater.isActive())
        return;
    const qint64 since = mSinceEmit.isValid() ? mSinceEmit.elapsed() : mPeriodMs;
    // A publisher at the period's own rate arrives a little early or late:
    // without a tolerance one late message would hold back every later one.
    // A held message waits the whole period, so a faster publisher still
    // gets one message a period.
    if (since >= mPeriodMs - mPeriodMs / kPeriodToleranceDivisor)
        sltEmitNewest();
    else
        mEmitLater.start(int(mPeriodMs - since));
}

void cZmqQtListenerBase::sltEmitNewest() {
    zmsg_t* pMessage = std::exchange(mpNewest, nullptr);
    if (!pMessage)
        return;
    mSinceEmit.start();
    emit sigMessageReceived(pMessage);
    zmsg_destroy(&pMessage);
    if (HasInput())
        mReadOn.start(0);
}

void cZmqQtListenerBase::sltReportStale() {
    ZqtError("%s: %u stale events skipped in the last minute", mpStreamName, mStaleCount);
    mStaleCount = 0;
}

void cZmqQtListenerBase::SetTopicRoutes(std::vector<sTopicRoute> routes,
                                        const sDispatchLines& lines) {
    mRoutes = std::move(routes);
    mLines = lines;
}

void cZmqQtListenerBase::SplitMessage(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    const cBusMessageTexts message(pMessage);
    if (!message.Complete())
        ZqtError(mLines.pNullElements, message.ShownTopic(), message.ShownPayload());
    else if (mForward)
        mForward(message.Topic(), message.Payload());
    else
        RouteTopic(message.Topic(), message.Payload());
}

void cZmqQtListenerBase::RouteTopic(const char* pTopic, const char* pPayload) {
    if (!pTopic)
        return;
    for (const sTopicRoute& route : mRoutes)
        if (std::strcmp(pTopic, route.pTopic) == 0) {
            route.handle(pPayload);
            return;
        }
    if (mLines.pUnhandledPrinter)
        mLines.pUnhandledPrinter(mLines.pUnhandledTopic, pTopic);
}
