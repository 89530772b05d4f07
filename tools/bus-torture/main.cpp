// bus-torture: the real subscribers against publishers that misbehave, round
// after round, seeded and repeatable. Each round one target endpoint meets one
// fault: a burst of 1 to 100,000 messages (every kind of bad message mixed in)
// whose publisher exits or is killed in the middle, an oversize frame at a
// random place, a multi-frame message cut short on the wire, or a peer that
// takes every connection and drops it. Then a publisher binds again, at once
// or after a while, and its good message must act within a deadline. Any
// abort ends the run; a good message that does not act is a hang.
//
//   bus-torture [--seed N] [--seconds S] [--verbose]
//
// Everything stays on a temporary IPC directory and 127.0.0.1 (peer over TCP
// on 6003, ED2 on 2004): run it in a private network namespace beside other
// users of those ports (scripts/isolated.sh).
#include "Common/AppLib/Include/BusEndpoints.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "tests/support/AppProcess.h"
#include "tools/bus-torture/TorturePeers.h"
#include "visualiser/DolbyED2Frames.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

using TorturePeers::eKind;

namespace {

constexpr int kActDeadlineMs = 15000;
constexpr long kMaxBurst = 100000;
constexpr long kMaxEd2Burst = 300; // an event is 2371 frames: 300 are 45 MB in the sender
constexpr qint64 kWatchdogMs = 60000;

FILE* gpReport = stdout; // the console, once the subscribers' own lines go elsewhere

enum class eFault { kBurstExit, kBurstKill, kOversize, kCut, kDrop };
const char* Name(eFault fault) {
    static const char* const kNames[] = {"burst then exit", "burst then SIGKILL",
                                         "oversize frame in a burst", "message cut on the wire",
                                         "peer dropping every link"};
    return kNames[int(fault)];
}

struct sTarget {
    const char* pName;
    std::string endpoint;
    eKind kind;
};

// Runs the event loop until the condition holds or the time is up.
bool Pump(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

void Sleep(int ms) {
    Pump([] { return false; }, ms);
}

// A publisher: this program again, in another role. Started as the suites
// start their children, so it also runs under a cross build's emulator.
using Publisher = std::unique_ptr<AppProcess>;

class cTorture {
public:
    cTorture(std::uint64_t seed, int seconds) : mRandom(seed), mSeconds(seconds), mSeed(seed) {
        mTargets = {
            {"peer/ipc", BusEndpoints::Ipc("DoRiduyPub.ipc"), eKind::kPeer},
            {"peer/tcp", BusEndpoints::Tcp("127.0.0.1", cZmqSubPeer::kTcpPort), eKind::kPeer},
            {"hbmon/ipc", BusEndpoints::Ipc("hbMonPubMq.ipc"), eKind::kMonitor},
            {"ed2/tcp", BusEndpoints::Tcp("127.0.0.1", DolbyED2Frames::kPort), eKind::kEd2}};
        mPeerIpc.SetupAndRunIPC("DoRiduyPub.ipc");
        mPeerTcp.SetupAndRunTCP("127.0.0.1");
        mMonitor.SetupAndRun("hbMonPubMq.ipc");
        mEd2.SetupAndRun("127.0.0.1");
        const auto view = [this](const char* pView) { mSeen[eKind::kPeer] = pView; };
        QObject::connect(&mPeerIpc, &cZmqSubPeer::sigSetVisualiserView, view);
        QObject::connect(&mPeerTcp, &cZmqSubPeer::sigSetVisualiserView, view);
        QObject::connect(&mMonitor, &cZmqSubsSystemUpdate::sigSUMessages,
                         [this](const char* pText) { mSeen[eKind::kMonitor] = pText; });
        QObject::connect(
            &mEd2, &cZmqSubDolbyED2PaData::sigDolbyED2PaData, [this](dlb_pwk_pa_status* pStatus) {
                mSeen[eKind::kEd2] = "Round " + std::to_string(pStatus->presentations[0].opaque_a);
            });
        for (cZmqQtListenerBase* pSubscriber :
             std::initializer_list<cZmqQtListenerBase*>{&mPeerIpc, &mPeerTcp, &mMonitor, &mEd2})
            QObject::connect(pSubscriber, &cZmqQtListenerBase::sigMessageReceived,
                             [this] { ++mHandedOut; });
    }

    int Run() {
        QElapsedTimer clock;
        clock.start();
        qint64 nextProgress = 60000;
        while (clock.elapsed() < qint64(mSeconds) * 1000) {
            Round();
            if (clock.elapsed() >= nextProgress) {
                Summary("progress", clock.elapsed());
                nextProgress += 60000;
            }
        }
        Summary("done", clock.elapsed());
        return mHangs == 0 ? 0 : 1;
    }

private:
    long BurstSize(eKind kind) {
        // Log-uniform, so small bursts are as common as huge ones.
        const double exponent =
            std::uniform_real_distribution<double>(0, std::log(kMaxBurst))(mRandom);
        return std::min(long(std::exp(exponent)), kind == eKind::kEd2 ? kMaxEd2Burst : kMaxBurst);
    }

    static Publisher Spawn(const QStringList& arguments) {
        auto pChild =
            std::make_unique<AppProcess>(qEnvironmentVariable("BRISVEL_MQ_DIR"), arguments,
                                         QCoreApplication::applicationFilePath());
        if (!pChild->Start() || (!pChild->WaitForLine("ready", 20000) && pChild->Running()))
            std::fprintf(gpReport, "bus-torture: a publisher never got ready\n");
        return pChild;
    }

    static void Reap(const Publisher& pChild, int timeoutMs) {
        if (!pChild->WaitForExit(timeoutMs)) {
            pChild->Interrupt(SIGKILL);
            pChild->WaitForExit(10000);
        }
    }

    void Round() {
        const std::uint32_t round = ++mRounds;
        const sTarget& target = mTargets[mRandom() % mTargets.size()];
        const auto fault = eFault(mRandom() % 5);
        const QString endpoint = QString::fromStdString(target.endpoint);
        const QString kind = QString::number(int(target.kind));
        const QString seed = QString::number(mRandom());
        ++mFaults[Name(fault)];
        if (fault == eFault::kCut) {
            Reap(Spawn({"cut", endpoint, kind, seed}), 10000);
        } else if (fault == eFault::kDrop) {
            Reap(Spawn({"drop", endpoint, QString::number(1 + mRandom() % 3)}), 10000);
        } else {
            const long count = BurstSize(target.kind);
            const long oversizeAt = fault == eFault::kOversize ? long(mRandom() % count) : -1;
            mBurstMessages += count;
            Publisher pChild = Spawn({"burst", endpoint, kind, QString::number(count), seed,
                                      QString::number(oversizeAt)});
            if (fault == eFault::kBurstKill) {
                Sleep(int(mRandom() % 200));
                pChild->Interrupt(SIGKILL);
            }
            Reap(pChild, 180000);
        }
        if (mRandom() % 2) {
            ++mFaults["rebind after a while"];
            Sleep(100 + int(mRandom() % 2400));
        } else {
            ++mFaults["rebind at once"];
        }
        const std::string expected = "Round " + std::to_string(round);
        QElapsedTimer toAct;
        toAct.start();
        Publisher pGood = Spawn({"good", endpoint, kind, QString::number(round)});
        const bool bActed = Pump([&] { return mSeen[target.kind] == expected; }, kActDeadlineMs);
        mActMs.push_back(toAct.elapsed());
        if (!bActed) {
            ++mHangs;
            std::fprintf(gpReport,
                         "bus-torture: HANG round %u, %s after %s: no good message in %d ms\n",
                         round, target.pName, Name(fault), kActDeadlineMs);
        }
        pGood->Interrupt(SIGTERM);
        Reap(pGood, 10000);
    }

    void Summary(const char* pWhat, qint64 elapsedMs) {
        std::vector<qint64> act = mActMs;
        std::sort(act.begin(), act.end());
        const auto at = [&act](double fraction) {
            return act.empty() ? 0 : act[std::size_t(fraction * double(act.size() - 1))];
        };
        std::fprintf(gpReport,
                     "bus-torture %s: seed %llu, %.0f s, %u rounds, %ld burst messages sent, "
                     "%ld handed out, 0 aborts, %u hangs; good message acted after p50 %lld ms, "
                     "p99 %lld ms, max %lld ms\n",
                     pWhat, static_cast<unsigned long long>(mSeed), double(elapsedMs) / 1000.0,
                     mRounds, mBurstMessages, mHandedOut, mHangs, static_cast<long long>(at(0.5)),
                     static_cast<long long>(at(0.99)), static_cast<long long>(at(1.0)));
        for (const auto& [name, count] : mFaults)
            std::fprintf(gpReport, "  %-28s %u\n", name.c_str(), count);
        std::fflush(gpReport);
    }

    std::mt19937_64 mRandom;
    int mSeconds;
    std::uint64_t mSeed;
    std::vector<sTarget> mTargets;
    cZmqSubPeer mPeerIpc;
    cZmqSubPeer mPeerTcp;
    cZmqSubsSystemUpdate mMonitor;
    cZmqSubDolbyED2PaData mEd2;
    std::map<eKind, std::string> mSeen;
    std::map<std::string, unsigned> mFaults;
    std::vector<qint64> mActMs;
    unsigned mRounds = 0;
    unsigned mHangs = 0;
    long mBurstMessages = 0;
    long mHandedOut = 0;
};

int Child(const QStringList& args) {
    // SIGTERM ends a publisher at once, wherever it is.
    BusEndpoints::InitRuntime();
    const std::string endpoint = args.value(1).toStdString();
    const auto kind = eKind(args.value(2).toInt());
    const QString& role = args.value(0);
    if (role == "burst")
        return TorturePeers::Burst(endpoint, kind, args.value(3).toLong(),
                                   args.value(4).toULongLong(), args.value(5).toLong());
    if (role == "good")
        return TorturePeers::Good(endpoint, kind, args.value(3).toUInt());
    if (role == "cut")
        return TorturePeers::Cut(endpoint, kind, args.value(3).toULongLong());
    if (role == "drop")
        return TorturePeers::Drop(endpoint, args.value(2).toInt());
    std::fprintf(stderr, "bus-torture: unknown role %s\n", qPrintable(role));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Loopback and a directory of our own, whatever the environment says.
    setenv("BRISVEL_DECODER_ADDR", "127.0.0.1", 1);
    setenv("BRISVEL_UNIT_ADDR", "127.0.0.1", 1);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!args.isEmpty() && !args.first().startsWith("--"))
        return Child(args);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    setenv("BRISVEL_MQ_DIR", qPrintable(dir.path()), 1);
    std::uint64_t seed = 1;
    int seconds = 60;
    bool bVerbose = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--seed")
            seed = args.value(++i).toULongLong();
        else if (args[i] == "--seconds")
            seconds = args.value(++i).toInt();
        else if (args[i] == "--verbose")
            bVerbose = true;
    }
    if (!bVerbose) {
        // The subscribers' lines for a hundred thousand bad messages.
        gpReport = fdopen(dup(1), "w");
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        close(null);
    }
    // A blocked event loop is a hang too: nothing else would notice it. The
    // watch outlives main(), so what it reads must too.
    static std::atomic<qint64> beat{0};
    static QElapsedTimer since;
    since.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [] { beat = since.elapsed(); });
    ticker.start(100);
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            if (since.elapsed() - beat > kWatchdogMs) {
                std::fprintf(gpReport, "bus-torture: HANG: the event loop has not run for %lld s\n",
                             static_cast<long long>(kWatchdogMs / 1000));
                std::fflush(gpReport);
                std::_Exit(3);
            }
        }
    }).detach();
    cTorture torture(seed, seconds);
    return torture.Run();
}
