#pragma once

#include <QObject>
#include <QTimer>

#include "bus/FrameSlot.h"
#include "bus/ZmtpLink.h"

#include <czmq.h>

#include <functional>
#include <vector>

class QSocketNotifier;

// What one message may hold; -1: no bound.
struct sMessageBounds {
    long long iFrames = -1;
    long long iBytes = -1;
};

// Reads a socket on the GUI thread when something arrives: a socket notifier
// on its descriptor wakes it, so an idle socket costs nothing. One run reads
// a bounded number of frames for a few milliseconds at most and hands each
// whole message over; the rest is read after the other events of the loop,
// even when that rest is the middle of one message.
//
// Messages are read frame by frame against the owner's bounds: a message
// with more frames or more bytes than its bounds is dropped as it is read,
// each frame freed at once, so a message of a million frames neither stays
// in memory nor holds the loop.
class cSocketReader : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cSocketReader)

public:
    static constexpr qint64 kReadBudgetMs = 4;
    // Seven decoder events; the clock is read once every kClockFrames.
    static constexpr int kReadBudgetFrames = 16384;
    static constexpr int kClockFrames = 256;

    using sBounds = sMessageBounds;
    // Takes each message read; owns it from then on.
    using Receiver = std::function<void(zmsg_t* pMessage)>;
    // Told of each message dropped for its size, once it has gone by.
    using Dropped = std::function<void(long long iFrames, long long iBytes)>;

    explicit cSocketReader(QObject* parent = nullptr);
    ~cSocketReader() override;

    // Starts reading the socket, which stays the caller's; false when the
    // notifier cannot be wired.
    bool Watch(zsock_t* pSocket, Receiver receiver, sBounds bounds = {}, Dropped dropped = {});
    // The same for a stream socket whose link speaks the protocol through
    // pLink, which stays the caller's; a link may go mid-message.
    bool Watch(cZmtpLink* pLink, zsock_t* pStream, Receiver receiver, sBounds bounds = {},
               Dropped dropped = {});
    // Stops reading; must come before the socket is destroyed.
    void Stop();
    bool Watching() const { return mpSocket != nullptr; }

    // Reads again once the other events waiting have had their turn, or
    // after a wait; reads asked for meanwhile are one.
    void ReadSoon(int iWaitMs = 0) { mReadOn.start(iWaitMs); }
    bool ReadPending() const { return mReadOn.isActive(); }
    // Messages taken by the last run.
    int LastRunTaken() const { return mTaken; }
    // Takes back a message handed over and done with, its frames as they
    // were handed over: the next message is read into them, as many as
    // there are, rather than into new ones.
    void Recycle(zmsg_t* pMessage);
    // The frames of the message last handed over, in order, while it is the
    // one given; else null.
    const std::vector<sFrameSlot>* FramesOf(zmsg_t* pMessage) const;
    // Whole messages gone by since the start, handed over or dropped.
    unsigned long long MessagesSeen() const { return mSeen; }
    // True when the socket holds a message or part of one not yet read;
    // then a read is on its way.
    bool HoldsInput();

    // Runs the action at the first moment the socket holds no message, not
    // even the first frame of one: now, or at the end of the run that
    // empties it. Only then may a link of the socket be dropped: the bus
    // library aborts when a link goes while a message from it is half read.
    void WhenDrained(std::function<void()> action);

signals:
    // A run has ended; drained: the socket held nothing more, not even part
    // of a message.
    void sigRunEnded(bool bDrained);

private slots:
    void Read();

private:
    bool HasInput() const;
    enum class eTaken {
        kNone,      // nothing was there
        kLastFrame, // the frame that ends a message
        kOther,     // a frame with more to follow, or a raw link's own business
    };
    // Takes the next frame of the message under way, or on a raw link as
    // many as lie in its piece up to the message's end; counts them.
    eTaken TakeFrame(int* pFrames);
    void Keep(const void* pData, std::size_t size, bool bMore);
    // The message under way is lost with its link.
    void DropPartial();
    zmsg_t* HandOverPartial();
    void RecyclePartial();
    // The bus library passes a message on only once all of it has come: the
    // rest of one under way is there. A raw link's rest comes when it comes.
    bool RestIsThere() const { return mbMidMessage && !mpLink; }
    void RunDrainedActions();

    zsock_t* mpSocket = nullptr;
    cZmtpLink* mpLink = nullptr;
    QSocketNotifier* mpNotifier = nullptr;
    QTimer mReadOn; // zero-time: the rest of what waits, after other events
    Receiver mReceiver;
    Dropped mDropped;
    sBounds mBounds;
    // The message under way: frames so far, unless it is being dropped.
    // Each message's frames are kept in order with their data and sizes.
    zmsg_t* mpPartial = nullptr;
    std::vector<sFrameSlot> mSlots;      // mpPartial's frames so far
    zmsg_t* mpSpare = nullptr;           // a recycled message, for the next one
    std::vector<sFrameSlot> mSpareSlots; // its frames; empty: not known
    zmsg_t* mpHanded = nullptr;          // the message last handed over
    std::vector<sFrameSlot> mHandedSlots;
    bool mbMidMessage = false;
    bool mbDropping = false;
    long long mPartFrames = 0;
    long long mPartBytes = 0;
    unsigned long long mSeen = 0;
    std::vector<std::function<void()>> mDrainedActions;
    int mTaken = 0;
};
