#include "tests/support/PublishUntil.h"

#include "tests/support/TestBus.h"

#include <QTest>

bool PublishUntil(QSignalSpy& spy, const std::function<void()>& publish, int timeoutMs) {
    if (!QTest::qWaitFor([&] { return publish(), spy.wait(250) || !spy.isEmpty(); }, timeoutMs))
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
