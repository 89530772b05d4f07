// Guards against system updates and forwarded commands lost on the way from
// the heartbeat monitor, quitting on the wrong command, and prefix-matched
// topics taken for ours.
#include "bus/ZmqSubsSystemUpdate.h"
#include "support/ConsoleRecorder.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

class tst_SystemUpdate final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        mPublisher = BindSocket(ZMQ_PUB, mEnv.Ipc("hbMonPubMq.ipc"));
        QVERIFY(mPublisher);
        mpSubscriber = std::make_unique<cZmqSubsSystemUpdate>();
        mpSubscriber->SetupAndRun("hbMonPubMq.ipc");
        QVERIFY(mpSubscriber->IsPolling());
        connect(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigSUMessages, this,
                [this](const char* pText) { mTexts.append(pText); });
        SettleSubscription(1000);
    }

    void init() { mTexts.clear(); }

    void updateWithoutMessageHandsOutPackages() {
        QSignalSpy packages(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigNewSUPackages);
        QVERIFY(Send("SiSystemUpdate", R"({"Task":"t","AvailablePackages":[]})"));
        QVERIFY(packages.wait(5000));
        auto* pUpdate = packages.at(0).at(0).value<SystemUpdate_t*>();
        QCOMPARE(pUpdate, &mpSubscriber->SystemUpdate());
        QCOMPARE(pUpdate->packageCount, std::uint8_t(0));
        QCOMPARE(pUpdate->task, "t");
        QVERIFY(mTexts.isEmpty());
    }

    void updateWithMessageAsksToGiveWay() {
        QSignalSpy messages(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigSUMessages);
        QSignalSpy packages(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigNewSUPackages);
        // Not JSON first: it must change nothing and emit nothing.
        QVERIFY(Send("SiSystemUpdate", "{not json"));
        QVERIFY(Send("SiSystemUpdate", R"({"Message":"Reboot soon","AvailablePackages":[]})"));
        QVERIFY(messages.wait(5000));
        QCOMPARE(mTexts, QList<QByteArray>{"Reboot soon"});
        QCOMPARE(packages.count(), 0);
        // The message stays in the record, so a later update repeats it.
        QVERIFY(Send("SiSystemUpdate", R"({"AvailablePackages":[]})"));
        QVERIFY(messages.wait(5000));
        QCOMPARE(mTexts, (QList<QByteArray>{"Reboot soon", "Reboot soon"}));
        QCOMPARE(packages.count(), 0);
    }

    void onlyTheUpgradeCommandQuits() {
        QSignalSpy exits(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigSUExitApp);
        QVERIFY(Send("HbAppCmd", R"({"Command":9})"));
        QVERIFY(Send("HbAppCmd", R"({"Cmd":100})"));
        QVERIFY(Send("HbAppCmd", R"({"Command":"100"})"));
        QVERIFY(Send("HbAppCmd", R"({"Command":100})"));
        QVERIFY(exits.wait(8000));
        QTest::qWait(700); // one more poll: nothing else may follow
        QCOMPARE(exits.count(), 1);
    }

    void longerTopicIsUnhandled() {
        QSignalSpy exits(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigSUExitApp);
        QSignalSpy messages(mpSubscriber.get(), &cZmqSubsSystemUpdate::sigSUMessages);
        ConsoleRecorder out(1);
        QVERIFY(Send("HbAppCmdX", R"({"Command":100})"));
        QVERIFY(Send("SiSystemUpdate2", R"({"Message":"x","AvailablePackages":[]})"));
        QVERIFY(out.WaitFor("ZQT ERROR : cZmqSubsSystemUpdate received an unhandled "
                            "topic: SiSystemUpdate2\n"));
        QVERIFY(out.Text().contains("unhandled topic: HbAppCmdX\n"));
        QCOMPARE(exits.count(), 0);
        QCOMPARE(messages.count(), 0);
    }

    void oneFrameMessageIsReported() {
        ConsoleRecorder out(1);
        QCOMPARE(zstr_send(mPublisher.get(), "HbAppCmd"), 0);
        QVERIFY(out.WaitFor("ZQT ERROR : Web message contains a null element (topic: "
                            "HbAppCmd, Message: (null)).\n"));
    }

    void cleanupTestCase() {
        mpSubscriber.reset();
        mPublisher.reset();
    }

private:
    bool Send(const char* pTopic, const char* pJson) {
        return SendTopic(mPublisher.get(), pTopic, pJson);
    }

    TestBusEnvironment mEnv;
    ZsockPtr mPublisher;
    std::unique_ptr<cZmqSubsSystemUpdate> mpSubscriber;
    QList<QByteArray> mTexts; // copies of the texts, valid only during their signal
};

QTEST_GUILESS_MAIN(tst_SystemUpdate)
#include "test_systemupdate.moc"
