// The suites that start a process: the visualiser itself, the simulated peer,
// or this program again with other arguments. One executable, one bus each.
#include "app/MainWindow.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "support/AppProcess.h"
#include "support/BusReceive.h"
#include "support/ChildProcess.h"
#include "support/TestBus.h"

#include <QApplication>
#include <QDir>
#include <QtTest>

class tstProcesses final : public QObject {
    Q_OBJECT

private slots:
    void startsInOrderAndStopsOnInterrupt_data();
    void startsInOrderAndStopsOnInterrupt();
    void heartbeatAndCommands();
    void peerSwitchMaximisesAndMinimises();
    void showMetersHonoursTheFirstArgument_data();
    void showMetersHonoursTheFirstArgument();
};

void tstProcesses::startsInOrderAndStopsOnInterrupt_data() {
    QTest::addColumn<int>("stopSignal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

// Guards the start-up sequence and the stop path (a terminal's SIGINT, a service
// manager's SIGTERM): the handler must only wake the GUI thread, which says
// goodbye, leaves the loop and returns 0.
void tstProcesses::startsInOrderAndStopsOnInterrupt() {
    QFETCH(int, stopSignal);
    TestBusEnvironment bus;
    AppProcess app(bus.MqDir());
    QVERIFY2(app.Start(), "BRISVEL_APP must name the built application");
    QVERIFY2(app.WaitForLine("Brisvel: Starting event loop."), app.Stdout().constData());
    const QList<QByteArray> expected = {
        "Brisvel: Front panel Dolby Visualiser Application starting.",
        "Brisvel: Initializing static classes.",
        "Brisvel: Initializing main Qt window.",
        "\"Initialising Dolby Visualiser App.\"",
        "\"Setting Up Heart Beater.\"",
        "\"Setting Up Meter Data.\"",
        "\"Setting Up Logger Instance.\"",
        "Brisvel: Connecting slots by name (if any).",
        "Brisvel: Showing window.",
        "Brisvel: Starting event loop.",
    };
    const QByteArray out = app.Stdout();
    qsizetype from = 0;
    for (const QByteArray& line : expected) {
        const qsizetype at = out.indexOf(line, from);
        QVERIFY2(at >= 0, (line + " missing or out of order in:\n" + out).constData());
        from = at + line.size();
    }
    QTest::qWait(300); // a few poll ticks with nothing to read
    QVERIFY(app.Interrupt(stopSignal));
    QVERIFY(app.WaitForExit());
    QCOMPARE(app.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.Process().exitCode(), 0);
    QVERIFY(app.Stdout().endsWith("Brisvel: Event loop exited.\n"));
    QVERIFY(app.Stderr().contains("Bye :)\n"));
    // Nothing but what the test itself made is left in the bus directory.
    QCOMPARE(QDir(bus.MqDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

// Guards against a running app that stops beating, quits on a forwarded
// command other than the upgrade, or leaves uncleanly on the upgrade.
void tstProcesses::heartbeatAndCommands() {
    TestBusEnvironment bus;
    ZsockPtr monitor = BindSocket(ZMQ_PULL, bus.Ipc("hbMonPullMq.ipc"));
    ZsockPtr updates = BindSocket(ZMQ_PUB, bus.Ipc("hbMonPubMq.ipc"));
    QVERIFY(monitor && updates);
    AppProcess app(bus.MqDir());
    QVERIFY(app.Start());
    const QList<QByteArray> beat{"HbProc",
                                 R"({"HbKey":"RoVodirAzazodovir","Version":"Unknown","State":1})"};
    QCOMPARE(Receive(monitor.get(), 15000), beat);
    QCOMPARE(Receive(monitor.get(), 3500), beat);

    QVERIFY(SendTopic(updates.get(), "HbAppCmd", R"({"Command":9})"));
    QTest::qWait(1500); // three polls of the subscriber
    QCOMPARE(app.Process().state(), QProcess::Running);

    // Resent in case the first copy met a subscriber still joining.
    for (int i = 0; i < 5 && app.Process().state() != QProcess::NotRunning; ++i) {
        QVERIFY(SendTopic(updates.get(), "HbAppCmd", R"({"Command":100})"));
        app.WaitForExit(2000);
    }
    QCOMPARE(app.Process().state(), QProcess::NotRunning);
    QCOMPARE(app.Process().exitCode(), 0);
    QVERIFY(app.Stdout().endsWith("Brisvel: Event loop exited.\n"));
}

// Guards the peer's road into the window: "Switch" from the simulated peer
// must maximise or minimise the real window; one for another app must not.
void tstProcesses::peerSwitchMaximisesAndMinimises() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("BRISVEL_UNIT_SIM"), "ctest names the unit-sim");
    TestBusEnvironment bus;
    const auto runPeer = [&bus](const QStringList& command) {
        ChildProcess sim;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRISVEL_MQ_DIR"), bus.MqDir());
        sim.setProcessEnvironment(env);
        // Sent a few times: each copy is harmless, and one is enough to arrive.
        sim.start(qEnvironmentVariable("BRISVEL_UNIT_SIM"),
                  QStringList{"peer", "--settle", "500", "--repeat", "4"} + command);
        // The event loop keeps turning meanwhile: the window's subscriber polls on it.
        return QTest::qWaitFor([&sim] { return sim.state() == QProcess::NotRunning; }, 20000) &&
               sim.exitCode() == 0 && sim.readAllStandardOutput().contains("peer: sent Switch");
    };
    MainWindow window;
    window.Init();
    window.show();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
    QVERIFY(runPeer({"show"}));
    QTRY_VERIFY_WITH_TIMEOUT(window.windowState().testFlag(Qt::WindowMaximized), 5000);
    QVERIFY(runPeer({"hide"}));
    QTRY_VERIFY_WITH_TIMEOUT(window.windowState().testFlag(Qt::WindowMinimized), 5000);
    QVERIFY(runPeer({"--app", "Meters", "show"}));
    QTest::qWait(300);
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
}

void tstProcesses::showMetersHonoursTheFirstArgument_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("dual");
    QTest::newRow("Dual") << QStringList{"Dual"} << true;
    QTest::newRow("any letter case") << QStringList{"DUAL"} << true;
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("only as the second argument") << QStringList{"x", "Dual"} << false;
}

// Guards the dual flag (read from the app's own arguments, so each case runs
// this program again): in dual mode showing the meters leaves the window alone.
void tstProcesses::showMetersHonoursTheFirstArgument() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, dual);
    ChildProcess child;
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + arguments);
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), dual ? 2 : 1);
}

int main(int argc, char** argv) {
    const bool bChild = argc > 1 && QByteArray(argv[1]) == "--child";
    int appArgc = bChild ? argc - 1 : argc;
    if (bChild)
        argv[1] = argv[0]; // the window sees the arguments after "--child"
    QApplication app(appArgc, bChild ? argv + 1 : argv);
    if (!bChild) {
        tstProcesses test;
        return QTest::qExec(&test, argc, argv);
    }
    TestBusEnvironment bus;
    cSysColor::Init();
    cButtonStyle::Init();
    cLabelStyle::Init();
    MainWindow window;
    window.show();
    window.sltMaximizeApp();
    window.sltShowMeters();
    const bool minimised = window.windowState().testFlag(Qt::WindowMinimized);
    return window.IsDual() && !minimised ? 2 : (!window.IsDual() && minimised ? 1 : 3);
}

#include "test_processes.moc"
