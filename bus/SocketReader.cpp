#include "bus/SocketReader.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <utility>

cSocketReader::cSocketReader(QObject* parent) : QObject(parent) {
    mReadOn.setSingleShot(true);
    connect(&mReadOn, &QTimer::timeout, this, &cSocketReader::Read);
}

cSocketReader::~cSocketReader() {
    Stop();
}

bool cSocketReader::Watch(zsock_t* pSocket, Receiver receiver) {
    Stop();
    if (!pSocket)
        return false;
    mpNotifier = new QSocketNotifier(zsock_fd(pSocket), QSocketNotifier::Read, this);
    if (!connect(mpNotifier, &QSocketNotifier::activated, this, &cSocketReader::Read)) {
        delete std::exchange(mpNotifier, nullptr);
        return false;
    }
    mpSocket = pSocket;
    mReceiver = std::move(receiver);
    // The descriptor only tells of changes: read what is already waiting.
    ReadSoon();
    return true;
}

void cSocketReader::Stop() {
    mReadOn.stop();
    // The notifier watches a descriptor of the socket: it goes first.
    delete std::exchange(mpNotifier, nullptr);
    mpSocket = nullptr;
    mDrainedActions.clear();
}

bool cSocketReader::HasInput() const {
    // Asking also clears the descriptor's signal, and fetches the first
    // frame of what waits: from here on that message is half read.
    return mpSocket && (zsock_events(mpSocket) & ZMQ_POLLIN);
}

void cSocketReader::Read() {
    QElapsedTimer spent;
    spent.start();
    mTaken = 0;
    // Asked again after every message: a receiver may have caused socket
    // activity, and what waits unasked would not wake us.
    bool bDrained = true;
    while (HasInput()) {
        if (spent.elapsed() >= kReadBudgetMs) {
            bDrained = false;
            ReadSoon();
            break;
        }
        zmsg_t* pMessage = zmsg_recv_nowait(mpSocket);
        if (!pMessage)
            break;
        ++mTaken;
        mReceiver(pMessage);
        if (!mpSocket) // the receiver stopped us
            return;
    }
    if (bDrained)
        RunDrainedActions();
    emit sigRunEnded();
}

void cSocketReader::WhenDrained(std::function<void()> action) {
    mDrainedActions.push_back(std::move(action));
    if (!mReadOn.isActive() && !HasInput())
        RunDrainedActions();
    else
        ReadSoon();
}

void cSocketReader::RunDrainedActions() {
    // An action may ask for more; those run at the next empty moment.
    std::vector<std::function<void()>> actions;
    actions.swap(mDrainedActions);
    for (const auto& action : actions)
        action();
}
