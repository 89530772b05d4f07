// Faults a unit meets in the field, against the real app: each bad input must
// leave it running, say what docs/DECISIONS.md says, and let the next good
// message through, oversize ones too; a returning monitor
// must see the present, not a backlog; start-up faults must be said, and a
// second copy refused, also after the bus directory was made anew.
#include "app/StartupChecks.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestBus.h"
#include "visualiser/DolbyED2Frames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {

using Frames = QList<QByteArray>;

qint64 RssKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmRSS:");
    return at < 0 ? -1
                  : text.mid(at + 6, text.indexOf('\n', at) - at - 6)
                        .trimmed()
                        .split(' ')[0]
                        .toLongLong();
}
const QByteArray kSwitch = R"({"AppName":"RoVodirAzazodovir","Show":true})";

// A socket of the unit, one good message for it, and a probe: a topic the
// subscriber takes by prefix but does not handle, whose console line proves
// the subscriber read on past the good message.
struct Link {
    const char* pName;
    Frames good;
    QByteArray probeLine;
};
const Link kLinks[] = {
    {"DoRiduyPub.ipc", {"Switch", kSwitch}, "Unhandled topic: SwitchX"},
    {"appServer.ipc",
     {"AppDolbyDecoderSettings", R"({"DecoderConfig":{"VisualiserView":"Front View"}})"},
     "unhandled topic: AppDolbyDecoderSettingsX"},
    {"hwmStatesPub.ipc",
     {"HwmEncoderState_Right-Bottom",
      R"({"SwitchChange":0,"SwitchAbsolute":0,"CountAbsolute":5,"CountChange":2})"},
     "unhandled topic: HwmEncoderState_Right-BottomX"},
    {"hbMonPubMq.ipc",
     {"SiSystemUpdate", R"({"Message":"Reboot soon","AvailablePackages":[]})"},
     "unhandled topic: SiSystemUpdateX"},
    {"ed2", {}, {}},
};

Frames Ed2Event() {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    zmsg_t* pMessage = DolbyED2Frames::Encode(status);
    Frames frames;
    for (zframe_t* p = zmsg_first(pMessage); p; p = zmsg_next(pMessage))
        frames << QByteArray(reinterpret_cast<const char*>(zframe_data(p)), int(zframe_size(p)));
    zmsg_destroy(&pMessage);
    return frames;
}

bool SendFrames(zsock_t* pSocket, const Frames& frames) {
    zmsg_t* pMessage = zmsg_new();
    for (const QByteArray& frame : frames)
        zmsg_addmem(pMessage, frame.constData(), std::size_t(frame.size()));
    return zmsg_send(&pMessage, pSocket) == 0;
}

} // namespace

class tst_FieldFaults final : public QObject {
    Q_OBJECT

    zsock_t* Pub(const char* pName) { return mPubs[pName].get(); }
    // Sends the link's good message and probe until the probe is answered.
    bool GoodMessageGetsThrough(const Link& link) {
        const qsizetype from = mApp.Stdout().size();
        if (link.good.isEmpty()) { // no console line to wait for: a second's worth
            for (int i = 0; i < 10; ++i) {
                SendFrames(Pub(link.pName), Ed2Event());
                QTest::qWait(100);
            }
            return mApp.Running();
        }
        for (int i = 0; i < 40; ++i) {
            SendFrames(Pub(link.pName), link.good);
            SendFrames(Pub(link.pName), {link.good.first() + "X", "{}"});
            QTest::qWait(250);
            if (mApp.Stdout().mid(from).contains(link.probeLine))
                return mApp.Running();
        }
        return false;
    }

    TestBusEnvironment mEnv;
    std::map<std::string, ZsockPtr> mPubs;
    ZsockPtr mMonitor;
    ZsockPtr mSink;
    AppProcess mApp{mEnv.MqDir()};

private slots:
    void initTestCase() {
        for (const Link& link : kLinks)
            mPubs[link.pName] = BindSocket(ZMQ_PUB, link.good.isEmpty() ? "tcp://127.0.0.1:2004"
                                                                        : mEnv.Ipc(link.pName));
        mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc"));
        mSink = BindSocket(ZMQ_PULL, mEnv.Ipc("loggerSinkMq.ipc"));
        QVERIFY2(mApp.Start(), "BRISVEL_APP must name the built application");
        QVERIFY(mApp.WaitForLine("Brisvel: Starting event loop."));
        for (const Link& link : kLinks)
            QVERIFY2(link.good.isEmpty() || GoodMessageGetsThrough(link), link.pName);
    }

