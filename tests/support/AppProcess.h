#pragma once

#include "support/ChildProcess.h"

#include <QStringList>

#include <csignal>

// The visualiser started as a real process against the test's bus directory
// and loopback, headless. Killed on destruction if a test left it running.
class AppProcess {
public:
    explicit AppProcess(const QString& mqDir, const QStringList& arguments = {});
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    bool Start();
    // Waits until standard output holds the line.
    bool WaitForLine(const QByteArray& line, int timeoutMs = 10000);
    // SIGINT from a terminal, SIGTERM from a service manager or kill.
    bool Interrupt(int iSignal = SIGINT);
    bool WaitForExit(int timeoutMs = 10000);

    QByteArray Stdout();
    QByteArray Stderr();
    ChildProcess& Process() { return mProcess; }

private:
    ChildProcess mProcess;
    QByteArray mOut;
    QByteArray mErr;
};
