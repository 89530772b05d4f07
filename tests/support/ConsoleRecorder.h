#pragma once

#include <QByteArray>

#include <cstdio>

// Records what the process writes on fd 1 or 2 while the object lives, and
// can be read as often as needed while writing goes on: reads never move
// the shared file offset, so later lines are appended, never overwritten.
class ConsoleRecorder {
public:
    explicit ConsoleRecorder(int fd = 1);
    ~ConsoleRecorder();
    ConsoleRecorder(const ConsoleRecorder&) = delete;
    ConsoleRecorder& operator=(const ConsoleRecorder&) = delete;

    QByteArray Text() const;
    // Turns the event loop until the text shows up; false after the timeout.
    bool WaitFor(const QByteArray& text, int timeoutMs = 5000) const;

private:
    int mFd;
    int mSaved = -1;
    FILE* mpFile = nullptr;
};
