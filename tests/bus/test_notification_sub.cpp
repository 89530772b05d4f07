// Guards the notification subscriber on a real socket: the joined IPC
// endpoint, a received document reaching sigNotificationMsg with the
// subscriber's record, and bad messages emitting nothing.
#include "bus/ZmqSubsNotification.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

class cTestNotificationSub final : public QObject {
    Q_OBJECT

private slots:
    void receivesNotification();
    void idleUntilStarted();
};

namespace {
constexpr const char* kSocket = "appNotification.ipc";
}

void cTestNotificationSub::receivesNotification() {
    TestBusEnvironment environment;
    ZsockPtr publisher = BindSocket(ZMQ_PUB, environment.Ipc(kSocket));
    QVERIFY(publisher);
    cZmqSubsNotification subscriber;
    subscriber.SetupAndRun(kSocket);
    QVERIFY(subscriber.IsPolling());

    QSignalSpy spy(&subscriber, &cZmqSubsNotification::sigNotificationMsg);
    QVERIFY(PublishUntil(spy, [&] {
        SendTopic(publisher.get(), "AppNotification", R"({"Level":20,"Title":"warm-up"})");
    }));
    DrainSignals(spy);
    spy.clear();

    QStringList order;
    connect(&subscriber, &cZmqSubsNotification::sigNewSystemData, this,
            [&](const char* pTopic, const char*) { order << QString::fromUtf8(pTopic); });
    connect(&subscriber, &cZmqSubsNotification::sigNotificationMsg, this,
            [&](Notification_s* pRecord) {
                QCOMPARE(pRecord, &subscriber.Record());
                order << QStringLiteral("%1 %2").arg(pRecord->level).arg(pRecord->title);
            });
    const QByteArray text = CaptureStdout([&] {
        SendTopic(publisher.get(), "AppNotification", R"({"Level":"50"})");
        SendTopic(publisher.get(), "AppNotificationX", R"({"Level":50})");
        zstr_send(publisher.get(), "AppNotification"); // topic only
        SendTopic(publisher.get(), "AppNotification",
                  R"({"Level":50,"Title":"Fan","Msg":"Stopped"})");
        spy.wait(10000);
    });
    // The record is handed out inside the dispatch of its own topic.
    QCOMPARE(order,
             QStringList({"AppNotification", "AppNotificationX", "50 Fan", "AppNotification"}));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(QByteArray(subscriber.Record().notifMsg), QByteArray("Stopped"));
    QVERIFY2(text.contains("ZQT ERROR : Preset json string did not contain a valid "
                           "Notification Message.\n"),
             text.constData());
    QVERIFY2(text.contains("KELD_ERROR : Notification Message - Unhandled topic: "
                           "AppNotificationX\n"),
             text.constData());
    QVERIFY2(text.contains("ZQT ERROR : Metadata message returned null elements.\n"),
             text.constData());
}

void cTestNotificationSub::idleUntilStarted() {
    // The window builds this subscriber without starting it: nothing may open.
    cZmqSubsNotification subscriber;
    QVERIFY(!subscriber.IsInitialised());
    QVERIFY(!subscriber.IsPolling());
    QCOMPARE(subscriber.Record().level, 0);
    QCOMPARE(subscriber.Record().title[0], '\0');
}

QTEST_GUILESS_MAIN(cTestNotificationSub)
#include "test_notification_sub.moc"
