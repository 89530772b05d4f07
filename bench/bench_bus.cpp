// How live and how lean the bus listeners are, measured over real sockets on
// loopback and a temporary IPC directory (not a Google Benchmark: it times
// whole runs of the event loop).
//
//   bench_bus lag HZ SECONDS     ED2 events at HZ: display lag, publish-to-emit
//                                latency and the process's RSS growth
//   bench_bus burst peer|hbmon N N bad messages then a good one: time until the
//                                good one takes effect
//   bench_bus publish HZ SECONDS the ED2 publisher that "lag" starts
//   bench_bus peers SECONDS [no-tcp]
//                                silent peers on every endpoint the app uses
//                                (no-tcp: the local ones only), for measuring
//                                the idle app (bench/idle_cost.sh)
//
// Each ED2 event carries its sequence number in presentation 0's opaque_a and
// its send time in presentations 1 and 2, fields the decoder copies.
#include "Common/AppLib/Include/BusEndpoints.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "visualiser/DolbyED2Frames.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kBenchEd2Port = 12004;
constexpr unsigned short kEd2PeriodMs = 100; // the ED2 subscriber's own

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

long RssKb() {
    FILE* pFile = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (pFile && std::fgets(line, sizeof line, pFile))
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1)
            break;
    if (pFile)
        std::fclose(pFile);
    return kb;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(fraction * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void Report(const char* pWhat, const std::vector<double>& ms) {
    std::printf("%-28s n=%zu p50=%.2f ms p99=%.2f ms max=%.2f ms\n", pWhat, ms.size(),
                Percentile(ms, 0.5), Percentile(ms, 0.99),
                ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
    std::fflush(stdout);
}

// The machine's loopback ports are shared: a fixed port that is taken is
// tried again for up to a minute.
zsock_t* Bind(int type, const std::string& endpoint, int iSndHwm = -1) {
    zsock_t* pSocket = zsock_new(type);
    if (iSndHwm >= 0)
        zsock_set_sndhwm(pSocket, iSndHwm);
    // Not 0: libzmq 4.3 aborts when a peer drops while a socket closed with no
    // linger is half way through sending a multi-frame message.
    zsock_set_linger(pSocket, 100);
    for (int attempt = 0; zsock_bind(pSocket, "%s", endpoint.c_str()) < 0; ++attempt) {
        if (attempt == 600) {
            std::fprintf(stderr, "bench_bus: cannot bind %s\n", endpoint.c_str());
            std::exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return pSocket;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

dlb_pwk_pa_status Ed2Scene() {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    for (auto& presentation : status.presentations) {
        presentation.num_speakers = 16;
        presentation.num_objects = 16;
        for (std::uint32_t i = 0; i < 16; ++i) {
            presentation.speakers[i].source = std::int32_t(i + 1);
            presentation.objects[i] = {i, 0.1f * float(i) - 0.8f, 0.5f, 0.25f, 1, 2};
        }
        std::snprintf(presentation.name, sizeof presentation.name, "Bench");
    }
    return status;
}

// The decoder board, as a process of its own so that its queues and heap do
// not count in the subscriber's RSS: an XPUB that starts when the subscription
// arrives, default send high-water mark. Prints each event's send time.
int Publish(double hz, int seconds) {
    zsock_t* pPub = Bind(ZMQ_XPUB, BusEndpoints::Tcp("127.0.0.1", kBenchEd2Port));
    zsock_set_rcvtimeo(pPub, 30000);
    zframe_t* pSubscription = zframe_recv(pPub);
    if (!pSubscription)
        return 1;
    zframe_destroy(&pSubscription);
    SleepMs(500);
    dlb_pwk_pa_status status = Ed2Scene();
    const auto count = std::size_t(hz * seconds);
    std::vector<std::int64_t> sentNs;
    sentNs.reserve(count);
    const auto period = std::chrono::nanoseconds(std::int64_t(1e9 / hz));
    auto next = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        std::this_thread::sleep_until(next);
        next += period;
        const std::int64_t now = NowNs();
        status.presentations[0].opaque_a = std::uint32_t(i);
        status.presentations[1].opaque_a = std::uint32_t(now & 0xFFFFFFFF);
        status.presentations[2].opaque_a = std::uint32_t(std::uint64_t(now) >> 32);
        // Object 1 moves with every event, as a moving scene would.
        status.presentations[0].objects[0].x = float(i % 200) / 100.0f - 1.0f;
        zmsg_t* pMessage = DolbyED2Frames::Encode(status);
        sentNs.push_back(NowNs());
        zmsg_send(&pMessage, pPub);
    }
    SleepMs(1000);
    zsock_destroy(&pPub);
    for (const std::int64_t ns : sentNs)
        std::printf("%lld\n", static_cast<long long>(ns));
    return 0;
}

int Lag(double hz, int seconds) {
    const auto count = std::size_t(hz * seconds);
    QProcess board;
    board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    board.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("publish"), QString::number(hz), QString::number(seconds)});
    QObject::connect(&board, &QProcess::finished,
                     [] { QTimer::singleShot(500, [] { QCoreApplication::quit(); }); });

    struct sEmit {
        std::uint32_t seq;
        std::int64_t sentNs;
        std::int64_t emitNs;
    };
    std::vector<sEmit> emits;
    emits.reserve(count + 16);
    // Measured from 5 s in, when start-up allocations are done.
    long rssStart = -1;
    const auto warm = std::uint32_t(hz * 5);
    cZmqSubDolbyED2PaData subscriber;
    QObject::connect(
        &subscriber, &cZmqSubDolbyED2PaData::sigDolbyED2PaData, [&](dlb_pwk_pa_status* pStatus) {
            const std::int64_t now = NowNs();
            const std::uint32_t seq = pStatus->presentations[0].opaque_a;
            if (rssStart < 0 && seq >= warm)
                rssStart = RssKb();
            const std::int64_t sent = std::int64_t(pStatus->presentations[1].opaque_a) |
                                      (std::int64_t(pStatus->presentations[2].opaque_a) << 32);
            emits.push_back({seq, sent, now});
        });
    // SetupAndRun's steps on a port of our own, so that suites binding the
    // decoder's port on this machine meanwhile are not disturbed.
    subscriber.SockInit(BusEndpoints::Tcp("127.0.0.1", kBenchEd2Port).c_str());
    subscriber.SockSubscribe(DolbyED2Frames::kTopic);
    QObject::connect(&subscriber, SIGNAL(sigMessageReceived(zmsg_t*)), &subscriber,
                     SLOT(sltNewMessage(zmsg_t*)));
    subscriber.StartPolling(kEd2PeriodMs);
    QCoreApplication::exec();
    const long rssEnd = RssKb();
    std::vector<std::int64_t> sentNs;
    for (const QByteArray& line : board.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            sentNs.push_back(line.toLongLong());

    // Lag of event i: from its sending until the first emission of it or a newer one.
    std::vector<double> lagMs;
    std::vector<double> latencyMs;
    std::size_t e = 0;
    for (std::size_t i = 0; i < sentNs.size(); ++i) {
        while (e < emits.size() && emits[e].seq < i)
            ++e;
        if (e == emits.size())
            break;
        lagMs.push_back(double(emits[e].emitNs - sentNs[i]) / 1e6);
    }
    for (const sEmit& shown : emits)
        latencyMs.push_back(double(shown.emitNs - shown.sentNs) / 1e6);
    std::printf("ED2 at %.0f Hz for %d s: %zu sent, %zu emitted, %zu never shown\n", hz, seconds,
                sentNs.size(), emits.size(), sentNs.size() - lagMs.size());
    Report("display lag", lagMs);
    Report("publish to emit", latencyMs);
    std::printf("RSS %ld kB at 5 s, %ld kB at the end: %+ld kB\n", rssStart, rssEnd,
                rssEnd - rssStart);
    return 0;
}

// The good message takes effect when the subscriber emits the signal it causes.
int Burst(const char* pWhich, int bad) {
    const bool bPeer = std::strcmp(pWhich, "peer") == 0;
    const char* pName = bPeer ? "DoRiduyPub.ipc" : "hbMonPubMq.ipc";
    const char* pTopic = bPeer ? "Switch" : "HbAppCmd";
    const char* pGood =
        bPeer ? R"({"Show": false, "AppName": "RoVodirAzazodovir"})" : R"({"Command": 100})";

    std::atomic<bool> joined{false};
    std::atomic<std::int64_t> burstNs{0};
    std::atomic<std::int64_t> goodNs{0};
    std::atomic<std::int64_t> sentAllNs{0};
    std::thread peer([&] {
        // Unlimited send queue: every bad message reaches the subscriber.
        zsock_t* pPub = Bind(ZMQ_PUB, BusEndpoints::Ipc(pName), 0);
        while (!joined) {
            zstr_sendx(pPub, pTopic, "{}", nullptr);
            SleepMs(50);
        }
        SleepMs(1000);
        burstNs = NowNs();
        for (int i = 0; i < bad; ++i)
            // Most are not JSON at all; one in ten is JSON the parser refuses.
            zstr_sendx(pPub, pTopic, i % 10 ? "not json" : R"({"AppName": 7, "Command": "x"})",
                       nullptr);
        goodNs = NowNs();
        zstr_sendx(pPub, pTopic, pGood, nullptr);
        sentAllNs = NowNs();
        SleepMs(500);
        zsock_destroy(&pPub);
    });

    cZmqSubPeer peerSub;
    cZmqSubsSystemUpdate updateSub;
    cZmqQtListenerBase* pListener = bPeer ? static_cast<cZmqQtListenerBase*>(&peerSub) : &updateSub;
    long handled = 0;
    std::int64_t effectNs = 0;
    QObject::connect(pListener, &cZmqQtListenerBase::sigMessageReceived, [&] {
        joined = true;
        if (burstNs != 0)
            ++handled;
    });
    const auto done = [&] {
        effectNs = NowNs();
        QCoreApplication::quit();
    };
    QObject::connect(&peerSub, &cZmqSubPeer::sigShowApp, done);
    QObject::connect(&updateSub, &cZmqSubsSystemUpdate::sigSUExitApp, done);

    // The parsers' console lines go to /dev/null, not to a terminal.
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    if (bPeer)
        peerSub.SetupAndRunIPC(pName);
    else
        updateSub.SetupAndRun(pName);
    QTimer::singleShot(600000, [] { QCoreApplication::exit(1); });
    const int result = QCoreApplication::exec();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    peer.join();

    std::printf("burst on %s: %d bad + 1 good, %ld handled after the burst began%s\n", pName, bad,
                handled, result ? " (TIMED OUT)" : "");
    std::printf("  publishing took %.3f s; good one effective %.3f s after the burst began, "
                "%.3f s after it was sent\n",
                double(sentAllNs - burstNs) / 1e9, double(effectNs - burstNs) / 1e9,
                double(effectNs - goodNs) / 1e9);
    return result;
}

volatile std::sig_atomic_t gStopPeers = 0;
extern "C" void StopPeers(int) {
    gStopPeers = 1;
}

// Binds every endpoint the app connects to and stays silent: without them
// the bus library would retry its connections every 100 ms. SIGTERM or SIGINT
// end it early, its sockets and temporary directory removed.
int Peers(int seconds, bool bTcp) {
    std::signal(SIGTERM, StopPeers);
    std::signal(SIGINT, StopPeers);
    std::vector<zsock_t*> sockets;
    for (const char* pName :
         {"DoRiduyPub.ipc", "appServer.ipc", "hwmStatesPub.ipc", "hbMonPubMq.ipc"})
        sockets.push_back(Bind(ZMQ_PUB, BusEndpoints::Ipc(pName)));
    if (bTcp)
        sockets.push_back(Bind(ZMQ_PUB, BusEndpoints::Tcp("127.0.0.1", DolbyED2Frames::kPort)));
    zsock_t* pHeartbeats = Bind(ZMQ_PULL, BusEndpoints::Ipc("hbMonPullMq.ipc"));
    zsock_t* pLogs = Bind(ZMQ_PULL, BusEndpoints::Ipc("loggerSinkMq.ipc"));
    zpoller_t* pPoller = zpoller_new(pHeartbeats, pLogs, nullptr);
    std::printf("peers ready\n");
    std::fflush(stdout);
    const std::int64_t endNs = NowNs() + std::int64_t(seconds) * 1000000000;
    while (!gStopPeers && NowNs() < endNs)
        if (void* pReady = zpoller_wait(pPoller, 1000)) {
            zmsg_t* pMessage = zmsg_recv(pReady);
            zmsg_destroy(&pMessage);
        }
    zpoller_destroy(&pPoller);
    zsock_destroy(&pHeartbeats);
    zsock_destroy(&pLogs);
    for (zsock_t* pSocket : sockets)
        zsock_destroy(&pSocket);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: bench_bus lag HZ SECONDS | burst peer|hbmon N | peers SECONDS\n"
                         "  uses BRISVEL_MQ_DIR (a temporary one if unset) and 127.0.0.1 only\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/brisvel-bench-XXXXXX"));
    if (!std::getenv("BRISVEL_MQ_DIR"))
        setenv("BRISVEL_MQ_DIR", dir.path().toLocal8Bit().constData(), 1);
    setenv("BRISVEL_DECODER_ADDR", "127.0.0.1", 1);
    setenv("BRISVEL_UNIT_ADDR", "127.0.0.1", 1);
    BusEndpoints::InitRuntime();
    const std::string mode = argv[1];
    if (mode == "peers")
        return Peers(std::atoi(argv[2]), !(argc > 3 && std::strcmp(argv[3], "no-tcp") == 0));
    QCoreApplication app(argc, argv);
    if (mode == "publish" && argc >= 4)
        return Publish(std::atof(argv[2]), std::atoi(argv[3]));
    if (mode == "lag" && argc >= 4)
        return Lag(std::atof(argv[2]), std::atoi(argv[3]));
    if (mode == "burst" && argc >= 4)
        return Burst(argv[2], std::atoi(argv[3]));
    return Usage();
}
