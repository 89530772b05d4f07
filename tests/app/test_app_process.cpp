#include "support/AppProcess.h"
#include "support/TestBus.h"

#include <QDir>
#include <QTest>

class TestAppProcess final : public QObject {
    Q_OBJECT

private slots:
    void startsInOrderAndStopsOnInterrupt_data();
    void startsInOrderAndStopsOnInterrupt();

private:
    TestBusEnvironment mBus;
};

// Guards the start-up sequence and the interrupt path: the handler must only
// wake the GUI thread, which says goodbye, leaves the loop and returns 0,
// for a terminal's interrupt and for a service manager's stop alike.
void TestAppProcess::startsInOrderAndStopsOnInterrupt_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestAppProcess::startsInOrderAndStopsOnInterrupt() {
    QFETCH(int, signal);
    AppProcess app(mBus.MqDir());
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
    QVERIFY(app.Interrupt(signal));
    QVERIFY(app.WaitForExit());
    QCOMPARE(app.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.Process().exitCode(), 0);
    QVERIFY(app.Stdout().endsWith("Brisvel: Event loop exited.\n"));
    QVERIFY(app.Stderr().contains("Bye :)\n"));
    // Nothing but what the test itself made is left in the bus directory.
    QCOMPARE(QDir(mBus.MqDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

QTEST_GUILESS_MAIN(TestAppProcess)
#include "test_app_process.moc"
