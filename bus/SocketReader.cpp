#include "bus/SocketReader.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <algorithm>
#include <cstring>
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

bool cSocketReader::Watch(cZmtpLink* pLink, zsock_t* pStream, Receiver receiver, sBounds bounds,
                          Dropped dropped) {
    if (!pLink || !Watch(pStream, std::move(receiver), bounds, std::move(dropped)))
        return false;
    mpLink = pLink;
    connect(pLink, &cZmtpLink::sigReadAgain, this, [this] {
        if (mpLink && !mReadOn.isActive())
            ReadSoon();
    });
    return true;
}

void cSocketReader::Stop() {
    mReadOn.stop();
    // The notifier watches a descriptor of the socket: it goes first.
    delete std::exchange(mpNotifier, nullptr);
    mpSocket = nullptr;
    if (mpLink)
        disconnect(mpLink, nullptr, this, nullptr);
    mpLink = nullptr;
    mDrainedActions.clear();
    zmsg_destroy(&mpPartial);
    zmsg_destroy(&mpSpare);
    mpHanded = nullptr;
    mSlots.clear();
    mSpareSlots.clear();
    mHandedSlots.clear();
    mbMidMessage = mbDropping = false;
    mPartFrames = mPartBytes = 0;
}

bool cSocketReader::HasInput() const {
    if (mpLink)
        return mpLink->HasInput();
    // Asking also clears the descriptor's signal, and fetches the first
    // frame of what waits: from here on that message is half read.
    return mpSocket && (zsock_events(mpSocket) & ZMQ_POLLIN);
}

bool cSocketReader::HoldsInput() {
    if (!mpSocket)
        return false;
    if (RestIsThere() || mReadOn.isActive())
        return true;
    if (!HasInput())
        return false;
    // The question took the descriptor's signal: the read is ours to ask for.
    ReadSoon();
    return true;
}

cSocketReader::eTaken cSocketReader::TakeFrame(int* pFrames) {
    if (mpLink) {
        // A piece holds hundreds of frames: taken in one go, up to a clock's worth.
        cZmtpParser::sFrame frame;
        for (int taken = 0; taken < kClockFrames;) {
            switch (mpLink->NextFrame(&frame)) {
            case cZmtpLink::eRead::kNone:
                return taken > 0 ? eTaken::kOther : eTaken::kNone;
            case cZmtpLink::eRead::kNewLink:
                DropPartial();
                return eTaken::kOther;
            case cZmtpLink::eRead::kSkipped:
                return eTaken::kOther;
            case cZmtpLink::eRead::kFrame:
                ++*pFrames;
                ++taken;
                Keep(frame.pData, frame.size, frame.bMore);
                if (!mbMidMessage)
                    return eTaken::kLastFrame;
                break;
            }
        }
        return eTaken::kOther;
    }
    zmq_msg_t frame;
    zmq_msg_init(&frame);
    if (zmq_msg_recv(&frame, zsock_resolve(mpSocket), ZMQ_DONTWAIT) < 0) {
        zmq_msg_close(&frame);
        return eTaken::kNone;
    }
    ++*pFrames;
    Keep(zmq_msg_data(&frame), zmq_msg_size(&frame), zmq_msg_more(&frame) != 0);
    zmq_msg_close(&frame);
    return mbMidMessage ? eTaken::kOther : eTaken::kLastFrame;
}

