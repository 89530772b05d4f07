// Guards against a running app that stops beating, quits on the wrong
// forwarded command, or fails to leave cleanly on the upgrade command.
#include "support/AppProcess.h"
#include "support/BusReceive.h"
#include "support/TestBus.h"

#include <QTest>

class tst_AppHeartbeat final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        mMonitor = BindSocket(ZMQ_PULL, mEnv.Ipc("hbMonPullMq.ipc"));
        mUpdates = BindSocket(ZMQ_PUB, mEnv.Ipc("hbMonPubMq.ipc"));
        QVERIFY(mMonitor && mUpdates);
        QVERIFY2(mApp.Start(), "BRISVEL_APP must name the built application");
    }

    // Guards against the app's heartbeat timer never firing or firing only once.
    void beatsArriveEverySecond() {
        const QList<QByteArray> beat{
            "HbProc", R"({"HbKey":"RoVodirAzazodovir","Version":"Unknown","State":1})"};
        QCOMPARE(Receive(mMonitor.get(), 15000), beat);
        QCOMPARE(Receive(mMonitor.get(), 3500), beat);
    }

    // Guards against the app quitting on a forwarded command other than the upgrade.
    void rebootCommandIsIgnored() {
        QVERIFY(SendTopic(mUpdates.get(), "HbAppCmd", R"({"Command":9})"));
        QTest::qWait(1500); // three polls of the subscriber
        QCOMPARE(mApp.Process().state(), QProcess::Running);
    }

    // Guards against the upgrade command leaving the app running, or ending it
    // without its shutdown lines and a clean exit.
    void upgradeCommandEndsTheApp() {
        // Resent in case the first copy met a subscriber still joining.
        for (int i = 0; i < 5 && mApp.Process().state() != QProcess::NotRunning; ++i) {
            QVERIFY(SendTopic(mUpdates.get(), "HbAppCmd", R"({"Command":100})"));
            mApp.WaitForExit(2000);
        }
        QCOMPARE(mApp.Process().state(), QProcess::NotRunning);
        QCOMPARE(mApp.Process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(mApp.Process().exitCode(), 0);
        QVERIFY(mApp.Stdout().endsWith("Brisvel: Event loop exited.\n"));
    }

private:
    TestBusEnvironment mEnv;
    ZsockPtr mMonitor;
    ZsockPtr mUpdates;
    AppProcess mApp{mEnv.MqDir()};
};

QTEST_GUILESS_MAIN(tst_AppHeartbeat)
#include "test_app_hb.moc"
