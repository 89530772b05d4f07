#include "support/AppProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

AppProcess::AppProcess(const QString& mqDir, const QStringList& arguments, const QString& program) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISVEL_MQ_DIR"), mqDir);
    env.insert(QStringLiteral("BRISVEL_DECODER_ADDR"), QStringLiteral("127.0.0.1"));
    env.insert(QStringLiteral("BRISVEL_UNIT_ADDR"), QStringLiteral("127.0.0.1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    mEnv = env.toStringList();
    if (!program.isEmpty())
        mArgv = qEnvironmentVariable("BRISVEL_EMULATOR").split(' ', Qt::SkipEmptyParts)
                << program << arguments;
}

AppProcess::~AppProcess() {
    if (Running()) {
        ::kill(mPid, SIGKILL);
        WaitForExit(5000);
    }
    for (int fd : mFds)
        if (fd >= 0)
            close(fd);
}

bool AppProcess::Start() {
    std::vector<QByteArray> store;
    const auto cStrings = [&store](const QStringList& texts) {
        std::vector<char*> pointers;
        for (const QString& text : texts)
            pointers.push_back(store.emplace_back(text.toLocal8Bit()).data());
        pointers.push_back(nullptr);
        return pointers;
    };
    std::vector<char*> pArgv = cStrings(mArgv), pEnv = cStrings(mEnv);
    int out[2], err[2];
    if (mArgv.isEmpty() || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (posix_spawnp(&mPid, pArgv[0], &actions, nullptr, pArgv.data(), pEnv.data()) != 0)
        mPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    mFds[0] = out[0];
    mFds[1] = err[0];
    for (int fd : mFds)
        fcntl(fd, F_SETFL, O_NONBLOCK);
    return mPid > 0;
}

QByteArray AppProcess::Stdout() {
    char chunk[4096];
    for (int i = 0; i < 2; ++i)
        for (ssize_t got = 0; mFds[i] >= 0 && (got = read(mFds[i], chunk, sizeof chunk)) > 0;)
            mBuffers[i].append(chunk, got);
    return mBuffers[0];
}

QByteArray AppProcess::Stderr() {
    Stdout();
    return mBuffers[1];
}

bool AppProcess::Running() {
    if (mPid > 0 && !mbFinished && waitpid(mPid, &mStatus, WNOHANG) == mPid)
        mbFinished = true;
    return mPid > 0 && !mbFinished;
}

int AppProcess::ExitCode() const {
    return mbFinished && WIFEXITED(mStatus) ? WEXITSTATUS(mStatus) : -1;
}

bool AppProcess::WaitForLine(const QByteArray& line, int timeoutMs) {
    const auto done = [&] { return line.isEmpty() ? !Running() : Stdout().contains(line + '\n'); };
    QElapsedTimer timer;
    timer.start();
    while (!done() && Running() && timer.elapsed() < timeoutMs) {
        pollfd fds[2] = {{mFds[0], POLLIN, 0}, {mFds[1], POLLIN, 0}};
        poll(fds, 2, 20);
        QCoreApplication::processEvents();
    }
    return done();
}

bool AppProcess::Interrupt(int iSignal) {
    return Running() && ::kill(mPid, iSignal) == 0;
}

bool AppProcess::WaitForExit(int timeoutMs) {
    return WaitForLine({}, timeoutMs);
}

QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs) {
    QList<QByteArray> frames;
    QElapsedTimer timer;
    timer.start();
    zmsg_t* pMessage = nullptr;
    zsock_set_rcvtimeo(pSocket, 20);
    while (!pMessage && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        pMessage = zmsg_recv(pSocket);
    }
    for (zframe_t* p = pMessage ? zmsg_first(pMessage) : nullptr; p; p = zmsg_next(pMessage))
        frames.append(
            QByteArray(reinterpret_cast<const char*>(zframe_data(p)), int(zframe_size(p))));
    zmsg_destroy(&pMessage);
    return frames;
}
