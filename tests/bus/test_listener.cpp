#include "BusEndpoints.h"
#include "bus/ZmqQtListenerBase.h"
#include "bus/ZmqQtPublisher.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

// Carries the frames of each received message out of the emission, since the
// listener destroys the message as soon as the signal returns.
class FrameRecorder : public QObject {
public:
    explicit FrameRecorder(cZmqQtListenerBase* pListener) {
        connect(pListener, &cZmqQtListenerBase::sigMessageReceived, this, [this](zmsg_t* pMsg) {
            QStringList frames;
            for (zframe_t* f = zmsg_first(pMsg); f; f = zmsg_next(pMsg))
                frames << QString::fromUtf8(reinterpret_cast<const char*>(zframe_data(f)),
                                            static_cast<int>(zframe_size(f)));
            messages << frames;
        });
    }
    QList<QStringList> messages;
};

class TestListener final : public QObject {
    Q_OBJECT

private slots:
    void refusalsFollowAFailedInit_data();
    void refusalsFollowAFailedInit();
    void nullTopicSubscribesNothingButAllowsPolling();
    void unsubscribeNeedsAnInitialisedSocket();
    void oneMessagePerTickInOrder();
    void closeSocketStopsPolling();
    void ipcEndpointsAreCutTo126Characters();
    void tcpEndpointsAreCutTo31Characters();
    void publisherWithoutSocketIsSilent();
    void publisherSendsTopicAndJson();
    void publisherReportsBindFailure();

private:
    TestBusEnvironment mBus;
};

void TestListener::refusalsFollowAFailedInit_data() {
    QTest::addColumn<QByteArray>("endpoint");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::newRow("null endpoint")
        << QByteArray() << QByteArray("ZQT ERROR : Null input to SockInit().\n");
    QTest::newRow("unknown transport")
        << QByteArray("bogus://nowhere")
        << QByteArray("ZQT ERROR : Unable to connect to socket: bogus://nowhere\n\n");
}

// Guards the listener's state rules: once SockInit has failed, every later
// step refuses with its own line and nothing is ever received.
void TestListener::refusalsFollowAFailedInit() {
    QFETCH(QByteArray, endpoint);
    QFETCH(QByteArray, firstLine);
    cZmqQtListenerBase listener;
    QSignalSpy received(&listener, &cZmqQtListenerBase::sigMessageReceived);
    ConsoleCapture out(1);
    listener.SockInit(endpoint.isNull() ? nullptr : endpoint.constData());
    listener.SockSubscribe("A");
    listener.SockSubscribe("B");
    listener.StartPolling(10);
    const QByteArray expected =
        firstLine +
        "ZQT ERROR : You must initialize the socket before assigning topics.\n"
        "ZQT ERROR : You must initialize the socket before assigning topics.\n"
        "ZQT ERROR : Socket must be initialized and assigned topics before polling starts.\n";
    QCOMPARE(out.Text(), expected);
    QVERIFY(!listener.IsInitialised());
    QVERIFY(!listener.IsSubscribed());
    QVERIFY(!listener.IsPolling());
    QTest::qWait(50);
    QCOMPARE(received.count(), 0);
}

// A null topic still counts as a subscription step, so polling may start,
// but the socket filters everything out.
void TestListener::nullTopicSubscribesNothingButAllowsPolling() {
    ZsockPtr pub = BindSocket(ZMQ_PUB, mBus.Ipc("nulltopic.ipc"));
    QVERIFY(pub);
    cZmqQtListenerBase listener;
    QSignalSpy received(&listener, &cZmqQtListenerBase::sigMessageReceived);
    listener.SockInit(mBus.Ipc("nulltopic.ipc").c_str());
    listener.SockSubscribe(nullptr);
    QVERIFY(listener.IsSubscribed());
    listener.StartPolling(10);
    QVERIFY(listener.IsPolling());
    SettleSubscription();
    for (int i = 0; i < 5; ++i)
        SendTopic(pub.get(), "Switch", "{}");
    QTest::qWait(150);
    QCOMPARE(received.count(), 0);
}

void TestListener::unsubscribeNeedsAnInitialisedSocket() {
    cZmqQtListenerBase listener;
    ConsoleCapture out(1);
    listener.SockUnSubscribe("A");
    QCOMPARE(
        out.Text(),
        QByteArray("ZQT ERROR : You must initialize the socket before unsubscribing topics.\n"));
}

