#include "tests/support/TestBus.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QFile>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

TestBusEnvironment::TestBusEnvironment()
    : mDir(QDir::tempPath() + QStringLiteral("/brisvel-XXXXXX")) {
    BusEndpoints::InitRuntime();
    setenv("BRISVEL_MQ_DIR", mDir.path().toLocal8Bit().constData(), 1);
    setenv("BRISVEL_DECODER_ADDR", "127.0.0.1", 1);
    setenv("BRISVEL_UNIT_ADDR", "127.0.0.1", 1);
}

TestBusEnvironment::~TestBusEnvironment() {
    unsetenv("BRISVEL_MQ_DIR");
}

ConsoleCapture::ConsoleCapture(int fd) : mFd(fd) {
    std::fflush(fd == 1 ? stdout : stderr);
    mpFile = std::tmpfile();
    mSaved = dup(fd);
    dup2(fileno(mpFile), fd);
}

ConsoleCapture::~ConsoleCapture() {
    std::fflush(mFd == 1 ? stdout : stderr);
    dup2(mSaved, mFd);
    close(mSaved);
    std::fclose(mpFile);
}

QByteArray ConsoleCapture::Text() {
    std::fflush(mFd == 1 ? stdout : stderr);
    // A file of its own: the captured stream keeps writing at its end meanwhile.
    QFile file(QStringLiteral("/proc/self/fd/%1").arg(fileno(mpFile)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ZsockPtr BindSocket(int type, const std::string& endpoint) {
    BusEndpoints::InitRuntime();
    zsock_t* pSocket = zsock_new(type);
    if (!pSocket)
        return nullptr;
    // Not 0: libzmq 4.3 aborts when a peer drops while a socket closed with no
    // linger is half way through sending a multi-frame message, which is what
    // happens when a test's publisher and subscriber go at once.
    zsock_set_linger(pSocket, 100);
    // A fixed port stays taken a little after the socket that held it is closed.
    for (int attempt = 0; zsock_bind(pSocket, "%s", endpoint.c_str()) < 0; ++attempt) {
        if (attempt == 50) {
            std::fprintf(stderr, "test: cannot bind %s\n", endpoint.c_str());
            zsock_destroy(&pSocket);
            return nullptr;
        }
        QThread::msleep(100);
    }
    return ZsockPtr(pSocket);
}

QByteArray CaptureStdout(const std::function<void()>& action) {
    ConsoleCapture console(1);
    action();
    return console.Text();
}
