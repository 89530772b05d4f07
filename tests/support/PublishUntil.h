#pragma once

#include <QSignalSpy>

#include <functional>

// Publishes again and again until the spy has caught a signal: a SUB socket
// that has only just connected misses what went before. Then lets the extra
// copies go by and clears the spy, so a test can send the messages it really
// checks exactly once.
bool PublishUntil(QSignalSpy& spy, const std::function<void()>& publish, int timeoutMs = 15000);

// Runs the action with standard output captured and returns what it printed.
// The capture ends before the caller's checks, so their own failure messages
// still reach the console.
QByteArray CaptureStdout(const std::function<void()>& action);
