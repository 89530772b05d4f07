#include "bus/LinkKeeper.h"

#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <utility>

cLinkKeeper::cLinkKeeper(QObject* parent) : QObject(parent) {
    mCheck.setSingleShot(true);
    mCheck.setInterval(kRetryWaitMs);
    connect(&mCheck, &QTimer::timeout, this, &cLinkKeeper::CheckMended);
    mRest.setSingleShot(true);
    connect(&mRest, &QTimer::timeout, this, [this] { mJoin(); });
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
    constexpr int kEvents =
        ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_CONNECT_RETRIED | ZMQ_EVENT_HANDSHAKE_SUCCEEDED;
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

void cLinkKeeper::Stop() {
    mCheck.stop();
    mRest.stop();
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
        // First frame: the event number (16 bits) and a value (32 bits).
        zframe_t* pFrame = zmsg_first(pEvent);
        std::uint16_t event = 0;
        if (pFrame && zframe_size(pFrame) >= sizeof event)
            std::memcpy(&event, zframe_data(pFrame), sizeof event);
        zmsg_destroy(&pEvent);
        if (event == ZMQ_EVENT_DISCONNECTED)
            OnDropped();
        else if (event == ZMQ_EVENT_CONNECT_RETRIED || event == ZMQ_EVENT_HANDSHAKE_SUCCEEDED)
            mbMended = true;
    }
}

void cLinkKeeper::OnDropped() {
    mbMended = false;
    const bool bFlapping = mSinceDrop.isValid() && mSinceDrop.elapsed() < kFlapWindowMs;
    mSinceDrop.start();
    if (!bFlapping) {
        mRestMs = 0;
        if (!mRest.isActive())
            mCheck.start();
        return;
    }
    // The library would join again at once: leave, and join after a rest.
    mCheck.stop();
    mRestMs = std::clamp(mRestMs * 2, kRestMinMs, kRestMaxMs);
    mLeave();
    mRest.start(mRestMs);
}

void cLinkKeeper::CheckMended() {
    if (mbMended)
        return;
    mLeave();
    mJoin();
}
