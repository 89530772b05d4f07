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
#include <sys/socket.h>
#include <sys/un.h>

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

    // Guards the service protocol: READY with the version line, watchdog pings from the GUI
    // thread where WATCHDOG_USEC asks for them, and STOPPING on a clean stop.
    void tellsTheServiceManager() {
        TestBusEnvironment bus;
        sockaddr_un address{AF_UNIX, {}};
        std::strcpy(address.sun_path, qPrintable(bus.MqDir() + "/notify"));
        const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const timeval wait{10, 0};
        QVERIFY(setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0 &&
                bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        qputenv("NOTIFY_SOCKET", address.sun_path), qputenv("WATCHDOG_USEC", "400000");
        AppProcess app(bus.MqDir());
        qunsetenv("NOTIFY_SOCKET"), qunsetenv("WATCHDOG_USEC");
        auto next = [fd, text = QByteArray(256, 0)]() mutable {
            return text.left(int(qMax<ssize_t>(recv(fd, text.data(), 256, 0), 0)));
        };
        QVERIFY(app.Start());
        QVERIFY(next().startsWith("READY=1\nSTATUS=brisvel-visualiser 0.1, source revision "));
        QCOMPARE(next(), QByteArray("WATCHDOG=1"));
        QVERIFY(app.Interrupt(SIGTERM));
        QByteArray last = next();
        while (last == "WATCHDOG=1") // pings sent before the signal came
            last = next();
        QCOMPARE(last, QByteArray("STOPPING=1"));
        QVERIFY(app.WaitForExit() && app.ExitCode() == 0 && close(fd) == 0);
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
