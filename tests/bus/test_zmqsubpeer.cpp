// ctest-resource-lock: port6003
#include "BusEndpoints.h"
#include "bus/ZmqSubPeer.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
const char* const kOurs = R"({"Show": false, "AppName": "RoVodirAzazodovir"})";
} // namespace

// Guards the peer link end to end over real sockets: which messages bring
// the window forward or back, which view and grid signals go out, and what
// a stray topic or a short message prints.
class tst_ZmqSubPeer final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void switchConcernsOnlyOurName();
    void switchAfterBrokenMessageShowsAgain();
    void meterScaleKeepsLowByte();
    void zoomPairWithinChannels();
    void gridAndViewReachTheirSignals();
    void longerTopicIsUnhandled();
    void oneFrameMessageIsRejected();
    void tcpFormUsesPort6003();
    void outgoingRequestsCarryTheirTopics();

private:
    // Sends a "MeterScale" marker and waits for it: everything published
    // before it has then been handled.
    bool Flush(int iScale = 77);
    // Resends a marker until the fresh subscription delivers it, then lets
    // the extra copies drain.
    bool WaitForLink();

    std::unique_ptr<TestBusEnvironment> mpEnv;
    ZsockPtr mPub;
    std::unique_ptr<cZmqSubPeer> mpSub;
    std::unique_ptr<QSignalSpy> mpShowSpy;
    std::unique_ptr<QSignalSpy> mpScaleSpy;
};

void tst_ZmqSubPeer::init() {
    mpEnv = std::make_unique<TestBusEnvironment>();
    mPub = BindSocket(ZMQ_PUB, BusEndpoints::Ipc("DoRiduyPub.ipc"));
    QVERIFY(mPub);
    mpSub = std::make_unique<cZmqSubPeer>();
    mpSub->SetupAndRunIPC("DoRiduyPub.ipc");
    QVERIFY(mpSub->IsPolling());
    mpShowSpy = std::make_unique<QSignalSpy>(mpSub.get(), &cZmqSubPeer::sigShowApp);
    mpScaleSpy = std::make_unique<QSignalSpy>(mpSub.get(), &cZmqSubPeer::sigSetMeterScale);
    QVERIFY(WaitForLink());
}

void tst_ZmqSubPeer::cleanup() {
    mpShowSpy.reset();
    mpScaleSpy.reset();
    mpSub.reset();
    mPub.reset();
    mpEnv.reset();
}

bool tst_ZmqSubPeer::WaitForLink() {
    for (int i = 0; i < 100 && mpScaleSpy->isEmpty(); ++i) {
        SendTopic(mPub.get(), "MeterScale", R"({"Scale": 1})");
        mpScaleSpy->wait(100);
    }
    if (mpScaleSpy->isEmpty())
        return false;
    SettleSubscription(500);
    mpScaleSpy->clear();
    return true;
}

bool tst_ZmqSubPeer::Flush(int iScale) {
    const QByteArray marker = QByteArrayLiteral("{\"Scale\": ") + QByteArray::number(iScale) + '}';
    if (!SendTopic(mPub.get(), "MeterScale", marker.constData()))
        return false;
    for (int i = 0; i < 40; ++i) {
        for (const QList<QVariant>& args : std::as_const(*mpScaleSpy))
            if (args.at(0).toInt() == iScale) {
                mpScaleSpy->clear();
                return true;
            }
        mpScaleSpy->wait(100);
    }
    return false;
}

void tst_ZmqSubPeer::switchConcernsOnlyOurName() {
    QVERIFY(SendTopic(mPub.get(), "Switch", kOurs));
    QVERIFY(mpShowSpy->wait(5000));
    QCOMPARE(mpShowSpy->takeFirst().at(0).toBool(), false);

    QVERIFY(SendTopic(mPub.get(), "Switch", R"({"Show": true, "AppName": "Meters"})"));
    QVERIFY(SendTopic(mPub.get(), "Switch", R"({"Show": true, "AppName": "RoVodirAzazodovirX"})"));
    QVERIFY(Flush());
    QCOMPARE(mpShowSpy->count(), 0);
}

void tst_ZmqSubPeer::switchAfterBrokenMessageShowsAgain() {
    QVERIFY(SendTopic(mPub.get(), "Switch", kOurs));
    QVERIFY(SendTopic(mPub.get(), "Switch", "not json"));
    QVERIFY(Flush());
    QCOMPARE(mpShowSpy->count(), 1);
    QCOMPARE(mpShowSpy->takeFirst().at(0).toBool(), false);

    // The broken message reset the flag; a message without "Show" repeats it.
    QVERIFY(SendTopic(mPub.get(), "Switch", R"({"AppName": "RoVodirAzazodovir"})"));
    QVERIFY(mpShowSpy->wait(5000));
    QCOMPARE(mpShowSpy->takeFirst().at(0).toBool(), true);
}

