#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

ChildProcess::~ChildProcess() {
    if (state() != QProcess::NotRunning) {
        kill();
        waitForFinished(5000);
    }
    for (int fd : mFds)
        if (fd >= 0)
            close(fd);
}

void ChildProcess::start(const QString& program, const QStringList& arguments) {
    mProgram = program;
    mArguments = arguments;
    start();
}

void ChildProcess::start() {
    QStringList argv = qEnvironmentVariable("BRISVEL_EMULATOR").split(' ', Qt::SkipEmptyParts);
    argv << mProgram << mArguments;
    std::vector<QByteArray> argStore, envStore;
    for (const QString& text : argv)
        argStore.push_back(text.toLocal8Bit());
    for (const QString& text : mEnv.toStringList())
        envStore.push_back(text.toLocal8Bit());
    std::vector<char*> pArgv, pEnv;
    for (QByteArray& text : argStore)
        pArgv.push_back(text.data());
    for (QByteArray& text : envStore)
        pEnv.push_back(text.data());
    pArgv.push_back(nullptr);
    pEnv.push_back(nullptr);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, pArgv[0], &actions, nullptr, pArgv.data(), pEnv.data()) == 0)
        mPid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    mFds[0] = out[0];
    mFds[1] = err[0];
    for (int fd : mFds)
        fcntl(fd, F_SETFL, O_NONBLOCK);
}

void ChildProcess::Drain() {
    char chunk[4096];
    for (int i = 0; i < 2; ++i) {
        ssize_t got = 0;
        while (mFds[i] >= 0 && (got = read(mFds[i], chunk, sizeof chunk)) > 0)
            mBuffers[i].append(chunk, got);
    }
}

bool ChildProcess::waitForReadyRead(int timeoutMs) {
    pollfd fds[2] = {{mFds[0], POLLIN, 0}, {mFds[1], POLLIN, 0}};
    const bool ready = poll(fds, 2, timeoutMs) > 0;
    Drain();
    return ready;
}

QProcess::ProcessState ChildProcess::state() {
    if (mPid <= 0 || mbFinished)
        return QProcess::NotRunning;
    if (waitpid(mPid, &mStatus, WNOHANG) == mPid)
        mbFinished = true;
    return mbFinished ? QProcess::NotRunning : QProcess::Running;
}

bool ChildProcess::waitForFinished(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (state() == QProcess::Running) {
        if (timer.elapsed() > timeoutMs)
            return false;
        waitForReadyRead(20);
        QCoreApplication::processEvents();
    }
    Drain();
    return mPid > 0;
}

QProcess::ExitStatus ChildProcess::exitStatus() const {
    return mbFinished && WIFEXITED(mStatus) ? QProcess::NormalExit : QProcess::CrashExit;
}

int ChildProcess::exitCode() const {
    return mbFinished && WIFEXITED(mStatus) ? WEXITSTATUS(mStatus) : -1;
}

void ChildProcess::kill() {
    if (mPid > 0 && !mbFinished)
        ::kill(mPid, SIGKILL);
}

void ChildProcess::terminate() {
    if (mPid > 0 && !mbFinished)
        ::kill(mPid, SIGTERM);
}

QByteArray ChildProcess::readAllStandardOutput() {
    Drain();
    return std::exchange(mBuffers[0], {});
}

QByteArray ChildProcess::readAllStandardError() {
    Drain();
    return std::exchange(mBuffers[1], {});
}
