#include "support/TestBus.h"

#include "BusEndpoints.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

std::string TestBusEnvironment::Ipc(const char* pName) const {
    return BusEndpoints::Ipc(pName);
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
    // pread leaves the file offset alone: the captured stream keeps writing
    // at its end while we read from the start.
    QByteArray text;
    char buffer[4096];
    off_t offset = 0;
    ssize_t n;
    while ((n = pread(fileno(mpFile), buffer, sizeof buffer, offset)) > 0) {
        text.append(buffer, static_cast<qsizetype>(n));
        offset += n;
    }
    return text;
}

ZsockPtr BindSocket(int type, const std::string& endpoint) {
    BusEndpoints::InitRuntime();
    zsock_t* pSocket = zsock_new(type);
    if (!pSocket)
        return nullptr;
    zsock_set_linger(pSocket, 0);
    if (zsock_bind(pSocket, "%s", endpoint.c_str()) < 0) {
        std::fprintf(stderr, "test: cannot bind %s\n", endpoint.c_str());
        zsock_destroy(&pSocket);
        return nullptr;
    }
    return ZsockPtr(pSocket);
}

bool SendTopic(zsock_t* pSocket, const char* pTopic, const char* pPayload) {
    return zstr_sendm(pSocket, pTopic) == 0 && zstr_send(pSocket, pPayload) == 0;
}

void SettleSubscription(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}
