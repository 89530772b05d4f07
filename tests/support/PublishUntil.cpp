#include "support/PublishUntil.h"

#include "support/TestBus.h"

#include <QElapsedTimer>

bool PublishUntil(QSignalSpy& spy, const std::function<void()>& publish, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        publish();
        if (!spy.isEmpty() || spy.wait(250))
            return true;
    }
    return !spy.isEmpty();
}

void DrainSignals(QSignalSpy& spy, int quietMs) {
    qsizetype seen = -1;
    while (seen != spy.count()) {
        seen = spy.count();
        spy.wait(quietMs);
    }
}

QByteArray CaptureStdout(const std::function<void()>& action) {
    ConsoleCapture console(1);
    action();
    return console.Text();
}
