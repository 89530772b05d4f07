#include "app/MainWindow.h"
#include "support/ChildProcess.h"
#include "support/TestBus.h"

#include <QtTest>

// Guards the peer's road into the window: the simulated peer front-panel
// application publishes "Switch", and the started peer subscriber must
// maximise or minimise the real main window through its wiring.
class tst_AppPeer final : public QObject {
    Q_OBJECT

private slots:
    void switchMaximisesAndMinimises();

private:
    // Runs the simulator's peer role with one command; true when it sent.
    bool RunPeer(const QStringList& command);

    TestBusEnvironment mEnv;
};

bool tst_AppPeer::RunPeer(const QStringList& command) {
    ChildProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISVEL_MQ_DIR"), mEnv.MqDir());
    sim.setProcessEnvironment(env);
    // Sent a few times: each copy is harmless, and one is enough to arrive.
    sim.start(qEnvironmentVariable("BRISVEL_UNIT_SIM"),
              QStringList{"peer", "--settle", "500", "--repeat", "4"} + command);
    // The event loop keeps turning meanwhile: the window's subscriber polls on it.
    return QTest::qWaitFor([&sim] { return sim.state() == QProcess::NotRunning; }, 20000) &&
           sim.exitCode() == 0 && sim.readAllStandardOutput().contains("peer: sent Switch");
}

void tst_AppPeer::switchMaximisesAndMinimises() {
    if (qEnvironmentVariableIsEmpty("BRISVEL_UNIT_SIM"))
        QFAIL("BRISVEL_UNIT_SIM must name the built unit-sim (ctest sets it)");
    MainWindow window;
    window.Init();
    window.show();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));

    QVERIFY(RunPeer({"show"}));
    QTRY_VERIFY_WITH_TIMEOUT(window.windowState().testFlag(Qt::WindowMaximized), 5000);
    QVERIFY(RunPeer({"hide"}));
    QTRY_VERIFY_WITH_TIMEOUT(window.windowState().testFlag(Qt::WindowMinimized), 5000);

    // A "Switch" for another application leaves the window where it is.
    QVERIFY(RunPeer({"--app", "Meters", "show"}));
    QTest::qWait(300);
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
}

QTEST_MAIN(tst_AppPeer)
#include "test_app_peer.moc"