// Bursts must queue in the socket and come out one per tick, in order.
void TestListener::oneMessagePerTickInOrder() {
    ZsockPtr pub = BindSocket(ZMQ_PUB, mBus.Ipc("burst.ipc"));
    QVERIFY(pub);
    cZmqQtListenerBase listener;
    FrameRecorder recorder(&listener);
    listener.SockInit(mBus.Ipc("burst.ipc").c_str());
    listener.SockSubscribe("T");
    const auto poll = [&listener] { QMetaObject::invokeMethod(&listener, "PollMyListener"); };
    // Probe until the subscription has reached the publisher, then drain the probes.
    QTRY_VERIFY_WITH_TIMEOUT(
        (SendTopic(pub.get(), "Tprobe", "x"), poll(), !recorder.messages.isEmpty()), 5000);
    QTest::qWait(100);
    for (int i = 0; i < 1000; ++i)
        poll();
    recorder.messages.clear();

    for (const char* payload : {"one", "two", "three"})
        QVERIFY(SendTopic(pub.get(), "T", payload));
    QTest::qWait(100); // all three are now queued in the SUB socket
    for (int tick = 1; tick <= 3; ++tick) {
        poll();
        QCOMPARE(recorder.messages.size(), tick);
    }
    QCOMPARE(recorder.messages.at(0), (QStringList{"T", "one"}));
    QCOMPARE(recorder.messages.at(1), (QStringList{"T", "two"}));
    QCOMPARE(recorder.messages.at(2), (QStringList{"T", "three"}));
    poll();
    QCOMPARE(recorder.messages.size(), 3);
}

void TestListener::closeSocketStopsPolling() {
    cZmqQtListenerBase listener;
    listener.SockInit(mBus.Ipc("close.ipc").c_str());
    listener.SockSubscribe("T");
    listener.StartPolling(10);
    QVERIFY(listener.IsPolling());
    listener.CloseSocket();
    QVERIFY(!listener.IsPolling());
    // The flags stay set: there is no way back but a new listener.
    QVERIFY(listener.IsInitialised());
    QVERIFY(listener.IsSubscribed());
    QMetaObject::invokeMethod(&listener, "PollMyListener"); // must not touch a freed socket
}

void TestListener::ipcEndpointsAreCutTo126Characters() {
    const QByteArray longName(200, 'n');
    const std::string endpoint = BusEndpoints::Ipc(longName.constData());
    QCOMPARE(endpoint.size(), std::size_t(126));
    QVERIFY(endpoint.rfind(std::string("ipc://") + BusEndpoints::MqDir() + "/nnn", 0) == 0);
    const std::string joined = BusEndpoints::IpcJoined("DoRiduyPub.ipc");
    QCOMPARE(QString::fromStdString(joined),
             QStringLiteral("ipc://%1//DoRiduyPub.ipc").arg(mBus.MqDir()));
}

void TestListener::tcpEndpointsAreCutTo31Characters() {
    QCOMPARE(BusEndpoints::Tcp("127.0.0.1", 2004), std::string("tcp://127.0.0.1:2004"));
    QCOMPARE(BusEndpoints::Tcp("255.255.255.255.255.255", 65535).size(), std::size_t(31));
}

void TestListener::publisherWithoutSocketIsSilent() {
    cZmqQtPublisher publisher;
    ConsoleCapture out(1);
    publisher.sltZmqPublish("Topic", "{}");
    QCOMPARE(out.Text(), QByteArray());
}

void TestListener::publisherSendsTopicAndJson() {
    cZmqQtPublisher publisher;
    publisher.InitSocket("publisher.ipc");
    QVERIFY(publisher.HasSocket());
    cZmqQtListenerBase listener;
    FrameRecorder recorder(&listener);
    listener.SockInit(mBus.Ipc("publisher.ipc").c_str());
    listener.SockSubscribe("Fp");
    listener.StartPolling(10);
    QTRY_VERIFY_WITH_TIMEOUT(
        (publisher.sltZmqPublish("FpReqMuteSettings", "{\"a\":1}"), !recorder.messages.isEmpty()),
        5000);
    QCOMPARE(recorder.messages.first(), (QStringList{"FpReqMuteSettings", "{\"a\":1}"}));
}

void TestListener::publisherReportsBindFailure() {
    cZmqQtPublisher publisher;
    ConsoleCapture out(1);
    publisher.InitSocket("127.0.0.1", "not-a-port");
    QCOMPARE(out.Text(), QByteArray("KELD_ERROR : Failed to bind socket in ZmqQtPublisher.\n"));
    // The unbound socket is kept: sends go nowhere but do not fail loudly.
    QVERIFY(publisher.HasSocket());
}

QTEST_GUILESS_MAIN(TestListener)
#include "test_listener.moc"
