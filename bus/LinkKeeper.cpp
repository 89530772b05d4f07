#include "bus/LinkKeeper.h"

#include <QSocketNotifier>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

cLinkKeeper::cLinkKeeper(QObject* parent) : QObject(parent) {
    mCheck.setSingleShot(true);
    mCheck.setInterval(kRetryWaitMs);
    connect(&mCheck, &QTimer::timeout, this, &cLinkKeeper::CheckMended);
    mRest.setSingleShot(true);
    connect(&mRest, &QTimer::timeout, this, [this] { mJoin(); });
    mLook.setSingleShot(true);
    connect(&mLook, &QTimer::timeout, this, &cLinkKeeper::LookAtInflow);
}

cLinkKeeper::~cLinkKeeper() {
    Stop();
}

bool cLinkKeeper::Watch(zsock_t* pSocket, std::function<void()> leave, std::function<void()> join) {
    Stop();
    // A name of its own each time: the bus library frees a closed monitor's
    // name later, on its own thread, and a keeper watching again at once (or
    // a new one at the same address) would find it still taken.
    static std::atomic<unsigned> sNextMonitor{0};
    char address[64];
    std::snprintf(address, sizeof address, "inproc://link-keeper-%u", sNextMonitor++);
    // Not the library's retries: an absent local peer is retried ten times
    // a second, and each would wake the GUI thread.
    constexpr int kEvents =
        ZMQ_EVENT_CONNECTED | ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_HANDSHAKE_SUCCEEDED;
    if (!pSocket || zmq_socket_monitor(zsock_resolve(pSocket), address, kEvents) != 0)
        return false;
    mpMonitor = zsock_new(ZMQ_PAIR);
    if (!mpMonitor || zsock_connect(mpMonitor, "%s", address) != 0) {
        zmq_socket_monitor(zsock_resolve(pSocket), nullptr, 0);
        zsock_destroy(&mpMonitor);
        return false;
    }
    mpSocket = pSocket;
    mLeave = std::move(leave);
    mJoin = std::move(join);
    mpNotifier = new QSocketNotifier(zsock_fd(mpMonitor), QSocketNotifier::Read, this);
    connect(mpNotifier, &QSocketNotifier::activated, this, &cLinkKeeper::ReadEvents);
    // The descriptor only tells of changes once a read has found it empty.
    ReadEvents();
    return true;
}

void cLinkKeeper::SetInflowBound(long long iBytes, sSocketState state) {
    mInflowBound = iBytes;
    mState = std::move(state);
}

void cLinkKeeper::Stop() {
    mCheck.stop();
    mRest.stop();
    mLook.stop();
    mLinkFd = -1;
    mLinks = 0;
    delete std::exchange(mpNotifier, nullptr);
    if (mpSocket)
        zmq_socket_monitor(zsock_resolve(mpSocket), nullptr, 0);
    mpSocket = nullptr;
    zsock_destroy(&mpMonitor);
}

void cLinkKeeper::ReadEvents() {
    if (!mpMonitor)
        return;
    // Clears the descriptor's signal, so the notifier fires for what comes next.
    zsock_events(mpMonitor);
    while (zmsg_t* pEvent = zmsg_recv_nowait(mpMonitor)) {
        // First frame: the event number (16 bits) and a value (32 bits), a
        // link's descriptor for its connect and its drop.
        zframe_t* pFrame = zmsg_first(pEvent);
        std::uint16_t event = 0;
        std::int32_t value = -1;
        if (pFrame && zframe_size(pFrame) >= sizeof event + sizeof value) {
            std::memcpy(&event, zframe_data(pFrame), sizeof event);
            std::memcpy(&value, zframe_data(pFrame) + sizeof event, sizeof value);
        }
        zmsg_destroy(&pEvent);
        if (event == ZMQ_EVENT_DISCONNECTED) {
            mLinks = std::max(0, mLinks - 1);
            mLinkFd = -1;
            mLook.stop();
            OnDropped();
            emit sigDropped();
        } else if (event == ZMQ_EVENT_CONNECTED) {
            ++mLinks;
            mbMended = true;
            if (mInflowBound >= 0) {
                mLinkFd = value;
                mDrainedIn = BytesIn();
                mSinceDrained.start();
                mSeenAtLook = mState.seen ? mState.seen() : 0;
                mQuickLooksLeft = kQuickLooks;
                LookIn(kFirstLookMs);
            }
        } else if (event == ZMQ_EVENT_HANDSHAKE_SUCCEEDED) {
            mbMended = true;
        }
    }
}