    void badInputIsSaidAndTheNextGoodMessageGetsThrough_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<Frames>("bad");
        QTest::addColumn<QByteArray>("said"); // on either stream; empty: nothing at all
        QTest::newRow("peer: not JSON")
            << 0 << Frames{"Switch", "{oops"} << QByteArray("|\"Not a valid json string {oops.\"");
        QTest::newRow("peer: wrong types")
            << 0 << Frames{"Switch", R"({"AppName":5,"Show":"yes"})"}
            << QByteArray("|\"Failed to parse message setting default to true\"");
        QTest::newRow("peer: more frames than a peer message has")
            << 0 << Frames{"Switch", kSwitch, "more"}
            << QByteArray("DoRiduyPub.ipc: 1 message(s) of more than 2 frames dropped, the last "
                          "of 3.\n");
        QTest::newRow("settings: not JSON")
            << 1 << Frames{"AppDolbyDecoderSettings", "]"} << QByteArray("Retrning  False \n");
        QTest::newRow("encoder: wrong types")
            << 2 << Frames{"HwmEncoderState_Right-Bottom", "[1]"}
            << QByteArray("ZQT ERROR : Rotary Encoder json string did not contain a valid Json "
                          "Object.\n");
    }
    // Catches bad input that stops the app, goes unsaid, or blocks the link for the next message.
    void badInputIsSaidAndTheNextGoodMessageGetsThrough() {
        QFETCH(int, link);
        QFETCH(Frames, bad);
        QFETCH(QByteArray, said);
        const qsizetype outFrom = mApp.Stdout().size(), errFrom = mApp.Stderr().size();
        QVERIFY(SendFrames(Pub(kLinks[link].pName), bad));
        QVERIFY(GoodMessageGetsThrough(kLinks[link]));
        const QByteArray console = mApp.Stdout().mid(outFrom) + mApp.Stderr().mid(errFrom);
        // Else nothing but probe lines, this case's or a late one of the case before.
        for (const QByteArray& line : said.isEmpty() ? console.split('\n') : QList<QByteArray>{})
            QVERIFY2(line.isEmpty() || line.contains("nhandled topic: "), line.constData());
        QVERIFY2(console.contains(said), console.constData());
    }

    // Catches a 64 MB frame that cuts its link for good, or that stays in memory.
    // A frame kept shows in every round; a first-time cost (the first paint
    // loads the fonts; under emulation the emulator translates new code) shows
    // in one round only, so one lean round after the warm-up suffices.
    void oversizeMessagesLeaveNoMemoryBehind() {
        QString grownKb;
        for (int round = 0; round < 4; ++round) {
            const qint64 rssKb = RssKb(mApp.Pid());
            for (const Link& link : kLinks) {
                Frames huge = link.good.isEmpty() ? Ed2Event() : link.good;
                huge[1] = QByteArray(64 << 20, 'x');
                QVERIFY(SendFrames(Pub(link.pName), huge));
                QVERIFY2(GoodMessageGetsThrough(link), link.pName);
            }
            const qint64 roundKb = RssKb(mApp.Pid()) - rssKb;
            grownKb += QStringLiteral(" %1").arg(roundKb);
            // The sanitizer's allocator holds freed memory back for a while.
            if (qEnvironmentVariableIsSet("ASAN_OPTIONS") || (round > 0 && roundKb < 2048))
                return;
        }
        QFAIL(qPrintable("resident memory grew every round (kB):" + grownKb));
    }

    // Catches stale beats queued for an absent monitor (away 5 s here, standing
    // for the field's 30 s: several beats fall due meanwhile either way).
    void returningMonitorSeesNoBacklog() {
        const int awayMs = std::max(qEnvironmentVariableIntValue("BRISVEL_MONITOR_AWAY_MS"), 5000);
        mMonitor.reset();
        QTest::qWait(awayMs);
        QVERIFY(mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc")));
        int beats = 0;
        for (QDeadlineTimer second(1000); !second.hasExpired();)
            beats += Receive(mMonitor.get(), int(second.remainingTime())).isEmpty() ? 0 : 1;
        qInfo("after %d ms away: %d beat(s) in the first second back", awayMs, beats);
        QVERIFY(beats <= 1);
        QCOMPARE(Receive(mMonitor.get(), 2500).value(0), QByteArray("HbProc"));
    }

    void secondCopySaysSoAndLeaves_data() {
        QTest::addColumn<bool>("remade");
        QTest::newRow("bus directory as at the start") << false;
        QTest::newRow("bus directory removed and made again") << true;
    }
    // Catches two copies on one bus, also once a peer's start script has made the bus
    // directory anew (rm -rf, mkdir), and a second copy that disturbs the first.
    void secondCopySaysSoAndLeaves() {
        QFETCH(bool, remade);
        if (remade) {
            // The peers stop, the directory is made again, and they come back.
            mMonitor.reset();
            mSink.reset();
            for (const Link& link : kLinks)
                if (!link.good.isEmpty())
                    mPubs[link.pName].reset();
            QVERIFY(QDir(mEnv.MqDir()).removeRecursively() && QDir().mkdir(mEnv.MqDir()));
            for (const Link& link : kLinks)
                if (!link.good.isEmpty())
                    QVERIFY(mPubs[link.pName] = BindSocket(ZMQ_PUB, mEnv.Ipc(link.pName)));
            QVERIFY(mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc")));
            QVERIFY(mSink = BindSocket(ZMQ_PULL, mEnv.Ipc("loggerSinkMq.ipc")));
        }
        AppProcess second(mEnv.MqDir());
        QVERIFY(second.Start() && second.WaitForExit());
        QCOMPARE(second.ExitCode(), 3);
        QVERIFY2(second.Stdout().contains(QStringLiteral("KELD_ERROR : Another copy is running on "
                                                         "bus directory %1 (PID %2); this one "
                                                         "exits.\n")
                                              .arg(mEnv.MqDir())
                                              .arg(mApp.Pid())
                                              .toUtf8()),
                 second.Stdout().constData());
        QVERIFY(mApp.Running());
        for (const Link& link : kLinks)
            QVERIFY2(link.good.isEmpty() || GoodMessageGetsThrough(link), link.pName);
        QCOMPARE(Receive(mMonitor.get(), 2500).value(0), QByteArray("HbProc"));
    }

    // Catches a missing bus directory left unsaid or said over and over, and an app
    // that never joins one made after its start (the exit command shows it).
    void startUpFaultsAreSaid() {
        const QString dir = mEnv.MqDir() + "/missing";
        AppProcess app(dir);
        QVERIFY(app.Start() && app.WaitForLine("Brisvel: Starting event loop."));
        QVERIFY2(app.Stdout().count("KELD_ERROR : Bus directory " + dir.toUtf8() +
                                    " is missing: no link to the unit until it is there.\n") == 1,
                 app.Stdout().constData());
        QVERIFY(QDir().mkpath(dir));
        ZsockPtr updates = BindSocket(ZMQ_PUB, "ipc://" + dir.toStdString() + "/hbMonPubMq.ipc");
        for (int i = 0; i < 20 && updates && app.Running(); ++i) {
            SendFrames(updates.get(), {"HbAppCmd", R"({"Command":100})"});
            app.WaitForExit(500);
        }
        QCOMPARE(app.ExitCode(), 0);
    }

    // Catches an app that no longer obeys after the catalogue.
    void exitCommandStillObeyed() {
        for (int i = 0; i < 10 && mApp.Running(); ++i) {
            SendFrames(Pub("hbMonPubMq.ipc"), {"HbAppCmd", R"({"Command":100})"});
            mApp.WaitForExit(1000);
        }
        QCOMPARE(mApp.ExitCode(), 0);
    }

    void displayNeedFollowsPlatformAndEnvironment_data() {
        QTest::addColumn<QByteArrayList>("args");
        QTest::addColumn<QByteArrayList>("env"); // name, value, ...
        QTest::addColumn<QString>("expected");   // platform, kind, what
        QTest::newRow("linuxfb") << QByteArrayList{} << QByteArrayList{"QT_QPA_PLATFORM", "linuxfb"}
                                 << "linuxfb 1 /dev/fb0";
        QTest::newRow("fb= option")
            << QByteArrayList{} << QByteArrayList{"QT_QPA_PLATFORM", "linuxfb:fb=/dev/fb1:size=4x4"}
            << "linuxfb 1 /dev/fb1";
        QTest::newRow("linuxfb on DRM")
            << QByteArrayList{}
            << QByteArrayList{"QT_QPA_PLATFORM", "linuxfb", "QT_QPA_FB_DRM", "1"}
            << "linuxfb 1 /dev/dri/card0";
        QTest::newRow("-platform wins")
            << QByteArrayList{"-platform", "eglfs"}
            << QByteArrayList{"QT_QPA_PLATFORM", "offscreen"} << "eglfs 1 /dev/dri/card0";
        QTest::newRow("xcb, no DISPLAY")
            << QByteArrayList{} << QByteArrayList{"QT_QPA_PLATFORM", "xcb"} << "xcb 3 DISPLAY";
        QTest::newRow("Qt's default, a screen")
            << QByteArrayList{} << QByteArrayList{"DISPLAY", ":12.0"} << "xcb 2 /tmp/.X11-unix/X12";
        QTest::newRow("wayland first")
            << QByteArrayList{}
            << QByteArrayList{"QT_QPA_PLATFORM", "wayland;xcb", "XDG_RUNTIME_DIR", "/run/u"}
            << "wayland 2 /run/u/wayland-0";
        QTest::newRow("offscreen")
            << QByteArrayList{"Dual"} << QByteArrayList{"QT_QPA_PLATFORM", "offscreen"}
            << "offscreen 0 ";
    }
    // Catches a display fault said for the wrong device, or not said before Qt aborts.
    void displayNeedFollowsPlatformAndEnvironment() {
        QFETCH(QByteArrayList, args);
        QFETCH(QByteArrayList, env);
        QFETCH(QString, expected);
        std::vector<char*> argv{const_cast<char*>("app")};
        for (QByteArray& arg : args)
            argv.push_back(arg.data());
        const sDisplayNeed need =
            DisplayNeed(int(argv.size()), argv.data(), [&env](const char* pName) -> const char* {
                const qsizetype at = env.indexOf(pName);
                return at >= 0 && at % 2 == 0 ? env[at + 1].constData() : nullptr;
            });
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(need.platform.c_str())
                     .arg(int(need.kind))
                     .arg(need.what.c_str()),
                 expected);
    }
};

QTEST_GUILESS_MAIN(tst_FieldFaults)
#include "test_field_faults.moc"
