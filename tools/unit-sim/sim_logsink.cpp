// logsink: stands in for the unit's logger sink and prints every record.
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <czmq.h>
#include <rapidjson/document.h>

#include <cstdio>
#include <string>

namespace {

void RemoveSocketFile(const char* pName) {
    std::remove((std::string(BusEndpoints::MqDir()) + "/" + pName).c_str());
}

const char* const kSinkSocket = "loggerSinkMq.ipc";

// "LEVEL name message" for a well-formed record, the raw text otherwise.
QString Describe(const char* pRecord) {
    rapidjson::Document record;
    record.Parse(pRecord);
    if (record.HasParseError() || !record.IsObject() || !record.HasMember("Message") ||
        !record["Message"].IsString())
        return QStringLiteral("(raw) %1").arg(QString::fromUtf8(pRecord));
    const int level =
        record.HasMember("Level") && record["Level"].IsInt() ? record["Level"].GetInt() : -1;
    const bool notification =
        record.HasMember("MsgType") && record["MsgType"].IsInt() && record["MsgType"].GetInt() == 1;
    QString text = QStringLiteral("%1 level %2: %3")
                       .arg(notification ? QStringLiteral("notification") : QStringLiteral("log"))
                       .arg(level)
                       .arg(QString::fromUtf8(record["Message"].GetString()));
    if (record.HasMember("Title") && record["Title"].IsString())
        text += QStringLiteral(" [title: %1]").arg(QString::fromUtf8(record["Title"].GetString()));
    return text;
}

void Options(QCommandLineParser& parser) {
    Sim::AddFlag(parser, QStringLiteral("raw"), QStringLiteral("Print the JSON as received."));
}

int Run(const QCommandLineParser& args) {
    const bool raw = args.isSet(QStringLiteral("raw"));
    zsock_t* pPull = zsock_new(ZMQ_PULL);
    if (!pPull)
        return 1;
    const std::string endpoint = BusEndpoints::Ipc(kSinkSocket);
    if (zsock_bind(pPull, "%s", endpoint.c_str()) < 0) {
        std::fprintf(stderr, "logsink: cannot bind %s\n", endpoint.c_str());
        zsock_destroy(&pPull);
        return 1;
    }
    zsock_set_rcvtimeo(pPull, 100);
    Sim::Say(QStringLiteral("logsink: pulling on %1").arg(endpoint.c_str()));
    while (!Sim::Stopping()) {
        char* pRecord = zstr_recv(pPull);
        if (!pRecord)
            continue;
        Sim::Say(QStringLiteral("%1 %2")
                     .arg(Sim::NowMs())
                     .arg(raw ? QString::fromUtf8(pRecord) : Describe(pRecord)));
        zstr_free(&pRecord);
    }
    zsock_destroy(&pPull);
    // The bus library leaves the socket file of a bound socket behind.
    RemoveSocketFile(kSinkSocket);
    return 0;
}

SimRoleRegistration gRegistration{
    "logsink",
    {"logger sink: prints every log record the visualiser sends",
     "Pulls on loggerSinkMq.ipc and prints each record with its arrival time\n"
     "(ms since epoch).",
     Options, Run}};

} // namespace
