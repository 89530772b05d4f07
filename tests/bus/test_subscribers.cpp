// The bus subscribers on real sockets: each topic reaching its own signal, with
// its arguments, in the order sent.
#include "bus/ZmqSubHwStatus.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubWebBaseDolby.h"
#include "bus/ZmqSubsNotification.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

class tstSubscribers final : public QObject {
    Q_OBJECT

    TestBusEnvironment mEnv;

private slots:
    // A hardware topic routed to the wrong signal, or a bad message that stops the ones after it.
    void hwStatusTopicsInOrder() {
        ZsockPtr publisher = BindSocket(ZMQ_PUB, mEnv.Ipc("hwmStatesPub.ipc"));
        QVERIFY(publisher);
        cZmqSubHwStatus subscriber;
        subscriber.SetupAndRun("hwmStatesPub.ipc");
        const char* pVolume = R"({"Value":100,"ValueInPrcnt":7550,"Mute":false})";
        QSignalSpy volumeSpy(&subscriber, &cZmqSubHwStatus::sigVolume);
        QVERIFY(PublishUntil(volumeSpy, [&] { SendTopic(publisher.get(), "HwmVolume", pVolume); }));
        QStringList order;
        connect(&subscriber, &cZmqSubHwStatus::sigSDIStatus, this,
                [&](const char* pText) { order << QString::fromUtf8(pText); });
        connect(&subscriber, &cZmqSubHwStatus::sigVolume, this,
                [&](int iPercent) { order << QStringLiteral("volume %1").arg(iPercent); });
        connect(&subscriber, &cZmqSubHwStatus::sigBalance, this, [&](int iLeft, int iRight) {
            order << QStringLiteral("balance %1/%2").arg(iLeft).arg(iRight);
        });
        SendTopic(publisher.get(), "HwmSignalStatus",
                  R"({"EncodedStatus":517,"Slot":1,"Status":1,"Type":0,"ClkSrcLockStatus":1})");
        SendTopic(publisher.get(), "HwmBalance", R"({"Value":0,"ValueInPrcntForLeft":2500})");
        SendTopic(publisher.get(), "HwmVolume", pVolume);
        volumeSpy.wait(10000);
        QCOMPARE(order, QStringList({"HD/1080i/50Hz", "balance 25/75", "volume 75"}));
    }

    // A notification record handed out before it is parsed, or a bad message reaching the page.
    void notificationRecord() {
        ZsockPtr publisher = BindSocket(ZMQ_PUB, mEnv.Ipc("appNotification.ipc"));
        QVERIFY(publisher);
        cZmqSubsNotification subscriber;
        subscriber.SetupAndRun("appNotification.ipc");
        QSignalSpy spy(&subscriber, &cZmqSubsNotification::sigNotificationMsg);
        QVERIFY(PublishUntil(spy, [&] { SendTopic(publisher.get(), "AppNotification", "{}"); }));
        QStringList order;
        connect(&subscriber, &cZmqSubsNotification::sigNewSystemData, this,
                [&](const char* pTopic, const char*) { order << QString::fromUtf8(pTopic); });
        connect(&subscriber, &cZmqSubsNotification::sigNotificationMsg, this,
                [&](Notification_s* pRecord) {
                    QCOMPARE(pRecord, &subscriber.Record());
                    order << QStringLiteral("%1 %2").arg(pRecord->level).arg(pRecord->title);
                });
        SendTopic(publisher.get(), "AppNotification", R"({"Level":"50"})");
        SendTopic(publisher.get(), "AppNotification", R"({"Level":50,"Title":"Fan"})");
        QVERIFY(spy.wait(10000));
        // The record is handed out inside the dispatch of its own topic.
        QCOMPARE(order, QStringList({"AppNotification", "50 Fan", "AppNotification"}));
    }

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
