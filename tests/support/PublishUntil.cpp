#include "support/PublishUntil.h"

#include "support/TestBus.h"

#include <QElapsedTimer>

bool PublishUntil(QSignalSpy& spy, const std::function<void()>& publish, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (spy.isEmpty() && timer.elapsed() < timeoutMs) {
        publish();
        spy.wait(250);
    }
    if (spy.isEmpty())
        return false;
    while (spy.wait(400))
        spy.clear();
    spy.clear();
    return true;
}

QByteArray CaptureStdout(const std::function<void()>& action) {
    ConsoleCapture console(1);
    action();
    return console.Text();
}
