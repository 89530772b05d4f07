// Guards against system updates and forwarded commands lost on the way from
// the heartbeat monitor, and quitting on the wrong command.
#include "bus/ZmqSubsSystemUpdate.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

class tst_SystemUpdate final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        mPub = BindSocket(ZMQ_PUB, mEnv.Ipc("hbMonPubMq.ipc"));
        QVERIFY(mPub);
        mSubscriber.SetupAndRun("hbMonPubMq.ipc");
        SettleSubscription(1000);
    }

    // Guards against an update with a message handing out packages instead of
    // asking the app to give way, or the reverse.
    void messageDecidesTheSignal() {
        QSignalSpy packages(&mSubscriber, &cZmqSubsSystemUpdate::sigNewSUPackages);
        QSignalSpy messages(&mSubscriber, &cZmqSubsSystemUpdate::sigSUMessages);
        QVERIFY(Send("SiSystemUpdate", R"({"Task":"t","AvailablePackages":[]})"));
        QVERIFY(packages.wait(5000));
        QVERIFY(Send("SiSystemUpdate", R"({"Message":"Reboot soon","AvailablePackages":[]})"));
        QVERIFY(messages.wait(5000));
        QCOMPARE(mSubscriber.SystemUpdate().message, "Reboot soon");
        QCOMPARE(packages.count(), 1);
    }

    // Guards against the app quitting on a command other than the upgrade.
    void onlyTheUpgradeCommandQuits() {
        QSignalSpy exits(&mSubscriber, &cZmqSubsSystemUpdate::sigSUExitApp);
        QVERIFY(Send("HbAppCmd", R"({"Command":9})"));
        QVERIFY(Send("HbAppCmd", R"({"Command":100})"));
        QVERIFY(exits.wait(8000));
        QTest::qWait(700); // one more poll: nothing else may follow
        QCOMPARE(exits.count(), 1);
    }

private:
    bool Send(const char* pTopic, const char* pJson) {
        return SendTopic(mPub.get(), pTopic, pJson);
    }

    TestBusEnvironment mEnv;
    ZsockPtr mPub;
    cZmqSubsSystemUpdate mSubscriber;
};

QTEST_GUILESS_MAIN(tst_SystemUpdate)
#include "test_systemupdate.moc"
