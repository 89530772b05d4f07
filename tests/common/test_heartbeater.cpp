// Guards against heartbeats that leave malformed, stall the caller while the
// monitor is away, or leave half a message behind to corrupt the next one.
#include "HeartBeater.h"
#include "Logger.h"
#include "app/KeldHeartBeater.h"
#include "support/TestBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

namespace {

const char* const kName = "RoVodirAzazodovir";
const char* const kBeat = R"({"HbKey":"RoVodirAzazodovir","Version":"Unknown","State":1})";

// One message from the socket as its frames; empty when none came in time.
// Keeps the event loop turning meanwhile, for timer-driven senders.
QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs = 2000) {
    QList<QByteArray> frames;
    QElapsedTimer timer;
    timer.start();
    zmsg_t* pMessage = nullptr;
    while (!pMessage && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        zsock_set_rcvtimeo(pSocket, 20);
        pMessage = zmsg_recv(pSocket);
    }
    if (!pMessage)
        return frames;
    for (zframe_t* pFrame = zmsg_first(pMessage); pFrame; pFrame = zmsg_next(pMessage))
        frames.append(QByteArray(reinterpret_cast<const char*>(zframe_data(pFrame)),
                                 static_cast<qsizetype>(zframe_size(pFrame))));
    zmsg_destroy(&pMessage);
    return frames;
}

} // namespace

