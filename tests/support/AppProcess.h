#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <czmq.h>
#include <signal.h>
#include <sys/types.h>

// A program (by default the built visualiser) started against the test's bus
// directory, on a plain posix_spawn: under qemu-user
// QProcess's pidfd clone is refused, and BRISVEL_EMULATOR (space-separated)
// prefixes the program. Waits keep the event loop turning; killed on destruction.
class AppProcess {
public:
    explicit AppProcess(const QString& mqDir, const QStringList& arguments = {},
                        const QString& program = qEnvironmentVariable("BRISVEL_APP"));
    ~AppProcess(); // a copy would kill the child twice: the directory member forbids it

    bool Start();
    // Waits until standard output holds the line; for an empty one, until the exit.
    bool WaitForLine(const QByteArray& line, int timeoutMs = 10000);
    // SIGINT from a terminal, SIGTERM from a service manager or kill.
    bool Interrupt(int iSignal = SIGINT) { return Running() && ::kill(mPid, iSignal) == 0; }
    bool WaitForExit(int timeoutMs = 10000) { return WaitForLine({}, timeoutMs); }
    bool Running();
    int ExitCode() const; // -1 unless it exited by itself
    qint64 Pid() const { return mPid; }

    QByteArray Stdout() const { return Read(1); }
    QByteArray Stderr() const { return Read(2); }

private:
    QString Output(int fd) const { return mFiles.filePath(fd == 1 ? "out" : "err"); }
    QByteArray Read(int fd) const;

    QTemporaryDir mFiles; // what the child writes on its standard streams
    QStringList mArgv;
    QStringList mEnv;
    pid_t mPid = -1;
    int mStatus = 0;
    bool mbFinished = false;
};

// One message from the socket as its frames; empty when none came in time.
// Keeps the event loop turning meanwhile.
QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs = 2000);
