// Role "peer": stands in for the peer front-panel application. It binds the
// peer's PUB socket (the visualiser connects to it) and publishes the peer's
// commands: one from the command line, or one per line read from stdin.
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <czmq.h>

#include <poll.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace {

const char* const kSocketName = "DoRiduyPub.ipc";
const char* const kDefaultApp = "RoVodirAzazodovir";

struct PeerMessage {
    QByteArray topic;
    QByteArray json;
};

QByteArray Compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// One command, as typed, to a topic and payload. False with a reason when
// the command is not understood.
bool BuildMessage(const QStringList& words, const QString& appName, PeerMessage* pMessage,
                  QString* pError) {
    const QString verb = words.value(0);
    const QString arg = words.mid(1).join(QLatin1Char(' '));
    bool bNumber = false;
    const int iValue = arg.toInt(&bNumber);
    if (verb == QLatin1String("show") || verb == QLatin1String("hide")) {
        pMessage->topic = "Switch";
        pMessage->json = Compact({{QStringLiteral("Show"), verb == QLatin1String("show")},
                                  {QStringLiteral("AppName"), appName}});
    } else if (verb == QLatin1String("view") && !arg.isEmpty()) {
        QString view = arg;
        if (arg == QLatin1String("top"))
            view = QStringLiteral("Top View");
        else if (arg == QLatin1String("front"))
            view = QStringLiteral("Front View");
        pMessage->topic = "FpSetDolbyVisualView";
        pMessage->json = Compact({{QStringLiteral("VisualiserView"), view}});
    } else if (verb == QLatin1String("grid") &&
               (arg == QLatin1String("hide") || arg == QLatin1String("show"))) {
        // The peer's flag says "reset", that is hide the markers.
        pMessage->topic = "FpResetDolbyGrid";
        pMessage->json =
            Compact({{QStringLiteral("ResetDolbyGrid"), arg == QLatin1String("hide")}});
    } else if (verb == QLatin1String("scale") && bNumber) {
        pMessage->topic = "MeterScale";
        pMessage->json = Compact({{QStringLiteral("Scale"), iValue}});
    } else if (verb == QLatin1String("zoom") && bNumber) {
        pMessage->topic = "DolbyZoomPair";
        pMessage->json = Compact({{QStringLiteral("Pair"), iValue}});
    } else if (verb == QLatin1String("raw") && words.size() >= 3) {
        // Sent as typed, so broken payloads can be tried too.
        pMessage->topic = words.at(1).toUtf8();
        pMessage->json = words.mid(2).join(QLatin1Char(' ')).toUtf8();
    } else {
        *pError = QStringLiteral("peer: cannot understand '%1'").arg(words.join(QLatin1Char(' ')));
        return false;
    }
    return true;
}

bool Publish(zsock_t* pSocket, const PeerMessage& message) {
    const bool bSent = zstr_sendm(pSocket, message.topic.constData()) == 0 &&
                       zstr_send(pSocket, message.json.constData()) == 0;
    Sim::Say(QStringLiteral("peer: %1 %2 %3")
                 .arg(bSent ? QStringLiteral("sent") : QStringLiteral("FAILED to send"),
                      QString::fromUtf8(message.topic), QString::fromUtf8(message.json)));
    return bSent;
}

// Waits up to the period for a line on stdin, so a signal stops the loop
// promptly even while nobody types.
bool LineReady(int iTimeoutMs) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    return poll(&in, 1, iTimeoutMs) > 0;
}

void PeerOptions(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("app"), QStringLiteral("NAME"),
                  QStringLiteral("Application a \"Switch\" is for (default RoVodirAzazodovir)."),
                  QString::fromLatin1(kDefaultApp));
    Sim::AddValue(parser, QStringLiteral("settle"), QStringLiteral("MS"),
                  QStringLiteral("Wait before sending COMMAND (default 1000)."),
                  QStringLiteral("1000"));
    Sim::AddValue(parser, QStringLiteral("repeat"), QStringLiteral("N"),
                  QStringLiteral("Send COMMAND N times, 250 ms apart (default 1)."),
                  QStringLiteral("1"));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One command; without it, one per line on stdin."),
                                 QStringLiteral("[COMMAND]"));
}

