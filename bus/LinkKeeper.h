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
//   when a drop is followed neither by the library's retry nor by a new
//   link, the keeper asks for a rejoin;
// - a peer that takes every link and drops it at once is joined again at
//   the library's shortest interval, five to ten times a second: when links
//   drop in quick succession, the keeper asks to leave the endpoint at once
//   and to join it again after a rest that doubles up to a bound.
// Leaving and joining are the owner's, which does them only when its socket
// holds no half-read message.
class cLinkKeeper : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cLinkKeeper)

public:
    // How long a drop waits for the library's retry before it counts as one
    // the library will not mend.
    static constexpr int kRetryWaitMs = 500;
    // Drops closer together than this are a flapping peer.
    static constexpr qint64 kFlapWindowMs = 2000;
    static constexpr int kRestMinMs = 500;
    // A good peer that takes a flapping one's place is heard within this.
    static constexpr int kRestMaxMs = 1500;

    explicit cLinkKeeper(QObject* parent = nullptr);
    ~cLinkKeeper() override;

    // Starts watching the socket's links; false when its monitor cannot be made.
    bool Watch(zsock_t* pSocket, std::function<void()> leave, std::function<void()> join);
    // Must come before the socket is destroyed.
    void Stop();
    bool Watching() const { return mpMonitor != nullptr; }

private:
    void ReadEvents();
    void OnDropped();
    void CheckMended();

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
};
