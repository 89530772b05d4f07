#include "app/MainWindow.h"
#include "support/TestBus.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

// Guards the peer's road into the window: the simulated peer front-panel
// application publishes "Switch", and the started peer subscriber must
// maximise or minimise the real main window through its wiring.
class tst_AppPeer final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void switchMaximisesAndMinimises();

private:
    // Runs the simulator's peer role with one command; true when it sent.
    bool RunPeer(const QStringList& command);

    TestBusEnvironment mEnv;
    QString mSimPath;
};

void tst_AppPeer::initTestCase() {
    mSimPath = qEnvironmentVariable("BRISVEL_UNIT_SIM");
    if (mSimPath.isEmpty())
        QSKIP("BRISVEL_UNIT_SIM is not set (run through ctest)");
}

bool tst_AppPeer::RunPeer(const QStringList& command) {
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISVEL_MQ_DIR"), mEnv.MqDir());
    sim.setProcessEnvironment(env);
    // Sent a few times: each copy is harmless, and one is enough to arrive.
    sim.start(mSimPath,
              QStringList{QStringLiteral("peer"), QStringLiteral("--settle"), QStringLiteral("500"),
                          QStringLiteral("--repeat"), QStringLiteral("4")} +
                  command);
    if (!sim.waitForStarted(5000))
        return false;
    // Keep the event loop turning: the window's subscriber polls on it.
    QElapsedTimer timer;
    timer.start();
    while (sim.state() != QProcess::NotRunning && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        sim.waitForFinished(20);
    }
    const QByteArray out = sim.readAllStandardOutput();
    return sim.exitStatus() == QProcess::NormalExit && sim.exitCode() == 0 &&
           out.contains("peer: sent Switch");
}

void tst_AppPeer::switchMaximisesAndMinimises() {
    MainWindow window;
    window.Init();
    window.show();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));

    QVERIFY(RunPeer({QStringLiteral("show")}));
    QTRY_VERIFY_WITH_TIMEOUT(window.windowState().testFlag(Qt::WindowMaximized), 5000);

    QVERIFY(RunPeer({QStringLiteral("hide")}));
    QTRY_VERIFY_WITH_TIMEOUT(window.windowState().testFlag(Qt::WindowMinimized), 5000);

    // A "Switch" for another application leaves the window where it is.
    QVERIFY(RunPeer({QStringLiteral("--app"), QStringLiteral("Meters"), QStringLiteral("show")}));
    QTest::qWait(300);
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
}

QTEST_MAIN(tst_AppPeer)
#include "test_app_peer.moc"
