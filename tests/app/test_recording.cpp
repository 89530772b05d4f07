// 'unit-sim record', 'replay' and 'render': a recording of the unit's traffic played
// into a fresh window must leave it as the original left the first, and render it so.
#include "app/MainWindow.h"
#include "tests/support/AppProcess.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TestBus.h"
#include "visualiser/PageDolbyVisualiser.h"

#include <QDir>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <vector>

class tst_Recording final : public QObject {
    Q_OBJECT

    TestBusEnvironment mEnv;
    std::vector<std::unique_ptr<AppProcess>> mSims;

    AppProcess* Sim(const QStringList& args) {
        mSims.push_back(std::make_unique<AppProcess>(mEnv.MqDir(), args,
                                                     qEnvironmentVariable("BRISVEL_UNIT_SIM")));
        mSims.back()->Start();
        return mSims.back().get();
    }
    // The event loop keeps turning meanwhile: the window's subscribers read on it.
    static bool Finish(AppProcess* pSim) {
        const bool bDone = pSim->WaitForExit(20000) && pSim->ExitCode() == 0;
        if (!bDone) // e.g. a port still held by another process
            qWarning("%s", pSim->Stderr().constData());
        return bDone;
    }
    static bool Stop(AppProcess* pSim) { return pSim->Interrupt(SIGTERM) && Finish(pSim); }
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
        const QString file = mEnv.MqDir() + QStringLiteral("/bus.rec");
        QVariantList original;
        {
            MainWindow window;
            window.Init();
            window.show();
            AppProcess* pRecord = Sim({"record", file});
            QVERIFY(pRecord->WaitForLine("record: writing " + file.toUtf8() + " until stopped"));
            AppProcess* pEd2 = Sim({"ed2", "--rate", "10"});
            // Shown, turned to the front, then sent back by a system update.
            QVERIFY(Finish(Sim({"peer", "--settle", "500", "--repeat", "2", "show"})));
            QVERIFY(Finish(Sim({"peer", "--settle", "300", "--repeat", "2", "view", "front"})));
            AppProcess* pMonitor = Sim({"hbmon", "--update-message", "Upgrade", "--after", "300"});
            QTRY_VERIFY_WITH_TIMEOUT(pMonitor->Stdout().contains("sent SiSystemUpdate"), 5000);
            QVERIFY(Stop(pMonitor) && Stop(pEd2));
            original = Settled(window);
            QVERIFY(Stop(pRecord));
        }
        QCOMPARE(original.mid(0, 2), (QVariantList{true, VisualiserProjection::kFrontView}));
        QVERIFY(!original[2].value<QList<QVector3D>>().isEmpty());
        MainWindow window;
        window.Init();
        window.show();
        QVERIFY(Finish(Sim({"replay", file})));
        QCOMPARE(Settled(window), original);
    }

    // A cut-short file not played up to its last whole record, or a foreign one not refused.
    void replaysWhatIsWhole() {
        QFile demo(QStringLiteral("tests/data/demo.rec"));
        QVERIFY(demo.open(QIODevice::ReadOnly));
        const QByteArray recording = demo.readAll();
        // The 20-byte header, then three records: an 8-byte prefix whose first
        // four bytes give the body's length, then the body.
        qsizetype end = 20;
        for (int i = 0; i < 3; ++i)
            end += 8 + qFromLittleEndian<quint32>(recording.constData() + end);
        const QList<std::pair<QByteArray, QByteArray>> cases = {
            {recording.left(end + 9), "stopped at byte " + QByteArray::number(end) +
                                          " after 3 whole records: the last record is cut short"},
            {"{\"Show\":true}", "not a recording: it does not start with \"BRISVREC\""}};
        for (const auto& [bytes, line] : cases) {
            QFile file(mEnv.MqDir() + QStringLiteral("/damaged.rec"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            file.close();
            AppProcess* pReplay =
                Sim({"replay", file.fileName(), "--speed", "100", "--settle", "0"});
            QVERIFY(pReplay->WaitForExit(20000));
            QCOMPARE(pReplay->ExitCode(), line.startsWith("not") ? 1 : 0);
            QVERIFY2((pReplay->Stdout() + pReplay->Stderr()).contains(line),
                     pReplay->Stderr().constData());
        }
    }

    // render drawing other than the app's SIGUSR1 screenshot after the same events.
    void renderMatchesTheAppsScreenshots() {
        qputenv("RUNTIME_DIRECTORY", mEnv.MqDir().toUtf8() + "/shots");
        AppProcess app(mEnv.MqDir());
        qunsetenv("RUNTIME_DIRECTORY");
        QVERIFY(app.Start() && app.WaitForLine("Brisvel: Starting event loop."));
        const QByteArray said("Brisvel: Screenshot written to ");
        // Before the peer's view switch at 1.209 s, after it, and the whole demo.
        for (const QString to : {"0.45", "1.25", "3"}) {
            QVERIFY(Finish(Sim({"replay", "tests/data/demo.rec", "--to", to, "--speed", "4"})));
            const int shots = int(app.Stdout().count(said));
            QVERIFY(app.Interrupt(SIGUSR1));
            QTRY_COMPARE(int(app.Stdout().count(said)), shots + 1);
            const QByteArray out = app.Stdout();
            const qsizetype at = out.lastIndexOf(said) + said.size();
            const QImage shot(QString::fromUtf8(out.mid(at, out.indexOf('\n', at) - at)));
            const QString dir = mEnv.MqDir() + "/frames" + to;
            QVERIFY(Finish(Sim({"render", "tests/data/demo.rec", dir, "--frames", "--to", to})));
            const QImage frame(dir + "/" + QDir(dir).entryList({"*.png"}).constLast());
            // Maximised on the offscreen screen the window is larger: the page is at its corner.
            QVERIFY(frame.size() == QSize(472, 266) && shot.width() >= 472 && shot.height() >= 266);
            int differing = 0;
            for (int y = 0; y < frame.height(); ++y)
                for (int x = 0; x < frame.width(); ++x)
                    differing += !PixelProbe::Near(shot.pixel(x, y), frame.pixelColor(x, y), 32);
            // One demo event moves at least 1754 pixels; 50 is room for edge and glyph pixels.
            QVERIFY2(differing <= 50, qPrintable(QString::number(differing) + " pixels differ"));
        }
    }
};

QTEST_MAIN(tst_Recording)
#include "test_recording.moc"