class tst_HeartBeater final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc"));
        QVERIFY(mMonitor);
        mpBeater = cHeartBeater::GetInstance();
        QVERIFY(mpBeater);
        QVERIFY(Logger::GetInstance());
        Logger::GetInstance()->SetConsoleEcho(true); // log lines become visible on stderr
    }

    void init() {
        if (!mpBeater->IsConnected())
            QVERIFY(mpBeater->ConnectMqOverIpc());
    }

    void beatCarriesNameVersionAndState() {
        QVERIFY(mpBeater->SetHeartBeatJson(kName, nullptr, PROCESS_STATUS_RUNNING));
        mpBeater->SendBeat();
        QCOMPARE(Receive(mMonitor.get()), (QList<QByteArray>{"HbProc", kBeat}));
    }

    void missingVersionIsWarnedOnce() {
        ConsoleCapture err(2);
        QVERIFY(mpBeater->SetHeartBeatJson(kName, nullptr, PROCESS_STATUS_RUNNING));
        QVERIFY(mpBeater->SetHeartBeatJson(kName, "2.1", PROCESS_STATUS_RUNNING));
        const QByteArray text = err.Text();
        QCOMPARE(text.count("HeartBeater|"), 1);
        QVERIFY(text.contains("|\"HB Version not set by this process.!\""));
        QVERIFY(text.contains("|WARN|"));
        QVERIFY(QByteArray(mpBeater->HbJson()).contains("\"Version\":\"2.1\""));
    }

    void longHeartbeatIsCutAt510Characters() {
        const QByteArray name(600, 'n');
        QVERIFY(mpBeater->SetHeartBeatJson(name.constData(), "1", PROCESS_STATUS_RUNNING));
        QCOMPARE(qstrlen(mpBeater->HbJson()), 510u);
        mpBeater->SendBeat();
        const QList<QByteArray> frames = Receive(mMonitor.get());
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(1), QByteArray("{\"HbKey\":\"") + name.left(500));
    }

    void nullNameStopsBeats() {
        QVERIFY(mpBeater->SetHeartBeatJson(kName, nullptr, PROCESS_STATUS_RUNNING));
        QVERIFY(!mpBeater->SetHeartBeatJson(nullptr, "1", PROCESS_STATUS_RUNNING));
        mpBeater->SendBeat();
        mpBeater->RequestRepub();
        // Commands do not need a prepared heartbeat: this one must be the
        // first thing the monitor sees.
        mpBeater->SendRebootCommand();
        QCOMPARE(Receive(mMonitor.get()), (QList<QByteArray>{"HbFwdAppCmd", R"({"Command":9})"}));
        QVERIFY(Receive(mMonitor.get(), 300).isEmpty());
    }

    void repubAndUpgradeRequests() {
        QVERIFY(mpBeater->SetHeartBeatJson(kName, nullptr, PROCESS_STATUS_RUNNING));
        mpBeater->RequestRepub();
        QCOMPARE(Receive(mMonitor.get()), QList<QByteArray>{"HbReqRepubSysStatus"});
        mpBeater->SendSwUpgradeCommand();
        QCOMPARE(Receive(mMonitor.get()), (QList<QByteArray>{"HbFwdAppCmd", R"({"Command":100})"}));
    }

    void parseAppCommand_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("command");
        QTest::newRow("upgrade") << QByteArray(R"({"Command":100})") << 100;
        QTest::newRow("reboot among others") << QByteArray(R"({"x":1,"Command":9})") << 9;
        QTest::newRow("negative") << QByteArray(R"({"Command":-7})") << -7;
        QTest::newRow("command as string") << QByteArray(R"({"Command":"9"})") << -1;
        QTest::newRow("command as float") << QByteArray(R"({"Command":100.0})") << -1;
        QTest::newRow("beyond 32 bits") << QByteArray(R"({"Command":4294967396})") << -1;
        QTest::newRow("null command") << QByteArray(R"({"Command":null})") << -1;
        QTest::newRow("no command") << QByteArray(R"({"command":100})") << -1;
        QTest::newRow("empty array") << QByteArray("[]") << -1;
        QTest::newRow("not json") << QByteArray("Command=100") << -1;
        QTest::newRow("empty text") << QByteArray("") << -1;
    }

    void parseAppCommand() {
        QFETCH(QByteArray, json);
        QFETCH(int, command);
        QCOMPARE(cHeartBeater::ParseAppCommand(json.constData()), command);
    }

    void parseAppCommandOfNull() { QCOMPARE(cHeartBeater::ParseAppCommand(nullptr), -1); }

    void secondConnectIsRefused() {
        ConsoleCapture err(2);
        QVERIFY(!mpBeater->ConnectMqOverIpc());
        QVERIFY(err.Text().contains(QByteArray("Seems this instance already connected to ipc://") +
                                    mEnv.MqDir().toLocal8Bit() + "/hbMonPullMq.ipc"));
        QVERIFY(mpBeater->SetHeartBeatJson(kName, nullptr, PROCESS_STATUS_RUNNING));
        mpBeater->SendBeat();
        QCOMPARE(Receive(mMonitor.get()).value(1), QByteArray(kBeat));
    }

    void timerWrapperBeatsOnItsOwn() {
        mpBeater->CloseMq();
        cKeldHeartbeater keld;
        QCOMPARE(keld.objectName(), QStringLiteral("MainZmq"));
        keld.Init(kName);
        QVERIFY(keld.IsRunning());
        QCOMPARE(Receive(mMonitor.get(), 5000), (QList<QByteArray>{"HbProc", kBeat}));
    }

    void absentMonitorNeverStallsAndLeavesNoHalfMessage() {
        mMonitor.reset();
        mpBeater->CloseMq();
        QVERIFY(mpBeater->ConnectMqOverIpc());
        QVERIFY(mpBeater->SetHeartBeatJson(kName, nullptr, PROCESS_STATUS_RUNNING));
        {
            ConsoleCapture err(2);
            // Far past the socket's queue of 1000: every call must come back.
            for (int i = 0; i < 5000; ++i)
                mpBeater->SendBeat();
            const QByteArray text = err.Text();
            QVERIFY(text.contains("HeartBeater|"));
            QVERIFY(text.count("|\"Failed to send HB Topic.\"") >= 1000);
        }
        // The monitor comes back: what was queued and what follows arrive
        // as whole two-frame beats.
        mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc"));
        QVERIFY(mMonitor);
        mpBeater->SendBeat();
        int received = 0;
        for (QList<QByteArray> frames = Receive(mMonitor.get(), 3000); !frames.isEmpty();
             frames = Receive(mMonitor.get(), 500)) {
            QCOMPARE(frames, (QList<QByteArray>{"HbProc", kBeat}));
            ++received;
        }
        QVERIFY(received >= 1);
    }

    void cleanupTestCase() {
        cHeartBeater::DeleteInstance();
        mMonitor.reset();
    }

private:
    TestBusEnvironment mEnv;
    ZsockPtr mMonitor;
    cHeartBeater* mpBeater = nullptr;
};

QTEST_GUILESS_MAIN(tst_HeartBeater)
#include "test_heartbeater.moc"
