#pragma once

#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <functional>
#include <vector>

class QSocketNotifier;

// Reads a socket on the GUI thread when something arrives: a socket notifier
// on its descriptor wakes it, so an idle socket costs nothing. One run reads
// for a few milliseconds at most and hands each message over; the rest is
// read after the other events of the loop.
class cSocketReader : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cSocketReader)

public:
    static constexpr qint64 kReadBudgetMs = 4;
    // Takes each message read; owns it from then on.
    using Receiver = std::function<void(zmsg_t* pMessage)>;

    explicit cSocketReader(QObject* parent = nullptr);
    ~cSocketReader() override;

    // Starts reading the socket, which stays the caller's; false when the
    // notifier cannot be wired.
    bool Watch(zsock_t* pSocket, Receiver receiver);
    // Stops reading; must come before the socket is destroyed.
    void Stop();
    bool Watching() const { return mpSocket != nullptr; }

    // Reads again once the other events waiting have had their turn, or
    // after a wait; reads asked for meanwhile are one.
    void ReadSoon(int iWaitMs = 0) { mReadOn.start(iWaitMs); }
    bool ReadPending() const { return mReadOn.isActive(); }
    // Messages taken by the last run.
    int LastRunTaken() const { return mTaken; }

    // Runs the action at the first moment the socket holds no message, not
    // even the first frame of one: now, or at the end of the run that
    // empties it. Only then may a link of the socket be dropped: the bus
    // library aborts when a link goes while a message from it is half read.
    void WhenDrained(std::function<void()> action);

signals:
    // A run has ended, whether or not the socket is empty.
    void sigRunEnded();

private slots:
    void Read();

private:
    bool HasInput() const;
    void RunDrainedActions();

    zsock_t* mpSocket = nullptr;
    QSocketNotifier* mpNotifier = nullptr;
    QTimer mReadOn; // zero-time: the rest of what waits, after other events
    Receiver mReceiver;
    std::vector<std::function<void()>> mDrainedActions;
    int mTaken = 0;
};
