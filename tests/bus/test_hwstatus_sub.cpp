// Guards the hardware status subscriber on a real socket: the joined IPC
// endpoint and the three topics reaching their own signals in arrival order.
#include "bus/ZmqSubHwStatus.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

class cTestHwStatusSub final : public QObject {
    Q_OBJECT

private slots:
    void receivesTopicsInOrder();
};

void cTestHwStatusSub::receivesTopicsInOrder() {
    // A topic routed to the wrong signal, or a bad message that stops the ones after it.
    TestBusEnvironment environment;
    ZsockPtr publisher = BindSocket(ZMQ_PUB, environment.Ipc("hwmStatesPub.ipc"));
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

QTEST_GUILESS_MAIN(cTestHwStatusSub)
#include "test_hwstatus_sub.moc"
