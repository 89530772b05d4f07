// bus-torture: the real subscribers against publishers that misbehave, round
// after round, seeded and repeatable. Each round one target endpoint meets one
// fault: a burst of 1 to 100,000 messages (every kind of bad message mixed in)
// whose publisher exits or is killed in the middle, an oversize frame at a
// random place, a multi-frame message cut short on the wire, or a peer that
// takes every connection and drops it; one message of a million frames, or
// one that never ends. Then a publisher binds again, at once or after a
// while, and its good message must act within a deadline. Any abort ends the
// run; a good message that does not act is a hang.
// Three faults have rounds of their own: the decoder link going silent with
// no FIN (a relay stops forwarding and keeps its links) while a new board
// takes its place, which must be heard within 5 s; the app itself stopped
// by SIGSTOP while a burst comes, then continued; the app's wall clock
// stepped back under libfaketime. After either, a peer command must act and
// the heartbeats go on.
//
//   bus-torture [--seed N] [--seconds S] [--faults LIST | --only FAULT] [--verbose]
//
// LIST: "all" (the default), "old" (exit, kill, oversize, cut, drop), "new"
// (silent, bomb, endless, stop, clock), or fault names, comma-separated.
// The app's rounds run BRISVEL_APP, else the app of this build tree.
//
// Everything stays on temporary IPC directories and 127.0.0.1 (peer over TCP
// on 6003, ED2 on 2004, the relay's boards on free ports): run it in a
// private network namespace beside other users of those ports
// (scripts/isolated.sh).
#include "Common/AppLib/Include/BusEndpoints.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "tests/support/AppProcess.h"
#include "tools/bus-torture/AppUnderTest.h"
#include "tools/bus-torture/SilentRelay.h"
#include "tools/bus-torture/TorturePeers.h"
#include "visualiser/DolbyED2Frames.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// The app of the same build tree is built as this tool is.
#if defined(__SANITIZE_ADDRESS__)
#define TORTURE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORTURE_SANITIZED 1
#endif
#endif
#ifndef TORTURE_SANITIZED
#define TORTURE_SANITIZED 0
#endif

