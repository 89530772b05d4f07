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

bool cSocketReader::Watch(zsock_t* pSocket, Receiver receiver, sBounds bounds, Dropped dropped) {
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
    mBounds = bounds;
    mDropped = std::move(dropped);
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
    zmsg_destroy(&mpPartial);
    zmsg_destroy(&mpSpare);
    mpReuse = nullptr;
    mbMidMessage = mbDropping = false;
    mPartFrames = mPartBytes = 0;
}

bool cSocketReader::HasInput() const {
    // Asking also clears the descriptor's signal, and fetches the first
    // frame of what waits: from here on that message is half read.
    return mpSocket && (zsock_events(mpSocket) & ZMQ_POLLIN);
}

bool cSocketReader::HoldsInput() {
    if (!mpSocket)
        return false;
    if (mbMidMessage || mReadOn.isActive())
        return true;
    if (!HasInput())
        return false;
    // The question took the descriptor's signal: the read is ours to ask for.
    ReadSoon();
    return true;
}

bool cSocketReader::TakeFrame() {
    zmq_msg_t frame;
    zmq_msg_init(&frame);
    if (zmq_msg_recv(&frame, zsock_resolve(mpSocket), ZMQ_DONTWAIT) < 0) {
        zmq_msg_close(&frame);
        return false;
    }
    const std::size_t size = zmq_msg_size(&frame);
    mbMidMessage = zmq_msg_more(&frame) != 0;
    ++mPartFrames;
    mPartBytes += static_cast<long long>(size);
    if (!mbDropping && ((mBounds.iFrames >= 0 && mPartFrames > mBounds.iFrames) ||
                        (mBounds.iBytes >= 0 && mPartBytes > mBounds.iBytes))) {
        mbDropping = true;
        mpReuse = nullptr;
        Recycle(std::exchange(mpPartial, nullptr));
    }
    if (!mbDropping) {
        if (!mpPartial) {
            mpPartial = mpSpare ? std::exchange(mpSpare, nullptr) : zmsg_new();
            mpReuse = zmsg_first(mpPartial);
        }
        // A small frame is filled in place, with no allocation: an event
        // is thousands of them.
        if (mpReuse) {
            zframe_reset(mpReuse, zmq_msg_data(&frame), size);
            mpReuse = zmsg_next(mpPartial);
        } else {
            zframe_t* pFrame = zframe_new(zmq_msg_data(&frame), size);
            zmsg_append(mpPartial, &pFrame);
        }
        if (!mbMidMessage) // the recycled message's frames left over go
            while (zmsg_size(mpPartial) > std::size_t(mPartFrames)) {
                zframe_t* pLast = zmsg_last(mpPartial);
                zmsg_remove(mpPartial, pLast);
                zframe_destroy(&pLast);
            }
    }
    zmq_msg_close(&frame);
    return true;
}

void cSocketReader::Recycle(zmsg_t* pMessage) {
    if (!mpSpare)
        mpSpare = pMessage;
    else
        zmsg_destroy(&pMessage);
}

void cSocketReader::Read() {
    QElapsedTimer spent;
    spent.start();
    mTaken = 0;
    int frames = 0;
    // Asked again after every message: a receiver may have caused socket
    // activity, and what waits unasked would not wake us. The rest of a
    // message under way is always there: the bus library passes a message
    // on only once all of it has come.
    bool bDrained = true;
    while (mbMidMessage || HasInput()) {
        if (frames >= kReadBudgetFrames ||
            (frames % kClockFrames == 0 && spent.elapsed() >= kReadBudgetMs)) {
            bDrained = false;
            ReadSoon();
            break;
        }
        ++frames;
        if (!TakeFrame()) {
            if (!mbMidMessage)
                break;
            // Never seen: a message whose rest is not there. Look again later.
            bDrained = false;
            ReadSoon(kReadBudgetMs);
            break;
        }
        if (mbMidMessage)
            continue;
        ++mSeen;
        const long long partFrames = std::exchange(mPartFrames, 0);
        const long long partBytes = std::exchange(mPartBytes, 0);
        if (std::exchange(mbDropping, false)) {
            if (mDropped)
                mDropped(partFrames, partBytes);
        } else {
            ++mTaken;
            mpReuse = nullptr;
            mReceiver(std::exchange(mpPartial, nullptr));
        }
        if (!mpSocket) // the receiver stopped us
            return;
    }
    if (bDrained)
        RunDrainedActions();
    emit sigRunEnded(bDrained);
}

void cSocketReader::WhenDrained(std::function<void()> action) {
    mDrainedActions.push_back(std::move(action));
    if (!mReadOn.isActive() && !mbMidMessage && !HasInput())
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
