#include "BusEndpoints.h"
#include "bus/ZmqQtListenerBase.h"
#include "bus/ZmqQtPublisher.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Records each received message as "topic|payload"; the listener destroys
// the message as soon as the signal returns.
void Record(cZmqQtListenerBase& listener, QStringList& messages) {
    QObject::connect(
        &listener, &cZmqQtListenerBase::sigMessageReceived, &listener, [&messages](zmsg_t* pMsg) {
            const cBusMessageTexts texts(pMsg);
            messages << QStringLiteral("%1|%2").arg(texts.ShownTopic(), texts.ShownPayload());
        });
}

void Poll(cZmqQtListenerBase& listener) {
    QMetaObject::invokeMethod(&listener, "PollMyListener");
}

} // namespace

class TestListener final : public QObject {
    Q_OBJECT

private slots:
    void refusalsFollowAFailedInit_data();
    void refusalsFollowAFailedInit();
    void nullTopicSubscribesNothingButAllowsPolling();
    void restartThenClose();
    void endpointsAreCut();
    void publisher();

private:
    TestBusEnvironment mBus;
};

void TestListener::refusalsFollowAFailedInit_data() {
    QTest::addColumn<QByteArray>("endpoint");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::newRow("null endpoint") << QByteArray() << QByteArray("Null input to SockInit().\n");
    QTest::newRow("unknown transport")
        << QByteArray("bogus://nowhere")
        << QByteArray("Unable to connect to socket: bogus://nowhere\n\n");
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
    listener.SockUnSubscribe("A");
    listener.StartPolling(10);
    QCOMPARE(out.Text(),
             "ZQT ERROR : " + firstLine +
                 "ZQT ERROR : You must initialize the socket before assigning topics.\n"
                 "ZQT ERROR : You must initialize the socket before unsubscribing topics.\n"
                 "ZQT ERROR : Socket must be initialized and assigned topics before polling "
                 "starts.\n");
    QVERIFY(!listener.IsInitialised() && !listener.IsSubscribed() && !listener.IsPolling());
    Poll(listener);
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
    listener.StartPolling(10);
    QVERIFY(listener.IsPolling());
    SettleSubscription();
    for (int i = 0; i < 5; ++i)
        SendTopic(pub.get(), "Switch", "{}");
    QTest::qWait(150);
    QCOMPARE(received.count(), 0);
}

// A second StartPolling takes the new period instead of reporting a failed
// connection; a closed listener must not touch its freed socket.
void TestListener::restartThenClose() {
    cZmqQtListenerBase listener;
    listener.SockInit(mBus.Ipc("restart.ipc").c_str());
    listener.SockSubscribe("T");
    ConsoleCapture out(1);
    listener.StartPolling(10);
    listener.StartPolling(20);
    QCOMPARE(out.Text(), QByteArray());
    QVERIFY(listener.IsPolling());
    listener.CloseSocket();
    QVERIFY(!listener.IsPolling() && listener.IsInitialised() && listener.IsSubscribed());
    Poll(listener);
}

void TestListener::endpointsAreCut() {
    const std::string ipc = BusEndpoints::Ipc(QByteArray(200, 'n').constData());
    QCOMPARE(ipc.size(), std::size_t(126));
    QCOMPARE(QString::fromStdString(BusEndpoints::IpcJoined("DoRiduyPub.ipc")),
             QStringLiteral("ipc://%1//DoRiduyPub.ipc").arg(mBus.MqDir()));
    QCOMPARE(BusEndpoints::Tcp("127.0.0.1", 2004), std::string("tcp://127.0.0.1:2004"));
    QCOMPARE(BusEndpoints::Tcp("decoder-board.internal.example", 65535).size(), std::size_t(31));
}

// Guards the publisher's three states: no socket (silent), bound (two
// frames out), failed bind (one line, socket kept).
void TestListener::publisher() {
    cZmqQtPublisher idle;
    ConsoleCapture out(1);
    idle.sltZmqPublish("Topic", "{}");
    cZmqQtPublisher unbound;
    unbound.InitSocket("127.0.0.1", "not-a-port");
    QCOMPARE(out.Text(), QByteArray("KELD_ERROR : Failed to bind socket in ZmqQtPublisher.\n"));
    QVERIFY(unbound.HasSocket());

    cZmqQtPublisher publisher;
    publisher.InitSocket("publisher.ipc");
    cZmqQtListenerBase listener;
    QStringList messages;
    Record(listener, messages);
    listener.SockInit(mBus.Ipc("publisher.ipc").c_str());
    listener.SockSubscribe("Fp");
    listener.StartPolling(10);
    QTRY_VERIFY_WITH_TIMEOUT(
        (publisher.sltZmqPublish("FpReqMuteSettings", "{\"a\":1}"), !messages.isEmpty()), 5000);
    QCOMPARE(messages.first(), QStringLiteral("FpReqMuteSettings|{\"a\":1}"));
}

QTEST_GUILESS_MAIN(TestListener)
#include "test_listener.moc"
