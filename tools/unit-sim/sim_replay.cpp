// Roles "replay" and "inspect": play a recording back onto the endpoints it
// was made on, with its original timing, or list what it holds.
#include "tools/unit-sim/ListenedEndpoints.h"
#include "tools/unit-sim/PlayRange.h"
#include "tools/unit-sim/Recording.h"
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QThread>

#include <czmq.h>

#include <chrono>
#include <map>

namespace {

QString Seconds(std::uint64_t uTimeUs) {
    return QString::number(static_cast<double>(uTimeUs) / 1e6, 'f', 3);
}

// The topic frame as text, or a note when it is not text.
QString Topic(const Recording::cMessage& message) {
    if (message.frames.empty())
        return QStringLiteral("(no frames)");
    const std::string& topic = message.frames.front();
    for (const char c : topic)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            return QStringLiteral("(binary topic)");
    return QString::fromLatin1(topic.substr(0, 64).c_str());
}

// A visualiser whose TCP links have been down a while tries them again only
// every 1.8 s, with up to one first interval of jitter: a shorter wait would
// publish the first messages, or the whole of a short replay, to nobody.
constexpr int kDefaultSettleMs = BusEndpoints::kTcpRetryMaxMs + BusEndpoints::kRetryMs + 600;

void ReplayOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The recording to play."),
                                 QStringLiteral("FILE"));
    PlayRange::AddOptions(parser);
    Sim::AddValue(parser, QStringLiteral("only"), QStringLiteral("ENDPOINT"),
                  QStringLiteral("Play only these endpoints (repeat or comma-separate)."));
    Sim::AddValue(parser, QStringLiteral("settle"), QStringLiteral("MS"),
                  QStringLiteral("Wait for subscribers after binding, and before leaving "
                                 "(default %1).")
                      .arg(kDefaultSettleMs),
                  QString::number(kDefaultSettleMs));
}

int RunReplay(const QCommandLineParser& args) {
    const QStringList positional = args.positionalArguments();
    PlayRange::sRange range;
    double settle = 0.0;
    if (positional.size() != 1 || !PlayRange::Parse(args, &range) ||
        !PlayRange::Number(args, "settle", kDefaultSettleMs, &settle)) {
        Sim::Complain(QStringLiteral("replay: give one FILE; --speed above 0, --from, --to and "
                                     "--settle not negative"));
        return 2;
    }
    std::set<std::string> only;
    QString error;
    if (!ListenedEndpoints::Only(args.values(QStringLiteral("only")), &only, &error)) {
        Sim::Complain(QStringLiteral("replay: ") + error);
        return 2;
    }
    const auto wanted = [&](const Recording::cMessage& message) {
        return (only.empty() || only.count(message.endpoint)) && range.Within(message.uTimeUs);
    };

    // A first pass finds the endpoints to bind before anything is sent.
    const QString file = positional.first();
    Recording::cReader reader;
    PlayRange::FilePtr pFile = PlayRange::OpenRecording("replay", file, &reader);
    if (!pFile)
        return 1;
    std::set<std::string> used;
    Recording::cMessage message;
    while (reader.Next(&message) == Recording::cReader::eNext::Message)
        if (wanted(message))
            used.insert(message.endpoint);

    const std::vector<ListenedEndpoints::sEndpoint> known = ListenedEndpoints::All();
    std::map<std::string, zsock_t*> sockets;
    int rc = 0;
    for (const std::string& name : used) {
        const ListenedEndpoints::sEndpoint* pEndpoint = ListenedEndpoints::Find(known, name);
        if (!pEndpoint) {
            Sim::Say(QStringLiteral("replay: skips endpoint '%1', not known here")
                         .arg(QString::fromStdString(name)));
            continue;
        }
        if (pEndpoint->address.rfind("ipc://", 0) == 0)
            QDir().mkpath(QString::fromLocal8Bit(BusEndpoints::MqDir()));
        zsock_t* pSocket = zsock_new(ZMQ_PUB);
        if (!pSocket || zsock_bind(pSocket, "%s", pEndpoint->address.c_str()) < 0) {
            Sim::Complain(QStringLiteral("replay: cannot bind %1")
                              .arg(QString::fromStdString(pEndpoint->address)));
            zsock_destroy(&pSocket);
            rc = 1;
            break;
        }
        zsock_set_sndhwm(pSocket, 100000); // a fast replay must not drop at the socket
        zsock_set_linger(pSocket, 1000);   // let the last messages leave before exit
        sockets[name] = pSocket;
        Sim::Say(
            QStringLiteral("replay: %1 on %2")
                .arg(QString::fromStdString(name), QString::fromStdString(pEndpoint->address)));
    }

    quint64 sent = 0;
    std::string reopenError;
    auto next = Recording::cReader::eNext::End;
    const auto settleDown = [settle] {
        for (int waited = 0; waited < settle && !Sim::Stopping(); waited += 20)
            QThread::msleep(20);
    };
    if (rc == 0 && reader.Open(pFile.get(), &reopenError)) {
        // A PUB drops what it sends before the subscribers have joined.
        settleDown();
        const auto start = std::chrono::steady_clock::now();
        while (!Sim::Stopping() &&
               (next = reader.Next(&message)) == Recording::cReader::eNext::Message) {
            if (message.uTimeUs > range.toUs)
                break;
            const auto found = sockets.find(message.endpoint);
            if (!wanted(message) || found == sockets.end())
                continue;
            // Capped at about 30 years, so no recorded time overflows the clock.
            const double waitUs = std::min(1e15, range.PlayUs(message.uTimeUs));
            const auto due = start + std::chrono::microseconds(static_cast<std::int64_t>(waitUs));
            while (!Sim::Stopping() && std::chrono::steady_clock::now() < due)
                QThread::usleep(static_cast<unsigned long>(std::min<std::int64_t>(
                    20000, std::chrono::duration_cast<std::chrono::microseconds>(
                               due - std::chrono::steady_clock::now())
                               .count())));
            zmsg_t* pMessage = zmsg_new();
            for (const std::string& frame : message.frames)
                zmsg_addmem(pMessage, frame.data(), frame.size());
            if (zmsg_send(&pMessage, found->second) == 0)
                ++sent;
            zmsg_destroy(&pMessage);
        }
        // The links stay a while after the last message, so the subscribers have
        // taken it when their links drop: libzmq 4.3.4 can abort a receiver whose
        // dropped link is remade while it still reads a message from it.
        settleDown();
    }
    if (PlayRange::StoppedEarly(next))
        Sim::Say(
            QStringLiteral("replay: %1 %2").arg(file, QString::fromStdString(reader.StopText())));
    Sim::Say(QStringLiteral("replay: sent %1 messages").arg(sent));
    for (auto& [name, pSocket] : sockets) {
        const std::string endpoint = zsock_endpoint(pSocket) ? zsock_endpoint(pSocket) : "";
        zsock_destroy(&pSocket);
        // Our socket file goes with us, as with the other roles.
        if (endpoint.rfind("ipc://", 0) == 0)
            QFile::remove(QString::fromStdString(endpoint.substr(6)));
    }
    return rc;
}

void InspectOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The recording to list."),
                                 QStringLiteral("FILE"));
}

struct sEndpointSummary {
    quint64 count = 0;
    std::uint64_t firstUs = 0;
    std::uint64_t lastUs = 0;
    std::size_t largest = 0;
    std::uint64_t largestUs = 0;
    QString largestTopic;
    std::map<QString, quint64> topics;
};

int RunInspect(const QCommandLineParser& args) {
    const QStringList positional = args.positionalArguments();
    if (positional.size() != 1) {
        Sim::Complain(QStringLiteral("inspect: give one FILE"));
        return 2;
    }
    const QString file = positional.first();
    Recording::cReader reader;
    PlayRange::FilePtr pFile = PlayRange::OpenRecording("inspect", file, &reader);
    if (!pFile)
        return 1;
    std::map<std::string, sEndpointSummary> endpoints;
    Recording::cMessage message;
    std::uint64_t lastUs = 0;
    while (reader.Next(&message) == Recording::cReader::eNext::Message) {
        sEndpointSummary& summary = endpoints[message.endpoint];
        if (summary.count++ == 0)
            summary.firstUs = message.uTimeUs;
        summary.lastUs = message.uTimeUs;
        lastUs = std::max(lastUs, message.uTimeUs);
        const QString topic = Topic(message);
        ++summary.topics[topic];
        if (message.Bytes() > summary.largest) {
            summary.largest = message.Bytes();
            summary.largestUs = message.uTimeUs;
            summary.largestTopic = topic;
        }
    }
    Sim::Say(QStringLiteral("%1: format %2, started %3, %4 s, %5 messages, %6 bytes")
                 .arg(file)
                 .arg(Recording::kVersion)
                 .arg(QDateTime::fromMSecsSinceEpoch(reader.StartMs(), Qt::UTC)
                          .toString(Qt::ISODateWithMs))
                 .arg(Seconds(lastUs))
                 .arg(reader.Records())
                 .arg(reader.FileSize()));
    for (const auto& [name, summary] : endpoints) {
        Sim::Say(QStringLiteral("%1: %2 messages, first %3 s, last %4 s, largest %5 bytes at %6 s "
                                "(%7)")
                     .arg(QString::fromStdString(name))
                     .arg(summary.count)
                     .arg(Seconds(summary.firstUs), Seconds(summary.lastUs))
                     .arg(summary.largest)
                     .arg(Seconds(summary.largestUs), summary.largestTopic));
        for (const auto& [topic, count] : summary.topics)
            Sim::Say(QStringLiteral("  %1 x%2").arg(topic).arg(count));
    }
    if (reader.Offset() < reader.FileSize())
        Sim::Say(QStringLiteral("%1 %2").arg(file, QString::fromStdString(reader.StopText())));
    return 0;
}

const SimRoleRegistration
    kReplay("replay",
            SimRole{"plays a recording back on the endpoints it was made on, with its timing",
                    "Binds a PUB socket on each recorded endpoint (with the current BRISVEL_*\n"
                    "overrides), waits --settle ms for the visualiser to connect, then publishes\n"
                    "every message at its recorded time, X times faster with --speed, and waits\n"
                    "--settle ms again before it leaves. --from and --to cut the recording\n"
                    "(seconds from its start). A recording cut short plays up to its last whole\n"
                    "record and says where it stopped.",
                    ReplayOptions, RunReplay});

const SimRoleRegistration
    kInspect("inspect",
             SimRole{"lists a recording: per endpoint its messages, topics, times, largest message",
                     "Times are seconds from the start of the recording; sizes count the frames.",
                     InspectOptions, RunInspect});

} // namespace