void cSocketReader::Keep(const void* pData, std::size_t size, bool bMore) {
    mbMidMessage = bMore;
    ++mPartFrames;
    mPartBytes += static_cast<long long>(size);
    if (!mbDropping && ((mBounds.iFrames >= 0 && mPartFrames > mBounds.iFrames) ||
                        (mBounds.iBytes >= 0 && mPartBytes > mBounds.iBytes))) {
        mbDropping = true;
        RecyclePartial();
    }
    if (mbDropping)
        return;
    if (!mpPartial) {
        mSlots.clear();
        if (mpSpare) {
            mpPartial = std::exchange(mpSpare, nullptr);
            mSlots.swap(mSpareSlots);
            if (mSlots.empty())
                for (zframe_t* p = zmsg_first(mpPartial); p; p = zmsg_next(mpPartial))
                    mSlots.push_back({p, zframe_data(p), zframe_size(p)});
        } else {
            mpPartial = zmsg_new();
        }
    }
    // A frame is filled in place: an event is thousands of them. Copied
    // over when its size is unchanged, as an event's fields keep theirs;
    // else refilled, with no allocation up to 33 bytes.
    const std::size_t at = std::size_t(mPartFrames - 1);
    if (at < mSlots.size()) {
        sFrameSlot& slot = mSlots[at];
        if (slot.size == size && size > 0) {
            // Most fields are four bytes: a call to the C library's copy costs more.
            if (size <= 8)
                std::copy_n(static_cast<const unsigned char*>(pData), size, slot.pData);
            else
                std::memcpy(slot.pData, pData, size);
        } else {
            zframe_reset(slot.pFrame, pData, size);
            slot = {slot.pFrame, zframe_data(slot.pFrame), size};
        }
    } else {
        zframe_t* pFrame = zframe_new(pData, size);
        mSlots.push_back({pFrame, zframe_data(pFrame), size});
        zmsg_append(mpPartial, &pFrame);
    }
    if (!mbMidMessage) // the recycled message's frames left over go
        while (mSlots.size() > at + 1) {
            zframe_t* pLast = mSlots.back().pFrame;
            mSlots.pop_back();
            zmsg_remove(mpPartial, pLast);
            zframe_destroy(&pLast);
        }
}

void cSocketReader::DropPartial() {
    RecyclePartial();
    mbMidMessage = mbDropping = false;
    mPartFrames = mPartBytes = 0;
}

zmsg_t* cSocketReader::HandOverPartial() {
    mpHanded = mpPartial;
    mHandedSlots.swap(mSlots);
    return std::exchange(mpPartial, nullptr);
}

void cSocketReader::RecyclePartial() {
    if (mpPartial)
        Recycle(HandOverPartial());
}

const std::vector<sFrameSlot>* cSocketReader::FramesOf(zmsg_t* pMessage) const {
    return pMessage && pMessage == mpHanded && zmsg_size(pMessage) == mHandedSlots.size()
               ? &mHandedSlots
               : nullptr;
}

void cSocketReader::Recycle(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    if (mpSpare) {
        zmsg_destroy(&pMessage);
        return;
    }
    mpSpare = pMessage;
    mSpareSlots.clear();
    // The frames are known when it is the message last handed over, still
    // as it was; else they are looked up when it is filled.
    if (pMessage == std::exchange(mpHanded, nullptr) &&
        zmsg_size(pMessage) == mHandedSlots.size() &&
        (mHandedSlots.empty() || zmsg_first(pMessage) == mHandedSlots.front().pFrame))
        mSpareSlots.swap(mHandedSlots);
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
    int clockAt = 0;
    while (RestIsThere() || HasInput()) {
        if (frames >= kReadBudgetFrames ||
            (frames >= clockAt && spent.elapsed() >= kReadBudgetMs)) {
            bDrained = false;
            ReadSoon();
            break;
        }
        if (frames >= clockAt)
            clockAt = frames + kClockFrames;
        const int before = frames;
        const eTaken taken = TakeFrame(&frames);
        if (frames == before) // a raw link's own business counts as a frame
            ++frames;
        if (taken == eTaken::kNone) {
            if (!RestIsThere())
                break;
            // Never seen: a message whose rest is not there. Look again later.
            bDrained = false;
            ReadSoon(kReadBudgetMs);
            break;
        }
        if (taken != eTaken::kLastFrame)
            continue;
        ++mSeen;
        const long long partFrames = std::exchange(mPartFrames, 0);
        const long long partBytes = std::exchange(mPartBytes, 0);
        if (std::exchange(mbDropping, false)) {
            if (mDropped)
                mDropped(partFrames, partBytes);
        } else {
            ++mTaken;
            mReceiver(HandOverPartial());
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
    if (!mReadOn.isActive() && !RestIsThere() && !HasInput())
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
