#include "support/ConsoleRecorder.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

ConsoleRecorder::ConsoleRecorder(int fd) : mFd(fd) {
    std::fflush(fd == 1 ? stdout : stderr);
    mpFile = std::tmpfile();
    mSaved = dup(fd);
    dup2(fileno(mpFile), fd);
}

ConsoleRecorder::~ConsoleRecorder() {
    std::fflush(mFd == 1 ? stdout : stderr);
    dup2(mSaved, mFd);
    close(mSaved);
    std::fclose(mpFile);
}

QByteArray ConsoleRecorder::Text() const {
    std::fflush(mFd == 1 ? stdout : stderr);
    struct stat info {};
    if (fstat(fileno(mpFile), &info) != 0 || info.st_size <= 0)
        return {};
    QByteArray text(static_cast<qsizetype>(info.st_size), '\0');
    const ssize_t n = pread(fileno(mpFile), text.data(), static_cast<size_t>(text.size()), 0);
    text.resize(n > 0 ? static_cast<qsizetype>(n) : 0);
    return text;
}

bool ConsoleRecorder::WaitFor(const QByteArray& text, int timeoutMs) const {
    QElapsedTimer timer;
    timer.start();
    while (!Text().contains(text)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}
