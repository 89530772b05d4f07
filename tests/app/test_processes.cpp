// The suites that start a process: the visualiser itself, or this program again
// with other arguments. One executable, one bus each.
#include "app/MainWindow.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "tests/support/AppProcess.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TestBus.h"
#include "tests/support/X11Probe.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QtTest>

#include <cstring>
#include <list>
#include <sys/socket.h>
#include <sys/un.h>

class tstProcesses final : public QObject {
    Q_OBJECT
    static inline const QString kFront = "maximised active 472x266+0+0 frameless",
                                kBack = "iconic 472x266+0+0 frameless";

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

    void windowBesideThePeer_data() {
        QTest::addColumn<QString>("steps"); // unit-sim roles; "raise": the peer's window
        QTest::addColumn<QString>("says");  // the window manager, after them
        QTest::newRow("top view") << "peer show;raise;peer show" << kFront; // over the peer again
        QTest::newRow("front view") << "peer show;peer view front" << kFront;
        QTest::newRow("front, settings")
            << R"(peer show;appserver decoder --view "Front View")" << kFront;
        QTest::newRow("switch false") << "peer show;peer hide" << kBack;
        QTest::newRow("another app, dual") << "Dual;peer show;peer --app Meters hide" << kFront;
        QTest::newRow("system update") << "peer show;hbmon --update-message Now" << kBack;
        QTest::newRow("upgrade command") << "peer show;hbmon --command 100" << QString("none");
    }
    // Guards the window as the window manager and the X server see it, beside the
    // peer's: starts behind it, comes to the front over all of it on the peer's and
    // the monitor's messages, gives it the screen back; the room follows the view.
    void windowBesideThePeer() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X11 display with a window manager");
        QFETCH(QString, steps);
        QFETCH(QString, says);
        const QColor kPeerColour(0, 128, 96), kGridGrey(128, 128, 128), kFrontWall(92, 8, 99);
        TestBusEnvironment bus;
        QWidget peer(nullptr, Qt::FramelessWindowHint);
        peer.setPalette(QPalette(kPeerColour));
        peer.setGeometry(0, 0, 472, 266);
        peer.show();
        std::list<AppProcess> sims; // the decoder, the peer, the monitor, the settings
        const QString unitSim = qEnvironmentVariable("BRISVEL_UNIT_SIM");
        const auto sim = [&](const QString& role) {
            return sims.emplace_back(bus.MqDir(), QProcess::splitCommand(role), unitSim).Start();
        };
        AppProcess app(bus.MqDir(), steps.startsWith("Dual") ? QStringList{"Dual"} : QStringList());
        QVERIFY(sim("ed2") && app.Start());
        QTRY_COMPARE(X11Probe::Says(peer.winId()), kBack);
        for (const QString& step : steps.split(';')) {
            if (step == "raise") // the next peer takes a second before it sends
                peer.activateWindow();
            else if (step != "Dual") // the monitor stays; the others leave once they have sent
                QVERIFY(sim(step) && (step.startsWith("hbmon") || sims.back().WaitForExit()));
        }
        QTRY_COMPARE(X11Probe::Says(peer.winId()), says);
        QTest::qWait(500); // both sides repaint what they uncovered
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const auto count = [&](QColor c) { return PixelProbe::Count(screen, screen.rect(), c, 4); };
        QCOMPARE(count(kPeerColour), says == kFront ? 0 : 472 * 266);
        const QString tag = QTest::currentDataTag(),
                      dir = qEnvironmentVariable("BRISVEL_SCREENSHOTS");
        QVERIFY(says != kFront || count(tag.startsWith("front") ? kFrontWall : kGridGrey) > 4000);
        if (!dir.isEmpty() && tag.endsWith(" view")) // the README's pictures
            QVERIFY(screen.save(dir + "/visualiser-" + tag.section(' ', 0, 0) + ".png"));
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
