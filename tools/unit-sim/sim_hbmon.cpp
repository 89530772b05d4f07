// hbmon: stands in for the heartbeat monitor. Pulls heartbeats and requests
// and prints each with its arrival time; publishes system updates and
// forwarded application commands on demand.
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QStringList>

#include <czmq.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

void RemoveSocketFile(const char* pName) {
    std::remove((std::string(BusEndpoints::MqDir()) + "/" + pName).c_str());
}

const char* const kPullSocket = "hbMonPullMq.ipc";
const char* const kPubSocket = "hbMonPubMq.ipc";

std::string UpdateJson(const QString& message) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("Task");
    writer.String("Check");
    writer.Key("VersionOnUnit");
    writer.StartObject();
    writer.Key("Version");
    writer.String("1.4.0");
    writer.Key("VersionFloat");
    writer.Double(1.4);
    writer.EndObject();
    writer.Key("passcode");
    writer.Int(0);
    if (!message.isEmpty()) {
        writer.Key("Message");
        writer.String(message.toStdString());
    }
    writer.Key("AvailablePackages");
    writer.StartArray();
    writer.StartObject();
    writer.Key("PackageDesc");
    writer.String("Front panel applications");
    writer.Key("PackageFileName");
    writer.String("frontpanel-1.5.0.pkg");
    writer.Key("PackageVersion");
    writer.String("1.5.0");
    writer.EndObject();
    writer.EndArray();
    writer.EndObject();
    return buffer.GetString();
}

void Publish(zsock_t* pPub, const char* pTopic, const std::string& json) {
    zstr_sendm(pPub, pTopic);
    zstr_send(pPub, json.c_str());
    Sim::Say(QStringLiteral("%1 sent %2 %3").arg(Sim::NowMs()).arg(pTopic, json.c_str()));
}

void PublishCommand(zsock_t* pPub, int iCommand) {
    Publish(pPub, "HbAppCmd", "{\"Command\":" + std::to_string(iCommand) + "}");
}

// Handles one stdin line: "update TEXT" or "cmd N".
void Command(zsock_t* pPub, const QString& line) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1String("update"))) {
        Publish(pPub, "SiSystemUpdate", UpdateJson(trimmed.mid(6).trimmed()));
    } else if (trimmed.startsWith(QLatin1String("cmd "))) {
        bool ok = false;
        const int command = trimmed.mid(4).trimmed().toInt(&ok);
        if (ok)
            PublishCommand(pPub, command);
        else
            Sim::Say(QStringLiteral("hbmon: 'cmd' needs a number"));
    } else if (!trimmed.isEmpty()) {
        Sim::Say(QStringLiteral("hbmon: commands are 'update TEXT' and 'cmd N'"));
    }
}

void Options(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("update-message"), QStringLiteral("TEXT"),
                  QStringLiteral("Send a \"SiSystemUpdate\" carrying TEXT once."));
    Sim::AddValue(parser, QStringLiteral("command"), QStringLiteral("N"),
                  QStringLiteral("Send \"HbAppCmd\" {\"Command\": N} once."));
    Sim::AddValue(parser, QStringLiteral("after"), QStringLiteral("MS"),
                  QStringLiteral("When to send those, after start (default 2000)."),
                  QStringLiteral("2000"));
}

int Run(const QCommandLineParser& args) {
    zsock_t* pPull = zsock_new(ZMQ_PULL);
    zsock_t* pPub = zsock_new(ZMQ_PUB);
    if (!pPull || !pPub)
        return 1;
    zsock_set_linger(pPub, 0);
    const std::string pullEndpoint = BusEndpoints::Ipc(kPullSocket);
    const std::string pubEndpoint = BusEndpoints::Ipc(kPubSocket);
    if (zsock_bind(pPull, "%s", pullEndpoint.c_str()) < 0 ||
        zsock_bind(pPub, "%s", pubEndpoint.c_str()) < 0) {
        std::fprintf(stderr, "hbmon: cannot bind %s or %s\n", pullEndpoint.c_str(),
                     pubEndpoint.c_str());
        zsock_destroy(&pPull);
        zsock_destroy(&pPub);
        return 1;
    }
    Sim::Say(QStringLiteral("hbmon: pulling on %1, publishing on %2")
                 .arg(pullEndpoint.c_str(), pubEndpoint.c_str()));

    // Subscribers drop what a publisher sends before they join, so the
    // one-shot messages of the options leave after a delay.
    const QString message = args.value(QStringLiteral("update-message"));
    const QString command = args.value(QStringLiteral("command"));
    const qint64 sendAt = Sim::NowMs() + args.value(QStringLiteral("after")).toLong();
    bool pending = !message.isEmpty() || !command.isEmpty();

    qint64 previous = 0;
    bool stdinOpen = true;
    while (!Sim::Stopping()) {
        zmq_pollitem_t items[] = {{zsock_resolve(pPull), 0, ZMQ_POLLIN, 0},
                                  {nullptr, STDIN_FILENO, ZMQ_POLLIN, 0}};
        const int count = stdinOpen ? 2 : 1;
        if (zmq_poll(items, count, 100) < 0)
            continue; // interrupted, e.g. by the stop signal
        if (pending && Sim::NowMs() >= sendAt) {
            pending = false;
            if (!message.isEmpty())
                Publish(pPub, "SiSystemUpdate", UpdateJson(message));
            if (!command.isEmpty())
                PublishCommand(pPub, command.toInt());
        }
        if (items[0].revents & ZMQ_POLLIN) {
            zmsg_t* pMessage = zmsg_recv(pPull);
            if (pMessage) {
                const qint64 now = Sim::NowMs();
                QStringList frames;
                for (char* pFrame = zmsg_popstr(pMessage); pFrame; pFrame = zmsg_popstr(pMessage)) {
                    frames << QString::fromUtf8(pFrame);
                    zstr_free(&pFrame);
                }
                zmsg_destroy(&pMessage);
                Sim::Say(QStringLiteral("%1 +%2ms %3")
                             .arg(now)
                             .arg(previous ? now - previous : 0)
                             .arg(frames.join(QLatin1Char(' '))));
                previous = now;
            }
        }
        if (count > 1 && (items[1].revents & (ZMQ_POLLIN | ZMQ_POLLERR))) {
            char line[1024];
            if (std::fgets(line, sizeof line, stdin))
                Command(pPub, QString::fromUtf8(line));
            else
                stdinOpen = false;
        }
    }
    zsock_destroy(&pPull);
    zsock_destroy(&pPub);
    // The bus library leaves the socket file of a bound socket behind.
    RemoveSocketFile(kPullSocket);
    RemoveSocketFile(kPubSocket);
    return 0;
}

SimRoleRegistration gRegistration{
    "hbmon",
    {"heartbeat monitor: prints heartbeats, publishes system updates and app commands",
     "Pulls on hbMonPullMq.ipc and prints each heartbeat or request with its\n"
     "arrival time (ms since epoch) and the gap to the previous one.\n"
     "Publishes on hbMonPubMq.ipc: --update-message sends a \"SiSystemUpdate\"\n"
     "carrying TEXT, --command sends \"HbAppCmd\" {\"Command\": N} (100 makes the\n"
     "visualiser quit), both once, MS after start (default 2000).\n"
     "Commands on stdin: 'update TEXT' (TEXT may be empty) and 'cmd N'.",
     Options, Run}};

} // namespace
