#include "BusEndpoints.h"
#include "bus/ZmqSubPeer.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

const char* const kOurs = R"({"Show": false, "AppName": "RoVodirAzazodovir"})";

// Guards the peer link over real sockets: what its signals carry, and bursts.
class tst_ZmqSubPeer final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void meterScaleKeepsLowByte();
    void burstIsHandledInOrder();

private:
    TestBusEnvironment mEnv;
    ZsockPtr mPub;
    cZmqSubPeer mSub; // after the socket it reads, so it goes first
    QSignalSpy mShow{&mSub, &cZmqSubPeer::sigShowApp};
    QSignalSpy mScale{&mSub, &cZmqSubPeer::sigSetMeterScale};
};

void tst_ZmqSubPeer::initTestCase() {
    mPub = BindSocket(ZMQ_PUB, BusEndpoints::Ipc("DoRiduyPub.ipc"));
    QVERIFY(mPub);
    mSub.SetupAndRunIPC("DoRiduyPub.ipc");
    QVERIFY(PublishUntil(mScale, [this] { SendTopic(mPub.get(), "MeterScale", "{}"); }));
}

// Guards the scale's narrowing: only the low byte goes out.
void tst_ZmqSubPeer::meterScaleKeepsLowByte() {
    mScale.clear();
    QVERIFY(SendTopic(mPub.get(), "MeterScale", R"({"Scale": 258})"));
    QVERIFY(mScale.wait(5000));
    QCOMPARE(mScale.at(0).at(0).value<std::uint8_t>(), std::uint8_t{2});
}

// Guards against a burst clearing at one message per tick, or out of order:
// 1,000 bad messages queued ahead of a good one are all handled, in order.
void tst_ZmqSubPeer::burstIsHandledInOrder() {
    QStringList handled;
    QObject context;
    connect(&mSub, &cZmqSubPeer::sigNewSystemData, &context,
            [&handled](const char*, const char* pData) { handled << QString::fromUtf8(pData); });
    ConsoleCapture parserLog(2);
    QStringList sent;
    for (int i = 0; i <= 1000; ++i) {
        sent << (i < 1000 ? QStringLiteral("bad %1").arg(i) : QString::fromUtf8(kOurs));
        QVERIFY(SendTopic(mPub.get(), "Switch", sent.last().toUtf8().constData()));
        if (i % 100 == 99)
            QThread::usleep(1000); // lets the sender's queue drain: it drops when full
    }
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), sent.size(), 10000);
    QCOMPARE(handled, sent);
    QCOMPARE(mShow.count(), 1);
    QCOMPARE(mShow.at(0).at(0).toBool(), false);
}

QTEST_GUILESS_MAIN(tst_ZmqSubPeer)
#include "test_zmqsubpeer.moc"
