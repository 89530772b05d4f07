#include "support/BusReceive.h"

#include <QCoreApplication>
#include <QElapsedTimer>

QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs) {
    QList<QByteArray> frames;
    QElapsedTimer timer;
    timer.start();
    zmsg_t* pMessage = nullptr;
    zsock_set_rcvtimeo(pSocket, 20);
    while (!pMessage && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        pMessage = zmsg_recv(pSocket);
    }
    if (!pMessage)
        return frames;
    for (zframe_t* pFrame = zmsg_first(pMessage); pFrame; pFrame = zmsg_next(pMessage))
        frames.append(QByteArray(reinterpret_cast<const char*>(zframe_data(pFrame)),
                                 static_cast<qsizetype>(zframe_size(pFrame))));
    zmsg_destroy(&pMessage);
    return frames;
}
