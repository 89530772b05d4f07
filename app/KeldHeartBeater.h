#pragma once

#include <QObject>

class QTimer;
class cHeartBeater;

// Drives the process's heartbeat from a one-second timer on the GUI thread.
class cKeldHeartbeater : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cKeldHeartbeater)

public:
    static constexpr int kPeriodMs = 1000;

    explicit cKeldHeartbeater(QObject* parent = nullptr);

    // Prepares the beat under the given name, connects to the monitor and
    // starts the timer; the first beat leaves one period later.
    void Init(const char* pName);

    bool IsRunning() const;
    // The monitor took the last beat.
    bool BeatTaken() const;

signals:
    // Each beat's tick, once a second: a wake-up the app already has.
    void sigTick();

public slots:
    void SendHeartbeat();

private:
    QTimer* mpTimer = nullptr;
    cHeartBeater* mpHeartBeater = nullptr; // the process singleton, not owned
};
