// Guards against encoder events reaching the wrong signal, stale values
// surviving an unreadable body, and prefix-matched topics taken for ours.
#include "bus/ZmqSubRotaryEnc.h"
#include "support/ConsoleRecorder.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QList<int> Fields(const QSignalSpy& spy, int index) {
    const auto* pEvent = spy.at(index).at(0).value<RotaryEncEvent_t*>();
    return {pEvent->CountAbsolute, pEvent->CountChange, pEvent->SwitchChange,
            pEvent->SwitchAbsolute};
}

} // namespace

class tst_ZmqSubRotaryEnc final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        mPublisher = BindSocket(ZMQ_PUB, mEnv.Ipc("hwmStatesPub.ipc"));
        QVERIFY(mPublisher);
        mpSubscriber = std::make_unique<cZmqSubRotaryEnc>();
        mpSubscriber->SetupAndRun("hwmStatesPub.ipc");
        QVERIFY(mpSubscriber->IsPolling());
        SettleSubscription(1000);
    }

    void eachEncoderHasItsSignal() {
        QSignalSpy rightBottom(mpSubscriber.get(), &cZmqSubRotaryEnc::sigRightBottomRotEncEvt);
        QSignalSpy leftBottom(mpSubscriber.get(), &cZmqSubRotaryEnc::sigLeftBottomRotEncEvt);
        QSignalSpy rightTop(mpSubscriber.get(), &cZmqSubRotaryEnc::sigRightTopRotEncEvt);
        // The next message overwrites the record: copy the values per signal.
        QList<QList<int>> left;
        connect(mpSubscriber.get(), &cZmqSubRotaryEnc::sigLeftBottomRotEncEvt, this,
                [&left](RotaryEncEvent_t* pEvent) {
                    left.append({pEvent->CountAbsolute, pEvent->CountChange, pEvent->SwitchChange,
                                 pEvent->SwitchAbsolute});
                });
        QVERIFY(Send("HwmEncoderState_Left-Bottom",
                     R"({"SwitchChange": 0, "SwitchAbsolute": 0, "CountAbsolute": 12, )"
                     R"("CountChange": -1})"));
        QVERIFY(Send("HwmEncoderState_Right-Bottom",
                     R"({"SwitchChange":1,"SwitchAbsolute":1,"CountAbsolute":5,"CountChange":2})"));
        // A press without a turn, after a turn on the same encoder: all zero.
        QVERIFY(
            Send("HwmEncoderState_Left-Bottom",
                 R"({"SwitchChange":1,"SwitchAbsolute":1,"CountAbsolute":12,"CountChange":0})"));
        QVERIFY(Send("HwmEncoderState_Right-Top", "garbage"));
        QTRY_COMPARE_WITH_TIMEOUT(rightTop.count(), 1, 5000);
        QCOMPARE(rightBottom.count(), 1);
        QCOMPARE(Fields(rightBottom, 0), (QList<int>{5, 2, 1, 1}));
        QCOMPARE(left, (QList<QList<int>>{{12, -1, 0, 0}, {0, 0, 0, 0}}));
        QCOMPARE(leftBottom.count(), 2);
        QCOMPARE(Fields(rightTop, 0), (QList<int>{0, 0, 0, 0})); // unreadable body
    }

    void longerTopicIsUnhandled() {
        QSignalSpy rightTop(mpSubscriber.get(), &cZmqSubRotaryEnc::sigRightTopRotEncEvt);
        ConsoleRecorder out(1);
        QVERIFY(Send("HwmEncoderState_Right-TopX", "{}"));
        QVERIFY(Send("HwmEncoderState_Right-Top",
                     R"({"SwitchChange":0,"SwitchAbsolute":0,"CountAbsolute":1,"CountChange":1})"));
        QVERIFY(rightTop.wait(5000));
        QCOMPARE(rightTop.count(), 1);
        QVERIFY(out.Text().contains("ZQT ERROR : ZmqSubRotaryEnc received an unhandled topic: "
                                    "HwmEncoderState_Right-TopX\n"));
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
    std::unique_ptr<cZmqSubRotaryEnc> mpSubscriber;
};

QTEST_GUILESS_MAIN(tst_ZmqSubRotaryEnc)
#include "test_zmqsubrotaryenc.moc"
