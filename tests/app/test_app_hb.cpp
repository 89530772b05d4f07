// Guards against a running app that stops beating, quits on the wrong
// forwarded command, or fails to leave cleanly on the upgrade command.
#include "support/TestBus.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

namespace {

// One message as frames; empty when none came in time. Keeps the event loop
// turning meanwhile so the child's output is collected.
QList<QByteArray> Receive(zsock_t* pSocket, int timeoutMs) {
    QList<QByteArray> frames;
    QElapsedTimer timer;
    timer.start();
    zmsg_t* pMessage = nullptr;
    zsock_set_rcvtimeo(pSocket, 20);
    while (!pMessage && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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

class tst_AppHeartbeat final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString app = qEnvironmentVariable("BRISVEL_APP");
        if (app.isEmpty())
            QSKIP("BRISVEL_APP is not set");
        mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc"));
        mUpdates = BindSocket(ZMQ_PUB, mEnv.Ipc("hbMonPubMq.ipc"));
        QVERIFY(mMonitor && mUpdates);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("BRISVEL_MQ_DIR"), mEnv.MqDir());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        mApp.setProcessEnvironment(environment);
        mApp.start(app, {});
        QVERIFY(mApp.waitForStarted(10000));
    }

    void beatsArriveEverySecond() {
        const QList<QByteArray> beat{
            "HbProc", R"({"HbKey":"RoVodirAzazodovir","Version":"Unknown","State":1})"};
        QCOMPARE(Receive(mMonitor.get(), 15000), beat);
        QCOMPARE(Receive(mMonitor.get(), 3500), beat);
    }

    void rebootCommandIsIgnored() {
        QVERIFY(SendTopic(mUpdates.get(), "HbAppCmd", R"({"Command":9})"));
        QTest::qWait(1500); // three polls of the subscriber
        QCOMPARE(mApp.state(), QProcess::Running);
    }

    void upgradeCommandEndsTheApp() {
        // Resent in case the first copy met a subscriber still joining.
        for (int i = 0; i < 5 && mApp.state() != QProcess::NotRunning; ++i) {
            QVERIFY(SendTopic(mUpdates.get(), "HbAppCmd", R"({"Command":100})"));
            mApp.waitForFinished(2000);
        }
        QCOMPARE(mApp.state(), QProcess::NotRunning);
        QCOMPARE(mApp.exitStatus(), QProcess::NormalExit);
        QCOMPARE(mApp.exitCode(), 0);
        QVERIFY(mApp.readAllStandardOutput().contains("Brisvel: Event loop exited."));
    }

    void cleanupTestCase() {
        if (mApp.state() != QProcess::NotRunning) {
            mApp.kill();
            mApp.waitForFinished(5000);
        }
        mMonitor.reset();
        mUpdates.reset();
    }

private:
    TestBusEnvironment mEnv;
    ZsockPtr mMonitor;
    ZsockPtr mUpdates;
    QProcess mApp;
};

QTEST_GUILESS_MAIN(tst_AppHeartbeat)
#include "test_app_hb.moc"
