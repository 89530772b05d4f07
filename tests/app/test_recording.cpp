// ctest-resource-lock: port2004
#include "app/MainWindow.h"
#include "support/ChildProcess.h"
#include "support/TestBus.h"
#include "visualiser/PageDolbyVisualiser.h"

#include <QtEndian>
#include <QtTest>

#include <memory>
#include <vector>

// Guards 'unit-sim record' and 'replay': a recording of the unit's traffic,
// played back into a fresh window, must leave it as the original left the
// first; a damaged or foreign file must be played or refused with a clear line.
class tst_Recording final : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void replayEndsInTheOriginalState();
    void replaysWhatIsWhole_data();
    void replaysWhatIsWhole();

private:
    struct sState {
        bool bMinimised;
        int iView;
        QList<QVector3D> objects;
    };
    // Starts a simulator role; the caller waits for it or stops it.
    ChildProcess* Sim(const QStringList& args);
    bool Finish(ChildProcess* pSim, int iTimeoutMs = 20000);
    // The window's state once the ED2 backlog has drained.
    static sState Settled(MainWindow& window);

    TestBusEnvironment mEnv;
    std::vector<std::unique_ptr<ChildProcess>> mSims;
};

ChildProcess* tst_Recording::Sim(const QStringList& args) {
    mSims.push_back(std::make_unique<ChildProcess>());
    mSims.back()->start(qEnvironmentVariable("BRISVEL_UNIT_SIM"), args);
    return mSims.back().get();
}

bool tst_Recording::Finish(ChildProcess* pSim, int iTimeoutMs) {
    // The event loop keeps turning meanwhile: the window's subscribers poll on it.
    const bool bDone =
        QTest::qWaitFor([pSim] { return pSim->state() == QProcess::NotRunning; }, iTimeoutMs) &&
        pSim->exitStatus() == QProcess::NormalExit && pSim->exitCode() == 0;
    if (!bDone) // e.g. a port still held by another suite's process
        qWarning("%s", (pSim->arguments().join(' ').toUtf8() + ": " + pSim->readAllStandardError())
                           .constData());
    return bDone;
}

// A failed check must not leave a role holding the bus for the next test.
void tst_Recording::cleanup() {
    mSims.clear(); // each kills its process if still running
}

tst_Recording::sState tst_Recording::Settled(MainWindow& window) {
    QList<QVector3D> previous;
    do {
        previous = window.VisualiserPage()->DynamicObjects();
        QTest::qWait(500);
    } while (previous != window.VisualiserPage()->DynamicObjects());
    return {window.windowState().testFlag(Qt::WindowMinimized), window.VisualiserPage()->View(),
            previous};
}

void tst_Recording::replayEndsInTheOriginalState() {
    if (qEnvironmentVariableIsEmpty("BRISVEL_UNIT_SIM"))
        QFAIL("BRISVEL_UNIT_SIM must name the built unit-sim (ctest sets it)");
    const QString file = mEnv.MqDir() + QStringLiteral("/bus.rec");
    sState original;
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
        ChildProcess* pMonitor = Sim({"hbmon", "--update-message", "Upgrade", "--after", "300"});
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (said += pMonitor->readAllStandardOutput()).contains("sent SiSystemUpdate"),
            said.constData(), 5000);
        pMonitor->terminate();
        pEd2->terminate();
        QVERIFY(Finish(pMonitor) && Finish(pEd2));
        original = Settled(window);
        pRecord->terminate();
        QVERIFY(Finish(pRecord));
    }
    QVERIFY(original.bMinimised);
    QCOMPARE(original.iView, VisualiserProjection::kFrontView);
    QVERIFY(!original.objects.isEmpty());

    MainWindow window;
    window.Init();
    window.show();
    QVERIFY(Finish(Sim({"replay", file})));
    const sState replayed = Settled(window);
    QCOMPARE(replayed.bMinimised, original.bMinimised);
    QCOMPARE(replayed.iView, original.iView);
    QCOMPARE(replayed.objects, original.objects);
}

void tst_Recording::replaysWhatIsWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("line");
    QFile demo(QStringLiteral("tests/data/demo.rec"));
    QVERIFY(demo.open(QIODevice::ReadOnly));
    const QByteArray recording = demo.readAll();
    // Walks the 20-byte header and three records (8-byte prefix, then the body).
    qsizetype end = 20;
    for (int i = 0; i < 3; ++i)
        end += 8 + qFromLittleEndian<quint32>(recording.constData() + end);
    QTest::newRow("cut inside the fourth record")
        << recording.left(end + 9) << 0
        << QByteArray("stopped at byte ") + QByteArray::number(end) +
               " after 3 whole records: the last record is cut short";
    QTest::newRow("not a recording")
        << QByteArray("{\"Show\":true}") << 1
        << QByteArray("not a recording: it does not start with \"BRISVREC\"");
}

void tst_Recording::replaysWhatIsWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, line);
    QFile file(mEnv.MqDir() + QStringLiteral("/damaged.rec"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    ChildProcess* pReplay = Sim({"replay", file.fileName(), "--speed", "100", "--settle", "0"});
    QVERIFY(pReplay->waitForFinished(20000));
    QCOMPARE(pReplay->exitCode(), exitCode);
    const QByteArray said = pReplay->readAllStandardOutput() + pReplay->readAllStandardError();
    QVERIFY2(said.contains(line), said.constData());
}

QTEST_MAIN(tst_Recording)
#include "test_recording.moc"
