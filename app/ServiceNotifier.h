#pragma once

#include <QByteArray>
#include <QObject>

// Tells the service manager that started the app (NOTIFY_SOCKET) how it is
// doing: ready, stopping, and a watchdog ping from the GUI thread's event loop
// within half the interval the manager gives (WATCHDOG_USEC, for this process
// only when WATCHDOG_PID says so), so a GUI thread that stops turning stops
// the pings and the manager restarts the app. Without NOTIFY_SOCKET it does
// nothing.
class cServiceNotifier : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cServiceNotifier)

public:
    explicit cServiceNotifier(QObject* parent = nullptr);
    ~cServiceNotifier() override;

    // READY=1 with the status line; the window is up and the subscribers run.
    void Ready(const char* pStatus);
    // STOPPING=1: a clean stop has begun, so the exit that follows is expected.
    void Stopping();
    // STATUS= with the text, sent only when it differs from the last one sent.
    void Status(const QString& text);
    // Whether a service manager listens; without one there is nothing to tell.
    bool Listened() const { return mFd >= 0; }

    // One message without an object, for a start that ends before the event
    // loop: said before the exit, the manager shows it with the failure.
    static void Tell(const QByteArray& state);

private:
    void Send(const QByteArray& state);

    int mFd = -1;
    QByteArray mAddress; // the socket's sockaddr_un, its length the address length
    bool mbFailureSaid = false;
    QByteArray mStatus;
};
