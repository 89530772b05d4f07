#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <sys/types.h>

// The few QProcess calls the suites use, on a plain posix_spawn: under
// qemu-user QProcess's pidfd clone is refused. When the suite runs on another
// architecture, BRISVEL_EMULATOR (space-separated) prefixes every child.
// Waiting keeps the caller's event loop turning; killed on destruction.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void setProcessEnvironment(const QProcessEnvironment& env) { mEnv = env; }
    void setProgram(const QString& program) { mProgram = program; }
    void setArguments(const QStringList& arguments) { mArguments = arguments; }
    QString program() const { return mProgram; }
    QStringList arguments() const { return mArguments; }

    void start(const QString& program, const QStringList& arguments);
    void start();
    bool waitForStarted(int = 0) const { return mPid > 0; }
    bool waitForFinished(int timeoutMs = 30000);
    bool waitForReadyRead(int timeoutMs = 30000);
    QProcess::ProcessState state();
    QProcess::ExitStatus exitStatus() const;
    int exitCode() const;
    qint64 processId() const { return mPid; }
    void kill();
    void terminate();

    QByteArray readAllStandardOutput();
    QByteArray readAllStandardError();

private:
    void Drain();

    QProcessEnvironment mEnv = QProcessEnvironment::systemEnvironment();
    QString mProgram;
    QStringList mArguments;
    pid_t mPid = -1;
    int mStatus = 0;
    bool mbFinished = false;
    int mFds[2] = {-1, -1};
    QByteArray mBuffers[2];
};