int RunPeer(const QCommandLineParser& args) {
    const QString appName = args.value(QStringLiteral("app"));
    const int iSettleMs = args.value(QStringLiteral("settle")).toInt();
    const int iRepeat = qMax(1, args.value(QStringLiteral("repeat")).toInt());
    const QStringList command = args.positionalArguments();

    PeerMessage message;
    QString error;
    if (!command.isEmpty() && !BuildMessage(command, appName, &message, &error)) {
        Sim::Say(error);
        return 2;
    }

    const std::string endpoint = BusEndpoints::Ipc(kSocketName);
    zsock_t* pSocket = zsock_new(ZMQ_PUB);
    if (!pSocket) {
        Sim::Say(QStringLiteral("peer: cannot create a PUB socket"));
        return 1;
    }
    zsock_set_sndtimeo(pSocket, 0);
    zsock_set_linger(pSocket, 1000); // let the last message leave before exit
    if (zsock_bind(pSocket, "%s", endpoint.c_str()) < 0) {
        Sim::Say(QStringLiteral("peer: cannot bind %1").arg(QString::fromStdString(endpoint)));
        zsock_destroy(&pSocket);
        return 1;
    }
    Sim::Say(QStringLiteral("peer: bound %1").arg(QString::fromStdString(endpoint)));

    int iResult = 0;
    if (!command.isEmpty()) {
        // A PUB drops what it sends before the subscriber has joined; the
        // visualiser reconnects within a fraction of a second, so wait
        // --settle ms (1000) before the first send. --repeat N resends the
        // command N times, 250 ms apart; every command is idempotent.
        QThread::msleep(static_cast<unsigned long>(qMax(0, iSettleMs)));
        for (int i = 0; i < iRepeat && !Sim::Stopping(); ++i) {
            if (i > 0)
                QThread::msleep(250);
            if (!Publish(pSocket, message))
                iResult = 1;
        }
        QThread::msleep(200);
    } else {
        Sim::Say(QStringLiteral("peer: commands: show | hide | view top|front|NAME | grid hide|show"
                                " | scale N | zoom N | raw TOPIC JSON | quit"));
        std::string line;
        while (!Sim::Stopping()) {
            if (!LineReady(100))
                continue;
            if (!std::getline(std::cin, line))
                break;
            const QStringList words =
                QString::fromStdString(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            if (words.first() == QLatin1String("quit"))
                break;
            if (BuildMessage(words, appName, &message, &error))
                Publish(pSocket, message);
            else
                Sim::Say(error);
        }
    }
    zsock_destroy(&pSocket);
    // The bus library leaves a bound socket file behind; ours goes with us.
    ::unlink((std::string(BusEndpoints::MqDir()) + "/" + kSocketName).c_str());
    return iResult;
}

const SimRoleRegistration
    kPeerRole("peer",
              {"the peer front-panel application: window, view, grid and zoom commands",
               "Binds DoRiduyPub.ipc and sends COMMAND once after --settle ms (1000), or,\n"
               "without COMMAND, reads one command per line from stdin until EOF or 'quit'.\n"
               "commands: show | hide            \"Switch\" for --app (RoVodirAzazodovir)\n"
               "          view top|front|NAME    \"FpSetDolbyVisualView\"\n"
               "          grid hide|show         \"FpResetDolbyGrid\"\n"
               "          scale N                \"MeterScale\"\n"
               "          zoom N                 \"DolbyZoomPair\"\n"
               "          raw TOPIC JSON         any topic and payload, sent as typed\n"
               "A command word that starts with '-' goes after '--': peer -- scale -3",
               PeerOptions, RunPeer});

} // namespace
