#include "tests/support/AppProcess.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTest>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

AppProcess::AppProcess(const QString& mqDir, const QStringList& arguments, const QString& program) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISVEL_MQ_DIR"),
               mqDir); // ctest gives the loopback and headless rest
    mEnv = env.toStringList();
    if (!program.isEmpty())
        mArgv = qEnvironmentVariable("BRISVEL_EMULATOR").split(' ', Qt::SkipEmptyParts)
                << program << arguments;
}

AppProcess::~AppProcess() {
    if (Running() && ::kill(mPid, SIGKILL) == 0)
        WaitForExit(5000);
}

bool AppProcess::Start() {
    std::vector<QByteArray> store; // moves keep each text's buffer where it is
    const auto cStrings = [&store](const QStringList& texts) {
        std::vector<char*> pointers;
        for (const QString& text : texts)
            pointers.push_back(store.emplace_back(text.toLocal8Bit()).data());
        pointers.push_back(nullptr);
        return pointers;
    };
    std::vector<char*> pArgv = cStrings(mArgv), pEnv = cStrings(mEnv);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, Output(fd).toLocal8Bit().constData(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (mArgv.isEmpty() ||
        posix_spawnp(&mPid, pArgv[0], &actions, nullptr, pArgv.data(), pEnv.data()) != 0)
        mPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return mPid > 0;
}

QByteArray AppProcess::Read(int fd) const {
    QFile file(Output(fd));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    return QTest::qWaitFor([&] { return done() || !Running(); }, timeoutMs) && done();
}

QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs) {
    QList<QByteArray> frames;
    zmsg_t* pMessage = nullptr;
    zsock_set_rcvtimeo(pSocket, 20);
    if (QTest::qWaitFor([&] { return (pMessage = zmsg_recv(pSocket)) != nullptr; }, timeoutMs))
        for (zframe_t* p = zmsg_first(pMessage); p; p = zmsg_next(pMessage))
            frames << QByteArray(reinterpret_cast<const char*>(zframe_data(p)),
                                 int(zframe_size(p)));
    zmsg_destroy(&pMessage);
    return frames;
}
