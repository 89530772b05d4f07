#include "bus/ZmqQtListenerBase.h"
#include "bus/ZmqQtPublisher.h"
#include "tests/support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

class TestListener final : public QObject {
    Q_OBJECT

private slots:
    void refusalsFollowAFailedInit();
    void publisher();

private:
    TestBusEnvironment mBus;
};

// Guards the listener's state rules: once SockInit has failed, every later
// step refuses with its own line and nothing is ever received.
void TestListener::refusalsFollowAFailedInit() {
    cZmqQtListenerBase listener;
    QSignalSpy received(&listener, &cZmqQtListenerBase::sigMessageReceived);
    ConsoleCapture out(1);
    listener.SockInit("bogus://nowhere");
    listener.SockSubscribe("A");
    listener.SockUnSubscribe("A");
    listener.StartPolling(10);
    QCOMPARE(out.Text(),
             "ZQT ERROR : Unable to connect to socket: bogus://nowhere\n\n"
             "ZQT ERROR : You must initialize the socket before assigning topics.\n"
             "ZQT ERROR : You must initialize the socket before unsubscribing topics.\n"
             "ZQT ERROR : Socket must be initialized and assigned topics before polling "
             "starts.\n");
    QVERIFY(!listener.IsInitialised() && !listener.IsSubscribed() && !listener.IsPolling());
    QMetaObject::invokeMethod(&listener, "PollMyListener");
    QCOMPARE(received.count(), 0);
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
    connect(&listener, &cZmqQtListenerBase::sigMessageReceived, this, [&messages](zmsg_t* pMsg) {
        const cBusMessageTexts texts(pMsg); // the message dies when the signal returns
        messages << QStringLiteral("%1|%2").arg(texts.ShownTopic(), texts.ShownPayload());
    });
    listener.SockInit(mBus.Ipc("publisher.ipc").c_str());
    listener.SockSubscribe("Fp");
    listener.StartPolling(10);
    QTRY_VERIFY_WITH_TIMEOUT(
        (publisher.sltZmqPublish("FpReqMuteSettings", "{\"a\":1}"), !messages.isEmpty()), 5000);
    QCOMPARE(messages.first(), QStringLiteral("FpReqMuteSettings|{\"a\":1}"));
}

QTEST_GUILESS_MAIN(TestListener)
#include "test_listener.moc"
