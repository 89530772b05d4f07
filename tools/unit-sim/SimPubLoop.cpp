#include "tools/unit-sim/SimPubLoop.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "tools/unit-sim/SimRole.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cstdio>

namespace SimPub {

zsock_t* Bind(const std::string& endpoint) {
    if (endpoint.rfind("ipc://", 0) == 0)
        QDir().mkpath(QString::fromLocal8Bit(BusEndpoints::MqDir()));
    zsock_t* pSocket = zsock_new(ZMQ_PUB);
    if (!pSocket)
        return nullptr;
    zsock_set_linger(pSocket, 500); // let the last round leave before exit
    if (zsock_bind(pSocket, "%s", endpoint.c_str()) < 0) {
        std::fprintf(stderr, "unit-sim: cannot bind %s\n", endpoint.c_str());
        zsock_destroy(&pSocket);
        return nullptr;
    }
    Sim::Say(QStringLiteral("bound PUB %1").arg(QString::fromStdString(endpoint)));
    return pSocket;
}

void Send(zsock_t* pSocket, const char* pTopic, const QByteArray& json) {
    const bool bSent =
        zstr_sendm(pSocket, pTopic) == 0 && zstr_send(pSocket, json.constData()) == 0;
    Sim::Say(QStringLiteral("%1 %2 %3 %4")
                 .arg(Sim::NowMs())
                 .arg(bSent ? QStringLiteral("sent") : QStringLiteral("FAILED"),
                      QString::fromLatin1(pTopic), QString::fromUtf8(json)));
}

namespace {
// Sleeps in small steps so SIGINT ends the wait promptly.
void Pause(int iMs) {
    for (int waited = 0; waited < iMs && !Sim::Stopping(); waited += 20)
        QThread::msleep(20);
}
} // namespace

void AddLoopOptions(QCommandLineParser& parser) {
    Sim::AddFlag(parser, QStringLiteral("repeat"),
                 QStringLiteral("Publish until stopped instead of 4 times over 1.5 s."));
    Sim::AddValue(parser, QStringLiteral("interval"), QStringLiteral("MS"),
                  QStringLiteral("Period of --repeat (default 1000)."), QStringLiteral("1000"));
}

int Run(zsock_t* pSocket, const QCommandLineParser& args, const std::function<void()>& round) {
    if (!pSocket)
        return 1;
    if (args.isSet(QStringLiteral("repeat"))) {
        const int iInterval = qMax(10, args.value(QStringLiteral("interval")).toInt());
        while (!Sim::Stopping()) {
            round();
            Pause(iInterval);
        }
    } else {
        for (int i = 0; i < 4 && !Sim::Stopping(); ++i) {
            if (i > 0)
                Pause(500);
            round();
        }
    }
    const std::string endpoint = zsock_endpoint(pSocket) ? zsock_endpoint(pSocket) : "";
    zsock_destroy(&pSocket);
    // The socket file of an IPC bind can outlive a process that exits right
    // after closing; leave the directory as it was found.
    if (endpoint.rfind("ipc://", 0) == 0)
        QFile::remove(QString::fromStdString(endpoint.substr(6)));
    return 0;
}

} // namespace SimPub
