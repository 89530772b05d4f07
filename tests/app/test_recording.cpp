// ctest-resource-lock: port2004
// 'unit-sim record' and 'replay': a recording of the unit's traffic played into a
// fresh window must leave it as the original left the first.
#include "app/MainWindow.h"
#include "support/ChildProcess.h"
#include "support/TestBus.h"
#include "visualiser/PageDolbyVisualiser.h"

#include <QtTest>

#include <memory>
#include <vector>

class tst_Recording final : public QObject {
    Q_OBJECT

    TestBusEnvironment mEnv;
    std::vector<std::unique_ptr<ChildProcess>> mSims;

    ChildProcess* Sim(const QStringList& args) {
        mSims.push_back(std::make_unique<ChildProcess>());
        mSims.back()->start(qEnvironmentVariable("BRISVEL_UNIT_SIM"), args);
        return mSims.back().get();
    }
    // The event loop keeps turning meanwhile: the window's subscribers poll on it.
    static bool Finish(ChildProcess* pSim) {
        const bool bDone =
            QTest::qWaitFor([pSim] { return pSim->state() == QProcess::NotRunning; }, 20000) &&
            pSim->exitStatus() == QProcess::NormalExit && pSim->exitCode() == 0;
        if (!bDone) // e.g. a port still held by another suite's process
            qWarning(
                "%s",
                (pSim->arguments().join(' ').toUtf8() + pSim->readAllStandardError()).constData());
        return bDone;
    }
    // Minimised, view and markers once the ED2 backlog has drained.
    static QVariantList Settled(MainWindow& window) {
        QList<QVector3D> previous;
        do {
            previous = window.VisualiserPage()->DynamicObjects();
            QTest::qWait(500);
        } while (previous != window.VisualiserPage()->DynamicObjects());
        return {window.windowState().testFlag(Qt::WindowMinimized), window.VisualiserPage()->View(),
                QVariant::fromValue(previous)};
    }

private slots:
    // A failed check must not leave a role holding the bus for the next test.
    void cleanup() { mSims.clear(); }

    // A topic, payload or order lost between recording and replay.
    void replayEndsInTheOriginalState() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("BRISVEL_UNIT_SIM"), "ctest sets BRISVEL_UNIT_SIM");
        const QString file = mEnv.MqDir() + QStringLiteral("/bus.rec");
        QVariantList original;
        {
            MainWindow window;
            window.Init();
            window.show();
            ChildProcess* pRecord = Sim({"record", file});
            QVERIFY(pRecord->waitForReadyRead());
            ChildProcess* pEd2 = Sim({"ed2", "--rate", "10"});
            // Shown, turned to the front, then sent back by a system update.
            QVERIFY(Finish(Sim({"peer", "--settle", "500", "--repeat", "2", "show"})));
            QVERIFY(Finish(Sim({"peer", "--settle", "300", "--repeat", "2", "view", "front"})));
            ChildProcess* pMonitor =
                Sim({"hbmon", "--update-message", "Upgrade", "--after", "300"});
            QByteArray said;
            QTRY_VERIFY_WITH_TIMEOUT(
                (said += pMonitor->readAllStandardOutput()).contains("sent SiSystemUpdate"), 5000);
            pMonitor->terminate();
            pEd2->terminate();
            QVERIFY(Finish(pMonitor) && Finish(pEd2));
            original = Settled(window);
            pRecord->terminate();
            QVERIFY(Finish(pRecord));
        }
        QCOMPARE(original.mid(0, 2), (QVariantList{true, VisualiserProjection::kFrontView}));
        QVERIFY(!original[2].value<QList<QVector3D>>().isEmpty());
        MainWindow window;
        window.Init();
        window.show();
        QVERIFY(Finish(Sim({"replay", file})));
        QCOMPARE(Settled(window), original);
    }
};

QTEST_MAIN(tst_Recording)
#include "test_recording.moc"