bool cLinkKeeper::NoteDrop() {
    const bool bFlapping = mSinceDrop.isValid() && mSinceDrop.elapsed() < kFlapWindowMs;
    mSinceDrop.start();
    if (!bFlapping)
        mRestMs = 0;
    return bFlapping;
}

void cLinkKeeper::OnDropped() {
    mbMended = false;
    if (!NoteDrop()) {
        if (!mRest.isActive())
            mCheck.start();
        return;
    }
    // The library would join again at once: leave, and join after a rest.
    Rest();
}

void cLinkKeeper::CheckMended() {
    if (mbMended)
        return;
    mLinks = 0; // leaving drops the links unannounced
    mLeave();
    mJoin();
}

namespace {

// The kernel's TCP_INFO as far as the received byte count (Linux 4.1); the C
// library's declaration stops before it.
struct sTcpInfo {
    tcp_info base;
    std::uint64_t pacingRate;
    std::uint64_t maxPacingRate;
    std::uint64_t bytesAcked;
    std::uint64_t bytesReceived;
};
static_assert(offsetof(sTcpInfo, pacingRate) == 104, "the kernel's layout");

} // namespace

long long cLinkKeeper::BytesIn() const {
    if (mLinkFd < 0)
        return -1;
    // The descriptor is the bus library's; it is only asked, never used. A
    // link that is gone has told the monitor so before its number is reused.
    sTcpInfo info{};
    socklen_t length = sizeof info;
    if (getsockopt(mLinkFd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 || length < sizeof info)
        return -1;
    return static_cast<long long>(info.bytesReceived);
}

void cLinkKeeper::NoteDrained() {
    if (mLinkFd < 0)
        return;
    mDrainedIn = BytesIn();
    mSinceDrained.start();
}

void cLinkKeeper::LookAtInflow() {
    const long long in = BytesIn();
    // Not a TCP link; or under a user-mode emulator, which passes the
    // kernel's TCP_INFO on cut short.
    if (in < 0 || mDrainedIn < 0)
        return;
    const unsigned long long seen = mState.seen();
    const bool bNoneSeen = seen == mSeenAtLook;
    mSeenAtLook = seen;
    bool bUnderWay = false;
    // Whole messages waiting are read first; what they bring is no fault.
    if (bNoneSeen && !mState.holdsInput()) {
        const qint64 sinceMs = mSinceDrained.elapsed();
        const long long excess = in - mDrainedIn - kAllowancePerS * sinceMs / 1000;
        if (excess > mInflowBound || (excess > 0 && sinceMs >= kEndlessMs)) {
            emit sigCut(in - mDrainedIn);
            mLinkFd = -1;
            Rest();
            return;
        }
        bUnderWay = excess > 0;
        if (!bUnderWay) { // heartbeats only: count afresh from here
            mDrainedIn = in;
            mSinceDrained.start();
        }
    }
    if (mQuickLooksLeft > 0 || bUnderWay) {
        mQuickLooksLeft = std::max(0, mQuickLooksLeft - 1);
        LookIn(kQuickLookMs);
    } else {
        LookIn(kLookMs);
    }
}

void cLinkKeeper::Cut() {
    NoteDrop();
    Rest();
}

void cLinkKeeper::LookIn(int iMs) {
    // The one-second looks fall on the second, with the heartbeat's: they
    // share its wake-up.
    mLook.setTimerType(iMs >= kLookMs ? Qt::VeryCoarseTimer : Qt::PreciseTimer);
    mLook.start(iMs);
}

void cLinkKeeper::Rest() {
    mCheck.stop();
    mRestMs = std::clamp(mRestMs * 2, kRestMinMs, kRestMaxMs);
    mLinks = 0;
    mLeave();
    mRest.start(mRestMs);
}
