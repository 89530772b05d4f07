// The bus subscribers on real sockets: each topic reaching its own signal, with
// its arguments, in the order sent.
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubWebBaseDolby.h"
#include "tests/support/PublishUntil.h"
#include "tests/support/TestBus.h"

#include <QtTest>

class tstSubscribers final : public QObject {
    Q_OBJECT

    TestBusEnvironment mEnv;

private slots:
    // A preset's signals out of the order the window relies on: settings first, then the
    // recall, then the meter screen.
    void presetSignalsInOrder() {
        ZsockPtr publisher = BindSocket(ZMQ_PUB, mEnv.Ipc("appServer.ipc"));
        QVERIFY(publisher);
        cZmqSubWebBaseDolby subscriber;
        subscriber.SetupAndRun("appServer.ipc");
        QSignalSpy applied(&subscriber, &cZmqSubWebBaseDolby::sigApplyDZMeters);
        // A Dolby-fed meter and a Dolby meter screen request.
        const auto preset = [](bool bSourceSelect) {
            return QByteArray(
                       R"({"Clusters":[],"MeterSet":{"1":{"Source":{"Type":"Dolby E"}}},)"
                       R"("SystemClockSource":{},"ApplyDZMeterScreen":true,"SourceSelect":)") +
                   (bSourceSelect ? "true}" : "false}");
        };
        QVERIFY(PublishUntil(applied, [&] {
            SendTopic(publisher.get(), "AppPresetConfiguration", preset(false).constData());
        }));
        QStringList order;
        const auto note = [&order](const char* pName) {
            return [&order, pName] { order << pName; };
        };
        connect(&subscriber, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings, this, note("decoder"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigSourceSelected, this, note("source"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigWebRecalledPreset, this, note("recalled"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigApplyDZMeters, this, note("apply"));
        QVERIFY(SendTopic(publisher.get(), "AppPresetConfiguration", preset(true).constData()));
        QVERIFY(SendTopic(publisher.get(), "AppPresetConfiguration", preset(false).constData()));
        QTRY_COMPARE_WITH_TIMEOUT(applied.count(), 2, 5000);
        QCOMPARE(order,
                 QStringList({"decoder", "source", "apply", "decoder", "recalled", "apply"}));
    }

    // The peer's scale narrowed to other than its low byte, or a burst cleared at one message
    // per tick or out of order: 1,000 bad messages ahead of a good one all handled, in order.
    void peerScaleAndBurst() {
        ZsockPtr publisher = BindSocket(ZMQ_PUB, mEnv.Ipc("DoRiduyPub.ipc"));
        QVERIFY(publisher);
        cZmqSubPeer subscriber;
        subscriber.SetupAndRunIPC("DoRiduyPub.ipc");
        QSignalSpy scale(&subscriber, &cZmqSubPeer::sigSetMeterScale);
        QSignalSpy show(&subscriber, &cZmqSubPeer::sigShowApp);
        QVERIFY(PublishUntil(
            scale, [&] { SendTopic(publisher.get(), "MeterScale", R"({"Scale": 258})"); }));
        QVERIFY(SendTopic(publisher.get(), "MeterScale", R"({"Scale": 258})"));
        QVERIFY(scale.wait(5000));
        QCOMPARE(scale.at(0).at(0).value<std::uint8_t>(), std::uint8_t{2});
        QStringList handled;
        connect(
            &subscriber, &cZmqSubPeer::sigNewSystemData, this,
            [&handled](const char*, const char* pData) { handled << QString::fromUtf8(pData); });
        ConsoleCapture parserLog(2);
        QStringList sent;
        for (int i = 0; i <= 1000; ++i) {
            sent << (i < 1000
                         ? QStringLiteral("bad %1").arg(i)
                         : QStringLiteral(R"({"Show": false, "AppName": "RoVodirAzazodovir"})"));
            QVERIFY(SendTopic(publisher.get(), "Switch", sent.last().toUtf8().constData()));
            if (i % 100 == 99)
                QThread::usleep(1000); // lets the sender's queue drain: it drops when full
        }
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), sent.size(), 10000);
        QCOMPARE(handled, sent);
        QCOMPARE(show.count(), 1);
        QCOMPARE(show.at(0).at(0).toBool(), false);
    }
};

QTEST_GUILESS_MAIN(tstSubscribers)
#include "test_subscribers.moc"
