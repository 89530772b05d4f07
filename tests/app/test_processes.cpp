// The suites that start a process: the visualiser itself, or this program again
// with other arguments. One executable, one bus each.
#include "app/MainWindow.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestBus.h"

#include <QApplication>
#include <QDir>
#include <QtTest>

#include <cstring>

class tstProcesses final : public QObject {
    Q_OBJECT

private slots:
    // Guards the start-up sequence and the stop path (a terminal's SIGINT, a service
    // manager's SIGTERM): the handler must only wake the GUI thread, which says
    // goodbye, leaves the loop and returns 0.
    void startsInOrderAndStopsOnInterrupt() {
        for (const int stopSignal : {SIGINT, SIGTERM}) {
            TestBusEnvironment bus;
            AppProcess app(bus.MqDir());
            QVERIFY2(app.Start(), "BRISVEL_APP must name the built application");
            QVERIFY2(app.WaitForLine("Brisvel: Starting event loop."), app.Stdout().constData());
            const QByteArray out = app.Stdout();
            qsizetype at = 0;
            for (const char* pLine :
                 {"Brisvel: Front panel Dolby Visualiser Application starting.",
                  "Brisvel: Initializing static classes.", "Brisvel: Initializing main Qt window.",
                  "\"Initialising Dolby Visualiser App.\"", "\"Setting Up Heart Beater.\"",
                  "\"Setting Up Meter Data.\"", "\"Setting Up Logger Instance.\"",
                  "Brisvel: Connecting slots by name (if any).", "Brisvel: Showing window.",
                  "Brisvel: Starting event loop."})
                QVERIFY2((at = out.indexOf(pLine, at)) >= 0,
                         (pLine + ("\n missing or late in:\n" + out)).constData());
            QTest::qWait(300); // a few poll ticks with nothing to read
            QVERIFY2(app.Interrupt(stopSignal) && app.WaitForExit(), strsignal(stopSignal));
            QCOMPARE(app.ExitCode(), 0);
            QVERIFY(app.Stdout().endsWith("Brisvel: Event loop exited.\n"));
            QVERIFY(app.Stderr().contains("Bye :)\n"));
            // Nothing but what the test itself made is left in the bus directory.
            QCOMPARE(QDir(bus.MqDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                     QStringList());
        }
    }

    void showMetersHonoursTheFirstArgument_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("dual");
        QTest::newRow("any letter case") << QStringList{"DUAL"} << true;
        QTest::newRow("none") << QStringList{} << false;
        QTest::newRow("only as the second argument") << QStringList{"x", "Dual"} << false;
    }
    // Guards the dual flag (read from the app's own arguments, so each case runs
    // this program again): in dual mode showing the meters leaves the window alone.
    void showMetersHonoursTheFirstArgument() {
        QFETCH(QStringList, arguments);
        AppProcess child({}, QStringList{"--child"} + arguments,
                         QCoreApplication::applicationFilePath());
        QVERIFY(child.Start() && child.WaitForExit(30000));
        QFETCH(bool, dual);
        QCOMPARE(child.ExitCode(), dual ? 2 : 1);
    }
};

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
