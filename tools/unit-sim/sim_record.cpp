// Role "record": listens to every endpoint the visualiser listens to and
// writes each message, with its endpoint and receive time, to a recording.
// It only connects SUB sockets, so it can run on a live unit beside the
// visualiser: a publisher never waits for a subscriber, a slow one misses
// messages instead.
#include "tools/unit-sim/ListenedEndpoints.h"
#include "tools/unit-sim/Recording.h"
#include "tools/unit-sim/SimRole.h"

#include <czmq.h>

#include <chrono>
#include <vector>

namespace {

void Options(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The recording to write."),
                                 QStringLiteral("FILE"));
    Sim::AddValue(parser, QStringLiteral("seconds"), QStringLiteral("S"),
                  QStringLiteral("Stop after S seconds (default: at SIGINT/SIGTERM)."));
    Sim::AddValue(parser, QStringLiteral("only"), QStringLiteral("ENDPOINT"),
                  QStringLiteral("Record only these endpoints (repeat or comma-separate)."));
}

struct sTap {
    ListenedEndpoints::sEndpoint endpoint;
    zsock_t* pSocket = nullptr;
};

// Takes every message waiting on the tap; false when the file refuses one.
bool Drain(sTap& tap, std::uint64_t uTimeUs, Recording::cWriter& writer, quint64* pCount) {
    while (zmsg_t* pMessage = zmsg_recv_nowait(zsock_resolve(tap.pSocket))) {
        Recording::cMessage message;
        message.uTimeUs = uTimeUs;
        message.endpoint = tap.endpoint.pName;
        for (zframe_t* pFrame = zmsg_first(pMessage); pFrame; pFrame = zmsg_next(pMessage))
            message.frames.emplace_back(reinterpret_cast<const char*>(zframe_data(pFrame)),
                                        zframe_size(pFrame));
        zmsg_destroy(&pMessage);
        if (!writer.Write(message))
            return false;
        ++*pCount;
    }
    return true;
}

int Run(const QCommandLineParser& args) {
    const QStringList positional = args.positionalArguments();
    if (positional.size() != 1) {
        Sim::Complain(QStringLiteral("record: give one FILE to write"));
        return 2;
    }
    const QString file = positional.first();
    bool bOk = true;
    const double seconds = args.isSet(QStringLiteral("seconds"))
                               ? args.value(QStringLiteral("seconds")).toDouble(&bOk)
                               : 0.0;
    if (!bOk || seconds < 0.0) {
        Sim::Complain(QStringLiteral("record: --seconds wants a number of seconds"));
        return 2;
    }
    std::set<std::string> only;
    QString error;
    if (!ListenedEndpoints::Only(args.values(QStringLiteral("only")), &only, &error)) {
        Sim::Complain(QStringLiteral("record: ") + error);
        return 2;
    }

    Recording::cWriter writer;
    std::string writeError;
    if (!writer.Open(file.toStdString(), Sim::NowMs(), &writeError)) {
        Sim::Complain(QStringLiteral("record: ") + QString::fromStdString(writeError));
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();

    std::vector<sTap> taps;
    for (const ListenedEndpoints::sEndpoint& endpoint : ListenedEndpoints::All()) {
        if (!only.empty() && !only.count(endpoint.pName))
            continue;
        zsock_t* pSocket = zsock_new(ZMQ_SUB);
        if (!pSocket)
            continue;
        zsock_set_rcvhwm(pSocket, 100000); // a slow disk costs memory here, not messages
        zsock_set_subscribe(pSocket, "");
        // A publisher that is not up yet is connected to when it binds.
        if (zsock_connect(pSocket, "%s", endpoint.address.c_str()) < 0) {
            Sim::Complain(QStringLiteral("record: cannot connect to %1")
                              .arg(QString::fromStdString(endpoint.address)));
            zsock_destroy(&pSocket);
            continue;
        }
        Sim::Say(QStringLiteral("record: %1 on %2")
                     .arg(QLatin1String(endpoint.pName), QString::fromStdString(endpoint.address)));
        taps.push_back({endpoint, pSocket});
    }
    Sim::Say(QStringLiteral("record: writing %1 until stopped").arg(file));

    std::vector<zmq_pollitem_t> items;
    for (const sTap& tap : taps)
        items.push_back({zsock_resolve(tap.pSocket), 0, ZMQ_POLLIN, 0});
    quint64 count = 0;
    int rc = 0;
    auto lastSync = start;
    while (!Sim::Stopping() && rc == 0) {
        const auto now = std::chrono::steady_clock::now();
        if (seconds > 0.0 && now - start >= std::chrono::duration<double>(seconds))
            break;
        if (zmq_poll(items.data(), static_cast<int>(items.size()), 100) < 0)
            continue; // interrupted, e.g. by the stop signal
        const auto received = std::chrono::steady_clock::now();
        const auto uTimeUs = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(received - start).count());
        for (std::size_t i = 0; i < taps.size(); ++i)
            if ((items[i].revents & ZMQ_POLLIN) && !Drain(taps[i], uTimeUs, writer, &count)) {
                Sim::Complain(QStringLiteral("record: cannot write %1; stopped").arg(file));
                rc = 1;
                break;
            }
        // Bounds what a power loss can take to about a second of messages.
        if (received - lastSync >= std::chrono::seconds(1)) {
            writer.Sync();
            lastSync = received;
        }
    }
    for (sTap& tap : taps)
        zsock_destroy(&tap.pSocket);
    writer.Close();
    Sim::Say(QStringLiteral("record: %1 messages, %2 bytes in %3")
                 .arg(count)
                 .arg(writer.Bytes())
                 .arg(file));
    return rc;
}

const SimRoleRegistration kRegistration(
    "record",
    SimRole{"records what the unit publishes to the visualiser, for 'replay' and 'inspect'",
            "Connects a SUB socket (and nothing else) to every endpoint the visualiser\n"
            "listens to, with the same BRISVEL_* overrides, and writes each message with\n"
            "its endpoint, receive time and frames to FILE until SIGINT/SIGTERM or\n"
            "--seconds. Endpoints: ed2, metadata, peer, appserver, hwm, hbmon, notify.\n"
            "The format is in docs/RECORDING.md.",
            Options, Run});

} // namespace
