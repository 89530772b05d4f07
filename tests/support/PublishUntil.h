#pragma once

#include <QSignalSpy>

#include <functional>

// Publishes again and again until the spy has caught a signal or the time is
// up: a SUB socket that has only just connected misses what went before.
// Once it returns true the subscription is live, so a test can clear its
// spies and send the messages it really wants to check exactly once.
bool PublishUntil(QSignalSpy& spy, const std::function<void()>& publish, int timeoutMs = 15000);

// Processes events until the spy has seen no new signal for quietMs, so the
// extra copies PublishUntil may have sent are out of the way.
void DrainSignals(QSignalSpy& spy, int quietMs = 400);

// Runs the action with standard output captured and returns what it printed.
// The capture ends before the caller's checks, so their own failure messages
// still reach the console.
QByteArray CaptureStdout(const std::function<void()>& action);
