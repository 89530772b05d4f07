// Guards against heartbeats that leave malformed, stall the caller while the
// monitor is away, or leave half a message behind to corrupt the next one.
#include "Common/AppLib/Include/HeartBeater.h"
#include "Common/Utility/Logger/Include/Logger.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestBus.h"

#include <QTest>

const QList<QByteArray> kBeat{"HbProc",
                              R"({"HbKey":"RoVodirAzazodovir","Version":"Unknown","State":1})"};

// The slots run in order and share one heartbeater, as an app has.
class tst_HeartBeater final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc"));
        Logger::GetInstance()->SetConsoleEcho(true); // log lines become visible on stderr
        QVERIFY(mMonitor && mpBeater->ConnectMqOverIpc());
        // Nothing is queued until the link is up: wait for it, then drain.
        for (int i = 0; i < 50 && Receive(mMonitor.get(), 100).isEmpty(); ++i)
            mpBeater->SendRebootCommand();
        while (!Receive(mMonitor.get(), 200).isEmpty()) {
        }
    }

    // Guards against a beat or a request leaving with the wrong topic or body,
    // or a missing version going unreported.
    void messagesLeaveWhole() {
        ConsoleCapture err(2);
        QVERIFY(mpBeater->SetHeartBeatJson("RoVodirAzazodovir", nullptr, PROCESS_STATUS_RUNNING));
        QVERIFY(err.Text().contains("|WARN|HeartBeater|"));
        QVERIFY(err.Text().contains("|\"HB Version not set by this process.!\""));
        mpBeater->SendBeat();
        QCOMPARE(Receive(mMonitor.get()), kBeat);
        mpBeater->RequestRepub();
        QCOMPARE(Receive(mMonitor.get()), QList<QByteArray>{"HbReqRepubSysStatus"});
        mpBeater->SendSwUpgradeCommand();
        QCOMPARE(Receive(mMonitor.get()), (QList<QByteArray>{"HbFwdAppCmd", R"({"Command":100})"}));
    }

    // Guards against a second connect opening another socket, or breaking the first.
    void secondConnectIsRefused() {
        ConsoleCapture err(2);
        QVERIFY(!mpBeater->ConnectMqOverIpc());
        QVERIFY(err.Text().contains("Seems this instance already connected to ipc://"));
        mpBeater->SendBeat();
        QCOMPARE(Receive(mMonitor.get()), kBeat);
    }

    // Guards against the caller stalling while the monitor is away, and half
    // messages left queued to corrupt what follows once it is back.
    void absentMonitorNeverStallsAndLeavesNoHalfMessage() {
        mMonitor.reset();
        ConsoleCapture err(2);
        // No link: every call must come back at once.
        for (int i = 0; i < 5000; ++i)
            mpBeater->SendBeat();
        // Logged once per run of drops, not per call; the link may flicker
        // while it goes down, so a few runs at most.
        const qsizetype logged = err.Text().count("|\"Failed to send HB Topic.\"");
        QVERIFY2(logged >= 1 && logged <= 10, QByteArray::number(logged).constData());
        QVERIFY(mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc")));
        // Beats sent before the link is back up are dropped, not kept.
        QList<QByteArray> first;
        QVERIFY(QTest::qWaitFor(
            [&] { return mpBeater->SendBeat(), !(first = Receive(mMonitor.get(), 100)).isEmpty(); },
            3000));
        QCOMPARE(first, kBeat);
        for (QList<QByteArray> frames; !(frames = Receive(mMonitor.get(), 500)).isEmpty();)
            QCOMPARE(frames, kBeat);
    }

    // Guards against a long name overrunning the heartbeat buffer.
    void longHeartbeatIsCutAt510Characters() {
        const QByteArray name(600, 'n');
        QVERIFY(mpBeater->SetHeartBeatJson(name.constData(), "1", PROCESS_STATUS_RUNNING));
        mpBeater->SendBeat();
        QCOMPARE(Receive(mMonitor.get()).value(1), "{\"HbKey\":\"" + name.left(500));
    }

    // Guards against beats going on after the name is withdrawn.
    void nullNameStopsBeats() {
        QVERIFY(!mpBeater->SetHeartBeatJson(nullptr, "1", PROCESS_STATUS_RUNNING));
        mpBeater->SendBeat();
        // Commands do not need a prepared heartbeat: this one must be the
        // first thing the monitor sees.
        mpBeater->SendRebootCommand();
        QCOMPARE(Receive(mMonitor.get()), (QList<QByteArray>{"HbFwdAppCmd", R"({"Command":9})"}));
        QVERIFY(Receive(mMonitor.get(), 300).isEmpty());
    }

    // Guards against a command of the wrong type or shape read as a number.
    void parseAppCommand() {
        QCOMPARE(cHeartBeater::ParseAppCommand(R"({"x":1,"Command":9})"), 9);
        QCOMPARE(cHeartBeater::ParseAppCommand(R"({"Command":"9"})"), -1);
        QCOMPARE(cHeartBeater::ParseAppCommand("Command=100"), -1);
    }

    void cleanupTestCase() { cHeartBeater::DeleteInstance(); }

private:
    TestBusEnvironment mEnv;
    ZsockPtr mMonitor;
    cHeartBeater* mpBeater = cHeartBeater::GetInstance();
};

QTEST_GUILESS_MAIN(tst_HeartBeater)
#include "test_heartbeater.moc"
