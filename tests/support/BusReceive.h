#pragma once

#include <QByteArray>
#include <QList>

#include <czmq.h>

// One message from the socket as its frames; empty when none came in time.
// Keeps the event loop turning meanwhile, for timer-driven senders and for
// collecting a child process's output.
QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs = 2000);
