#pragma once

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <czmq.h>

#include <functional>
#include <memory>
#include <string>

// Points the process's bus at a fresh temporary IPC directory and at
// loopback for every TCP form, for the life of the object.
class TestBusEnvironment {
public:
    TestBusEnvironment();
    ~TestBusEnvironment();

    QString MqDir() const { return mDir.path(); }
    // "ipc://<dir>/<name>", the endpoint peers bind for a socket name.
    std::string Ipc(const char* pName) const { return BusEndpoints::Ipc(pName); }

private:
    QTemporaryDir mDir;
};

// Captures what the process writes on a standard stream (fd 1 or 2) while
// the object lives; Text() returns what was written so far.
class ConsoleCapture {
public:
    explicit ConsoleCapture(int fd = 1);
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    QByteArray Text();

private:
    int mFd;
    int mSaved = -1;
    FILE* mpFile = nullptr;
};

// A bound peer socket owned by a test, destroyed with it.
struct ZsockDeleter {
    void operator()(zsock_t* p) const { zsock_destroy(&p); }
};
using ZsockPtr = std::unique_ptr<zsock_t, ZsockDeleter>;

// Binds a socket of the type on the endpoint, waiting up to 5 s for a port
// still held by a closing socket; null (and a line on stderr) if it fails.
ZsockPtr BindSocket(int type, const std::string& endpoint);

// Runs the action with standard output captured and returns what it printed.
// The capture ends before the caller's checks, so their own failure messages
// still reach the console.
QByteArray CaptureStdout(const std::function<void()>& action);
