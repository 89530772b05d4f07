// Guards the hardware status subscriber on a real socket: the joined IPC
// endpoint, the three topics reaching their own signals in arrival order,
// and the console lines for foreign topics and one-frame messages.
#include "bus/ZmqSubHwStatus.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

class cTestHwStatusSub final : public QObject {
    Q_OBJECT

private slots:
    void receivesTopicsInOrder();
    void reportsBadMessages();
    void idleUntilStarted();
};

namespace {
constexpr const char* kSocket = "hwmStatesPub.ipc";
constexpr const char* kVolume = R"({"Value":100,"ValueInPrcnt":7550,"Mute":false})";
} // namespace

void cTestHwStatusSub::receivesTopicsInOrder() {
    TestBusEnvironment environment;
    ZsockPtr publisher = BindSocket(ZMQ_PUB, environment.Ipc(kSocket));
    QVERIFY(publisher);
    cZmqSubHwStatus subscriber;
    subscriber.SetupAndRun(kSocket);
    QVERIFY(subscriber.IsPolling());

    QSignalSpy volumeSpy(&subscriber, &cZmqSubHwStatus::sigVolume);
    QVERIFY(PublishUntil(volumeSpy, [&] { SendTopic(publisher.get(), "HwmVolume", kVolume); }));
    DrainSignals(volumeSpy);
    volumeSpy.clear();

    QStringList order;
    connect(&subscriber, &cZmqSubHwStatus::sigSDIStatus, this,
            [&](const char* pText) { order << QString::fromUtf8(pText); });
    connect(&subscriber, &cZmqSubHwStatus::sigVolume, this,
            [&](int iPercent) { order << QStringLiteral("volume %1").arg(iPercent); });
    connect(&subscriber, &cZmqSubHwStatus::sigBalance, this, [&](int iLeft, int iRight) {
        order << QStringLiteral("balance %1/%2").arg(iLeft).arg(iRight);
    });
    QVERIFY(
        SendTopic(publisher.get(), "HwmSignalStatus",
                  R"({"EncodedStatus":517,"Slot":1,"Status":1,"Type":0,"ClkSrcLockStatus":1})"));
    QVERIFY(SendTopic(publisher.get(), "HwmBalance", R"({"Value":0,"ValueInPrcntForLeft":2500})"));
    QVERIFY(
        SendTopic(publisher.get(), "HwmVolume", R"({"Value":1,"ValueInPrcnt":100,"Mute":true})"));
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 3, 10000);
    QCOMPARE(order, QStringList({"HD/1080i/50Hz", "balance 25/75", "volume 1"}));
}

void cTestHwStatusSub::reportsBadMessages() {
    TestBusEnvironment environment;
    ZsockPtr publisher = BindSocket(ZMQ_PUB, environment.Ipc(kSocket));
    QVERIFY(publisher);
    cZmqSubHwStatus subscriber;
    subscriber.SetupAndRun(kSocket);
    QSignalSpy volumeSpy(&subscriber, &cZmqSubHwStatus::sigVolume);
    QVERIFY(PublishUntil(volumeSpy, [&] { SendTopic(publisher.get(), "HwmVolume", kVolume); }));
    DrainSignals(volumeSpy);

    QSignalSpy dataSpy(&subscriber, &cZmqSubHwStatus::sigNewSystemData);
    volumeSpy.clear();
    const QByteArray text = CaptureStdout([&] {
        // Subscription filters by prefix, so a longer topic arrives and must be refused.
        SendTopic(publisher.get(), "HwmVolumeX", kVolume);
        zstr_send(publisher.get(), "HwmBalance");                  // topic frame only
        SendTopic(publisher.get(), "HwmVolume", R"({"Value":1})"); // dropped quietly
        SendTopic(publisher.get(), "HwmVolume", kVolume);
        volumeSpy.wait(10000);
    });
    QCOMPARE(dataSpy.count(), 3);
    QCOMPARE(volumeSpy.count(), 1);
    QCOMPARE(volumeSpy.last().at(0).toInt(), 75);
    QVERIFY2(text.contains("ZQT ERROR : Hardware Status - Unhandled topic: HwmVolumeX\n"),
             text.constData());
    QVERIFY2(text.contains("ZQT ERROR : HwManager Status message returned null elements.\n"),
             text.constData());
}

void cTestHwStatusSub::idleUntilStarted() {
    // The window builds this subscriber without starting it: nothing may open.
    cZmqSubHwStatus subscriber;
    QVERIFY(!subscriber.IsInitialised());
    QVERIFY(!subscriber.IsPolling());
}

QTEST_GUILESS_MAIN(cTestHwStatusSub)
#include "test_hwstatus_sub.moc"
