#include "BusEndpoints.h"
#include "bus/ZmqSubPeer.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

const char* const kOurs = R"({"Show": false, "AppName": "RoVodirAzazodovir"})";

// Guards the peer link end to end over real sockets: which messages bring
// the window forward or back, and which signals go out.
class tst_ZmqSubPeer final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { mShow.clear(); }
    void switchFollowsOurName();
    void meterScaleKeepsLowByte();

private:
    // Sends a "MeterScale" marker and waits for it: everything published
    // before it has then been handled.
    bool Flush();

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

bool tst_ZmqSubPeer::Flush() {
    mScale.clear();
    return SendTopic(mPub.get(), "MeterScale", "{}") && mScale.wait(5000);
}

// Guards against the window reacting to another application's "Switch",
// and the fallback: a broken message resets the flag to showing.
void tst_ZmqSubPeer::switchFollowsOurName() {
    QVERIFY(SendTopic(mPub.get(), "Switch", kOurs));
    QVERIFY(SendTopic(mPub.get(), "Switch", "not json"));
    QVERIFY(SendTopic(mPub.get(), "Switch", R"({"AppName": "RoVodirAzazodovir"})"));
    QVERIFY(SendTopic(mPub.get(), "Switch", R"({"Show": false, "AppName": "Meters"})"));
    QVERIFY(Flush());
    QCOMPARE(mShow.count(), 2);
    QCOMPARE(mShow.at(0).at(0).toBool(), false);
    QCOMPARE(mShow.at(1).at(0).toBool(), true);
}

// Guards the scale's narrowing: only the low byte goes out.
void tst_ZmqSubPeer::meterScaleKeepsLowByte() {
    mScale.clear();
    QVERIFY(SendTopic(mPub.get(), "MeterScale", R"({"Scale": 258})"));
    QVERIFY(mScale.wait(5000));
    QCOMPARE(mScale.at(0).at(0).value<std::uint8_t>(), std::uint8_t{2});
}

QTEST_GUILESS_MAIN(tst_ZmqSubPeer)
#include "test_zmqsubpeer.moc"