void tst_ZmqSubPeer::meterScaleKeepsLowByte() {
    QVERIFY(SendTopic(mPub.get(), "MeterScale", R"({"Scale": 258})"));
    QVERIFY(mpScaleSpy->wait(5000));
    QCOMPARE(mpScaleSpy->takeFirst().at(0).value<std::uint8_t>(), std::uint8_t{2});
}

void tst_ZmqSubPeer::zoomPairWithinChannels() {
    QSignalSpy zoom(mpSub.get(), &cZmqSubPeer::sigSendDolbyZoomPair);
    QVERIFY(SendTopic(mPub.get(), "DolbyZoomPair", R"({"Pair": 8})"));
    QVERIFY(SendTopic(mPub.get(), "DolbyZoomPair", R"({"Pair": 9})"));
    QVERIFY(SendTopic(mPub.get(), "DolbyZoomPair", R"({"Other": 1})"));
    QVERIFY(Flush());
    QCOMPARE(zoom.count(), 1);
    QCOMPARE(zoom.at(0).at(0).value<std::uint32_t>(), 8u);
}

void tst_ZmqSubPeer::gridAndViewReachTheirSignals() {
    QSignalSpy grid(mpSub.get(), &cZmqSubPeer::sigResetDolbyGrid);
    QStringList views;
    connect(mpSub.get(), &cZmqSubPeer::sigSetVisualiserView, this,
            [&views](const char* pcView) { views << QString::fromUtf8(pcView); });

    QVERIFY(SendTopic(mPub.get(), "FpResetDolbyGrid", R"({"ResetDolbyGrid": true})"));
    QVERIFY(SendTopic(mPub.get(), "FpSetDolbyVisualView", R"({"VisualiserView": "Front View"})"));
    QVERIFY(SendTopic(mPub.get(), "FpSetDolbyVisualView", R"({"Something": 1})"));
    QVERIFY(SendTopic(mPub.get(), "FpSetDolbyVisualView", R"({"VisualiserView": 3})"));
    QVERIFY(Flush());
    QCOMPARE(grid.count(), 1);
    QCOMPARE(grid.at(0).at(0).toBool(), true);
    // The second message lacks the member and repeats the last view; the
    // third fails and emits nothing.
    QCOMPARE(views, QStringList({QStringLiteral("Front View"), QStringLiteral("Front View")}));
}

void tst_ZmqSubPeer::longerTopicIsUnhandled() {
    ConsoleCapture out(1);
    QVERIFY(SendTopic(mPub.get(), "SwitchToMeters", kOurs));
    QVERIFY(Flush());
    QCOMPARE(mpShowSpy->count(), 0);
    QVERIFY(out.Text().contains(
        "KELD_ERROR : Dolby Peer Communication - Unhandled topic: SwitchToMeters\n"));
}

void tst_ZmqSubPeer::oneFrameMessageIsRejected() {
    ConsoleCapture out(1);
    QCOMPARE(zstr_send(mPub.get(), "Switch"), 0);
    QVERIFY(Flush());
    QCOMPARE(mpShowSpy->count(), 0);
    QVERIFY(out.Text().contains("ZQT ERROR : Metadata message returned null elements.\n"));
}

void tst_ZmqSubPeer::tcpFormUsesPort6003() {
    ZsockPtr pub = BindSocket(ZMQ_PUB, "tcp://127.0.0.1:6003");
    QVERIFY(pub);
    cZmqSubPeer sub;
    sub.SetupAndRunTCP("127.0.0.1");
    QSignalSpy show(&sub, &cZmqSubPeer::sigShowApp);
    for (int i = 0; i < 100 && show.isEmpty(); ++i) {
        SendTopic(pub.get(), "Switch", kOurs);
        show.wait(100);
    }
    QVERIFY(!show.isEmpty());
    QCOMPARE(show.at(0).at(0).toBool(), false);
}

void tst_ZmqSubPeer::outgoingRequestsCarryTheirTopics() {
    QList<QByteArray> sent;
    const auto record = [&sent](const char* pTopic, const char* pData) {
        sent << QByteArray(pTopic) + ' ' + QByteArray(pData);
    };
    connect(mpSub.get(), &cZmqSubPeer::sigSendPeerMuteMsg, this, record);
    connect(mpSub.get(), &cZmqSubPeer::sigSendPeerRecallLastSource, this, record);
    mpSub->SendPeerMuteSettings("{}");
    mpSub->SendPeerRecallLastSource("{\"a\":1}");
    QCOMPARE(sent, QList<QByteArray>({"FpReqMuteSettings {}", "FpRecallLastSource {\"a\":1}"}));
}

QTEST_GUILESS_MAIN(tst_ZmqSubPeer)
#include "test_zmqsubpeer.moc"
