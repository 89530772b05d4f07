#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <functional>

class QSocketNotifier;

// Keeps a connecting socket's link to its peer. The bus library makes a
// dropped link again by itself, backing off while the peer is away; two
// cases it gets wrong are the keeper's:
// - a peer that sent an oversize frame is dropped and never joined again:
//   when a drop is not followed by a new link within kRetryWaitMs, the
//   keeper asks for a rejoin (also when the library is retrying an absent
//   peer, which a rejoin does no harm: its retries are not watched);
// - a peer that takes every link and drops it at once is joined again at
//   the library's shortest interval, five to ten times a second: when links
//   drop in quick succession, the keeper asks to leave the endpoint at once
//   and to join it again after a rest that doubles up to a bound.
// - a TCP peer whose message never ends: the bus library passes a message on
//   only once all of it has come, and holds what has come so far without
//   bound. When a TCP link brings more than the inflow bound while its
//   socket holds no whole message, and no message has gone by since the
//   last look, the keeper cuts it and joins again after a rest.
// Leaving and joining are the owner's, which does them only when its socket
// holds no half-read message.
class cLinkKeeper : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cLinkKeeper)

public:
    // How long a drop waits for a new link before it counts as one the
    // library will not mend.
    static constexpr int kRetryWaitMs = 500;
    // Drops closer together than this are a flapping peer.
    static constexpr qint64 kFlapWindowMs = 2000;
    static constexpr int kRestMinMs = 500;
    // A good peer that takes a flapping one's place is heard within this.
    static constexpr int kRestMaxMs = 1500;

    explicit cLinkKeeper(QObject* parent = nullptr);
    ~cLinkKeeper() override;

    // Looks at a TCP link's inflow this often; a new link first after
    // kFirstLookMs, then at kQuickLookMs for kQuickLooks looks, and so while
    // a message is under way: a peer that floods a link the moment it is
    // made is cut before it has sent much.
    static constexpr int kLookMs = 1000;
    static constexpr int kFirstLookMs = 5;
    static constexpr int kQuickLookMs = 20;
    static constexpr int kQuickLooks = 10;
    // Heartbeats and their answers come without making a message: this much
    // a second is let by.
    static constexpr long long kAllowancePerS = 128;
    // Inflow beyond the allowance this long without a whole message is a
    // message that never ends, however slowly it comes.
    static constexpr qint64 kEndlessMs = 5000;

    // What the owner's socket tells the keeper's inflow check.
    struct sSocketState {
        std::function<bool()> holdsInput;         // a whole message waits, or part of one
        std::function<unsigned long long()> seen; // whole messages gone by so far
    };

    // Starts watching the socket's links; false when its monitor cannot be made.
    bool Watch(zsock_t* pSocket, std::function<void()> leave, std::function<void()> join);
    // Bounds what a TCP link may bring while no whole message comes of it;
    // -1 (the default) leaves it unwatched. Call before Watch.
    void SetInflowBound(long long iBytes, sSocketState state);
    // The owner's socket held nothing: inflow counts from here.
    void NoteDrained();
    // The owner found the link faulty: it is left at once and joined again
    // after a rest, longer for cuts in quick succession.
    void Cut();
    // A link to the peer is up, as the socket's monitor last said.
    bool Linked() const { return mLinks > 0; }

    // Must come before the socket is destroyed.
    void Stop();
    bool Watching() const { return mpMonitor != nullptr; }

signals:
    // A link was cut for bringing more than the bound without a whole message.
    void sigCut(long long iBytes);
    // A link has gone; what the bus library held for it is freed.
    void sigDropped();

private:
    void ReadEvents();
    // Counts a drop; true when it came soon after the one before (a flapping
    // peer), else the next rest starts at its shortest again.
    bool NoteDrop();
    void OnDropped();
    void CheckMended();
    void LookAtInflow();
    void LookIn(int iMs);
    void Rest();
    long long BytesIn() const;

    zsock_t* mpSocket = nullptr;
    zsock_t* mpMonitor = nullptr;
    QSocketNotifier* mpNotifier = nullptr;
    std::function<void()> mLeave;
    std::function<void()> mJoin;
    QTimer mCheck; // has the library mended the drop?
    QTimer mRest;  // a flapping peer's rest is over
    QElapsedTimer mSinceDrop;
    int mRestMs = 0;
    bool mbMended = false;
    int mLinks = 0;

    // Inflow of the TCP link, from its descriptor as the monitor gives it.
    long long mInflowBound = -1;
    sSocketState mState;
    int mLinkFd = -1;
    long long mDrainedIn = -1; // bytes in when the socket last held nothing
    QElapsedTimer mSinceDrained;
    unsigned long long mSeenAtLook = 0;
    int mQuickLooksLeft = 0;
    QTimer mLook;
};
