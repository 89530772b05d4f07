// Guards the notification subscriber on a real socket: the joined IPC
// endpoint, a received document reaching sigNotificationMsg with the
// subscriber's record, and a document it cannot read emitting nothing.
#include "bus/ZmqSubsNotification.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

class cTestNotificationSub final : public QObject {
    Q_OBJECT

private slots:
    void receivesNotification();
};

void cTestNotificationSub::receivesNotification() {
    // A record handed out before it is parsed, or a bad message that reaches the page.
    TestBusEnvironment environment;
    ZsockPtr publisher = BindSocket(ZMQ_PUB, environment.Ipc("appNotification.ipc"));
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

QTEST_GUILESS_MAIN(cTestNotificationSub)
#include "test_notification_sub.moc"