namespace {

constexpr int kActDeadlineMs = 15000;
// A silent board's place taken: heard within this, from the moment it went silent.
constexpr int kSilentDeadlineMs = 5000;
constexpr long kMaxBurst = 100000;
constexpr long kMaxEd2Burst = 300;   // an event is 2371 frames: 300 are 45 MB in the sender
constexpr long kMaxAppBurst = 10000; // the app prints lines for many of them
constexpr qint64 kWatchdogMs = 60000;
constexpr qint64 kEndlessGrowMaxKb = 20 * 1024;
constexpr int kShotsKept = 10; // the app keeps the newest ten screenshots

FILE* gpReport = stdout; // the console, once the subscribers' own lines go elsewhere

enum class eFault {
    kBurstExit,
    kBurstKill,
    kOversize,
    kCut,
    kDrop,
    kSilent,
    kBomb,
    kEndless,
    kStop,
    kClock
};
constexpr int kFaultCount = 10;
constexpr int kOldFaults = 5;
const char* Name(eFault fault) {
    static const char* const kNames[] = {
        "burst then exit",         "burst then SIGKILL",       "oversize frame in a burst",
        "message cut on the wire", "peer dropping every link", "ED2 link silent, new board",
        "frame bomb, 10^6 frames", "endless message",          "app SIGSTOP, burst, SIGCONT",
        "app clock stepped back"};
    return kNames[int(fault)];
}
const char* Word(eFault fault) {
    static const char* const kWords[] = {"exit",   "kill", "oversize", "cut",  "drop",
                                         "silent", "bomb", "endless",  "stop", "clock"};
    return kWords[int(fault)];
}

// The faults a LIST names, in their own order; empty on an unknown name.
std::vector<eFault> Parse(const QString& list) {
    std::vector<bool> bWanted(kFaultCount, false);
    for (const QString& word : list.split(',', Qt::SkipEmptyParts)) {
        bool bKnown = false;
        for (int i = 0; i < kFaultCount; ++i) {
            const bool bIn = word == "all" || word == Word(eFault(i)) ||
                             (word == "old" && i < kOldFaults) ||
                             (word == "new" && i >= kOldFaults);
            bWanted[std::size_t(i)] = bWanted[std::size_t(i)] || bIn;
            bKnown = bKnown || bIn;
        }
        if (!bKnown) {
            std::fprintf(stderr, "bus-torture: unknown fault %s\n", qPrintable(word));
            return {};
        }
    }
    std::vector<eFault> faults;
    for (int i = 0; i < kFaultCount; ++i)
        if (bWanted[std::size_t(i)])
            faults.push_back(eFault(i));
    return faults;
}

// Resident memory of this process, from the kernel's own count; plain C,
// since the sampling thread outlives the application object.
qint64 RssKb() {
    std::FILE* pStatus = std::fopen("/proc/self/status", "r");
    if (!pStatus)
        return -1;
    char line[256];
    long long kb = -1;
    while (kb < 0 && std::fgets(line, sizeof line, pStatus))
        if (std::sscanf(line, "VmRSS: %lld", &kb) != 1)
            kb = -1;
    std::fclose(pStatus);
    return kb;
}
// The highest resident memory seen since the last reset, sampled on a
// thread of its own: a message read in one call shows no peak to the loop.
std::atomic<qint64> gPeakKb{0};
// The longest the event loop went unturned since the last reset, in ms over
// its 100 ms tick: a message read and handed out in one go shows here.
std::atomic<qint64> gStallMs{0};

// The UTC time in a screenshot's name ("panel-yyyyMMddTHHmmss.zzzZ.png").
// A picture's name: "panel-", its sequence number, "-", the app's UTC time.
QDateTime ShotTime(const QString& path) {
    const QString name = QFileInfo(path).completeBaseName().section(QLatin1Char('-'), 2);
    QDateTime time = QDateTime::fromString(name, "yyyyMMdd'T'HHmmss.zzz'Z'");
    time.setTimeSpec(Qt::UTC);
    return time;
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

// What one kind of fault did over the run.
struct sFaultFigures {
    std::vector<qint64> actMs;
    unsigned failures = 0;
    qint64 beforeKb = -1;   // resident memory before its first round
    qint64 peakGrowKb = 0;  // the most it grew within one round, at its peak
    qint64 afterGrowKb = 0; // the most it stayed grown after one round
    qint64 lastAfterKb = 0;
    qint64 stallMs = 0;
};

class cTorture {
public:
    cTorture(std::uint64_t seed, int seconds, std::vector<eFault> faults)
        : mRandom(seed), mSeconds(seconds), mSeed(seed), mEnabled(std::move(faults)) {
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
        DropWhat(eFault::kClock, [] {
            if (!qEnvironmentVariableIsEmpty("BRISVEL_EMULATOR"))
                return "skipped under BRISVEL_EMULATOR: the host's libfaketime cannot be "
                       "preloaded into an emulated app";
            if (TORTURE_SANITIZED)
                return "skipped under AddressSanitizer: the app hangs at start with "
                       "libfaketime preloaded (recursive clock_gettime)";
            return cAppUnderTest::FakeTimeLibrary().isEmpty()
                       ? "skipped: no libfaketime (scripts/deps.sh --ci installs it)"
                       : "";
        }());
        const bool bApp = QFileInfo(cAppUnderTest::Program()).isExecutable();
        for (eFault fault : {eFault::kStop, eFault::kClock})
            DropWhat(fault, bApp ? "" : "skipped: no app to start (set BRISVEL_APP)");
    }

    int Run() {
        QElapsedTimer clock;
        clock.start();
        qint64 nextProgress = 60000;
        while (!mEnabled.empty() && clock.elapsed() < qint64(mSeconds) * 1000) {
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
    // Takes a fault out of the run, saying why, when there is a reason.
    void DropWhat(eFault fault, const char* pWhy) {
        const auto at = std::find(mEnabled.begin(), mEnabled.end(), fault);
        if (*pWhy == '\0' || at == mEnabled.end())
            return;
        mEnabled.erase(at);
        mSkipped[fault] = pWhy;
    }

    long BurstSize(eKind kind) {
        // Log-uniform, so small bursts are as common as huge ones.
        const double exponent =
            std::uniform_real_distribution<double>(0, std::log(kMaxBurst))(mRandom);
        return std::min(long(std::exp(exponent)), kind == eKind::kEd2 ? kMaxEd2Burst : kMaxBurst);
    }

    static Publisher Spawn(const QStringList& arguments, const QByteArray& line = "ready") {
        auto pChild =
            std::make_unique<AppProcess>(qEnvironmentVariable("BRISVEL_MQ_DIR"), arguments,
                                         QCoreApplication::applicationFilePath());
        if (!pChild->Start() || (!pChild->WaitForLine(line, 20000) && pChild->Running()))
            std::fprintf(gpReport, "bus-torture: a publisher never got %s\n", line.constData());
        return pChild;
    }

    static void Reap(const Publisher& pChild, int timeoutMs) {
        if (!pChild->WaitForExit(timeoutMs)) {
            pChild->Interrupt(SIGKILL);
            pChild->WaitForExit(10000);
        }
    }

    void Fail(std::uint32_t round, const char* pWhere, eFault fault, const std::string& what) {
        ++mHangs;
        ++mFigures[fault].failures;
        std::fprintf(gpReport, "bus-torture: HANG round %u, %s after %s: %s\n", round, pWhere,
                     Name(fault), what.c_str());
        std::fflush(gpReport);
    }

    void Round() {
        const std::uint32_t round = ++mRounds;
        const sTarget& target = mTargets[mRandom() % mTargets.size()];
        // Dealt from a shuffled deck of the faults chosen: a short run meets each.
        if (mDeck.empty()) {
            mDeck = mEnabled;
            std::shuffle(mDeck.begin(), mDeck.end(), mRandom);
        }
        const eFault fault = mDeck.back();
        mDeck.pop_back();
        ++mFaults[Name(fault)];
        sFaultFigures& figures = mFigures[fault];
        const qint64 beforeKb = RssKb();
        gPeakKb = beforeKb;
        gStallMs = 0;
        if (figures.beforeKb < 0)
            figures.beforeKb = beforeKb;
        if (fault == eFault::kSilent)
            SilentRound(round);
        else if (fault == eFault::kStop || fault == eFault::kClock)
            AppRound(round, fault);
        else
            BusRound(round, target, fault);
        figures.lastAfterKb = RssKb();
        // What an endless message has brought on a TCP link is cut off long
        // before this: not on a local one, whose kernel keeps no byte count,
        // nor under the emulator, which gives none.
        if (fault == eFault::kEndless && gPeakKb - beforeKb > kEndlessGrowMaxKb &&
            target.endpoint.rfind("tcp://", 0) == 0 &&
            qEnvironmentVariableIsEmpty("BRISVEL_EMULATOR"))
            Fail(round, "memory", fault,
                 "grew by " + std::to_string((gPeakKb - beforeKb) / 1024) + " MB");
        figures.peakGrowKb = std::max(figures.peakGrowKb, gPeakKb - beforeKb);
        figures.afterGrowKb = std::max(figures.afterGrowKb, figures.lastAfterKb - beforeKb);
        figures.stallMs = std::max<qint64>(figures.stallMs, gStallMs);
    }

    void BusRound(std::uint32_t round, const sTarget& target, eFault fault) {
        const QString endpoint = QString::fromStdString(target.endpoint);
        const QString kind = QString::number(int(target.kind));
        const QString seed = QString::number(mRandom());
        if (fault == eFault::kCut) {
            Reap(Spawn({"cut", endpoint, kind, seed}), 10000);
        } else if (fault == eFault::kDrop) {
            Reap(Spawn({"drop", endpoint, QString::number(1 + mRandom() % 3)}), 10000);
        } else if (fault == eFault::kBomb) {
            Reap(Spawn({"bomb", endpoint, kind}), 120000);
        } else if (fault == eFault::kEndless) {
            const int ms = 1000 + int(mRandom() % 3000);
            Reap(Spawn({"endless", endpoint, kind, seed, QString::number(ms)}), ms + 20000);
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
        Acted(fault, toAct.elapsed(), bActed);
        if (!bActed)
            Fail(round, target.pName, fault,
                 "no good message in " + std::to_string(kActDeadlineMs) + " ms");
        pGood->Interrupt(SIGTERM);
        Reap(pGood, 10000);
    }

    // The decoder board behind a relay on the decoder port; at some moment
    // the relay stops moving bytes on the links it holds and the board dies
    // unheard, while a new board waits on another port for the links the
    // relay takes from then on. The new board's events must act in time.
    void SilentRound(std::uint32_t round) {
        const auto tcp = [](unsigned port) {
            return QString::fromStdString(BusEndpoints::Tcp("127.0.0.1", port));
        };
        const QString kind = QString::number(int(eKind::kEd2));
        cSilentRelay relay;
        if (!relay.Listen(DolbyED2Frames::kPort)) {
            Fail(round, "ed2/tcp", eFault::kSilent, "the relay cannot listen on the decoder port");
            return;
        }
        const unsigned oldPort = cSilentRelay::FreePort();
        relay.SetBoard(oldPort);
        const std::uint32_t oldMark = 0x80000000u | round;
        Publisher pOld = Spawn({"good", tcp(oldPort), kind, QString::number(oldMark)});
        const std::string heard = "Round " + std::to_string(oldMark);
        if (!Pump([&] { return mSeen[eKind::kEd2] == heard; }, kActDeadlineMs)) {
            Fail(round, "ed2/tcp", eFault::kSilent,
                 "the first board was never heard through the relay");
            return;
        }
        Sleep(int(mRandom() % 1000));
        const unsigned newPort = cSilentRelay::FreePort();
        Publisher pNew = Spawn({"good", tcp(newPort), kind, QString::number(round)}, "bound");
        relay.SetBoard(newPort);
        QElapsedTimer toAct;
        toAct.start();
        mSilentLinks += unsigned(relay.Freeze());
        pOld->Interrupt(SIGKILL);
        const std::string expected = "Round " + std::to_string(round);
        const bool bActed = Pump([&] { return mSeen[eKind::kEd2] == expected; }, kSilentDeadlineMs);
        Acted(eFault::kSilent, toAct.elapsed(), bActed);
        if (!bActed)
            Fail(round, "ed2/tcp", eFault::kSilent,
                 "the new board not heard within " + std::to_string(kSilentDeadlineMs) +
                     " ms of the old link going silent");
        relay.Close();
        pNew->Interrupt(SIGTERM);
        Reap(pNew, 10000);
        Reap(pOld, 10000);
    }

    // The app itself, on a bus of its own: stopped while its peer bursts,
    // or its wall clock stepped back; then a peer command must act, the
    // heartbeats go on, and the app live.
    void AppRound(std::uint32_t round, eFault fault) {
        cAppUnderTest app;
        const bool bClock = fault == eFault::kClock;
        if (!app.Start(bClock)) {
            Fail(round, "app", fault, "the app did not start or take a first command");
            return;
        }
        QElapsedTimer toAct;
        QElapsedTimer sinceShot;
        QString shotBefore;
        long back = 0;
        if (bClock) {
            // As many pictures as the app keeps: the next one makes it prune.
            for (int i = 0; i < kShotsKept; ++i)
                shotBefore = app.Shot(10000);
            sinceShot.start();
            // Log-uniform from a second to a day.
            back = long(
                std::exp(std::uniform_real_distribution<double>(0, std::log(86400.0))(mRandom)));
            app.Step(back);
            Sleep(1100); // the preload reads its control file once a second
            toAct.start();
        } else {
            const int stopMs = 500 + int(mRandom() % 4500);
            const long count = std::min(BurstSize(eKind::kPeer), kMaxAppBurst);
            const std::uint64_t seed = mRandom();
            mBurstMessages += count;
            app.DrainBeats();
            QElapsedTimer stopped;
            stopped.start();
            app.Signal(SIGSTOP);
            app.Burst(count, seed);
            Sleep(int(std::max<qint64>(0, stopMs - stopped.elapsed())));
            app.Signal(SIGCONT);
            toAct.start();
        }
        const bool bActed = app.CommandActs(kActDeadlineMs);
        Acted(fault, toAct.elapsed(), bActed);
        app.DrainBeats();
        const bool bBeats = bActed && app.Beats(2, 3500);
        if (bClock) {
            const QString shotAfter = app.Shot(10000);
            const QDateTime before = ShotTime(shotBefore), after = ShotTime(shotAfter);
            // Named by the app's own clock: earlier than real time by the step.
            if (before.isValid() && after.isValid() &&
                before.msecsTo(after) < sinceShot.elapsed() - back * 500)
                ++mClockSteps;
            if (!shotAfter.isEmpty() && QFile::exists(shotAfter))
                ++mShotsKept;
            else
                Fail(round, "app", fault, "the picture taken after the step was not kept");
        }
        if (!bActed)
            Fail(round, "app", fault,
                 "no peer command acted in " + std::to_string(kActDeadlineMs) + " ms");
        else if (!bBeats)
            Fail(round, "app", fault, "fewer than 2 heartbeats in 3.5 s after it");
        else if (!app.Alive())
            Fail(round, "app", fault, "the app is gone");
    }

    // A fault's own figures count the good messages that acted in time.
    void Acted(eFault fault, qint64 ms, bool bActed) {
        mActMs.push_back(ms);
        if (bActed)
            mFigures[fault].actMs.push_back(ms);
    }

    static qint64 At(std::vector<qint64> times, double fraction) {
        std::sort(times.begin(), times.end());
        return times.empty() ? 0 : times[std::size_t(fraction * double(times.size() - 1))];
    }

    void Summary(const char* pWhat, qint64 elapsedMs) {
        std::fprintf(
            gpReport,
            "bus-torture %s: seed %llu, %.0f s, %u rounds, %ld burst messages sent, "
            "%ld handed out, 0 aborts, %u hangs; good message acted after p50 %lld ms, "
            "p99 %lld ms, max %lld ms\n",
            pWhat, static_cast<unsigned long long>(mSeed), double(elapsedMs) / 1000.0, mRounds,
            mBurstMessages, mHandedOut, mHangs, static_cast<long long>(At(mActMs, 0.5)),
            static_cast<long long>(At(mActMs, 0.99)), static_cast<long long>(At(mActMs, 1.0)));
        std::string line = "  faults:";
        for (eFault fault : mEnabled)
            line += " " + std::to_string(mFaults[Name(fault)]) + " " + Word(fault) + ",";
        line += " " + std::to_string(mFaults["rebind after a while"]) + " rebinds after a while, " +
                std::to_string(mFaults["rebind at once"]) + " at once";
        std::fprintf(gpReport, "%s\n", line.c_str());
        for (eFault fault : mEnabled) {
            const sFaultFigures& figures = mFigures[fault];
            std::fprintf(gpReport,
                         "  %-28s %4u rounds, %u failed; acted p50 %lld ms, max %lld ms; "
                         "RSS %lld MB before the first, %lld MB after the last, most in one "
                         "round +%lld MB at its peak, +%lld MB after it; event loop stalled "
                         "%lld ms at most\n",
                         Name(fault), mFaults[Name(fault)], figures.failures,
                         static_cast<long long>(At(figures.actMs, 0.5)),
                         static_cast<long long>(At(figures.actMs, 1.0)),
                         static_cast<long long>(std::max<qint64>(0, figures.beforeKb) / 1024),
                         static_cast<long long>(figures.lastAfterKb / 1024),
                         static_cast<long long>(figures.peakGrowKb / 1024),
                         static_cast<long long>(figures.afterGrowKb / 1024),
                         static_cast<long long>(figures.stallMs));
        }
        if (mFaults[Name(eFault::kSilent)] > 0)
            std::fprintf(gpReport, "  %u relay links held silent\n", mSilentLinks);
        if (mFaults[Name(eFault::kClock)] > 0)
            std::fprintf(gpReport,
                         "  the app's wall clock read earlier after the step in %u of %u rounds; "
                         "its screenshot taken after the step, beside %d older ones, kept in %u\n",
                         mClockSteps, mFaults[Name(eFault::kClock)], kShotsKept, mShotsKept);
        for (const auto& [fault, why] : mSkipped)
            std::fprintf(gpReport, "  %-28s %s\n", Name(fault), why);
        std::fflush(gpReport);
    }

    std::mt19937_64 mRandom;
    int mSeconds;
    std::uint64_t mSeed;
    std::vector<eFault> mEnabled;
    std::vector<eFault> mDeck;
    std::map<eFault, const char*> mSkipped;
    std::vector<sTarget> mTargets;
    cZmqSubPeer mPeerIpc;
    cZmqSubPeer mPeerTcp;
    cZmqSubsSystemUpdate mMonitor;
    cZmqSubDolbyED2PaData mEd2;
    std::map<eKind, std::string> mSeen;
    std::map<std::string, unsigned> mFaults;
    std::map<eFault, sFaultFigures> mFigures;
    std::vector<qint64> mActMs;
    unsigned mRounds = 0;
    unsigned mHangs = 0;
    unsigned mSilentLinks = 0;
    unsigned mClockSteps = 0;
    unsigned mShotsKept = 0;
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
    if (role == "bomb")
        return TorturePeers::Bomb(endpoint, kind);
    if (role == "endless")
        return TorturePeers::Endless(endpoint, kind, args.value(3).toULongLong(),
                                     args.value(4).toInt());
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
    QString faults = "all";
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--seed")
            seed = args.value(++i).toULongLong();
        else if (args[i] == "--seconds")
            seconds = args.value(++i).toInt();
        else if (args[i] == "--verbose")
            bVerbose = true;
        else if (args[i] == "--faults" || args[i] == "--only")
            faults = args.value(++i);
    }
    std::vector<eFault> chosen = Parse(faults);
    if (chosen.empty())
        return 2;
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
    QObject::connect(&ticker, &QTimer::timeout, [] {
        const qint64 now = since.elapsed();
        gStallMs = std::max<qint64>(gStallMs, now - beat - 100);
        beat = now;
    });
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
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const qint64 now = RssKb();
            qint64 peak = gPeakKb;
            while (now > peak && !gPeakKb.compare_exchange_weak(peak, now)) {
            }
        }
    }).detach();
    cTorture torture(seed, seconds, std::move(chosen));
    return torture.Run();
}
