// Guards against encoder events reaching the wrong signal, stale values
// surviving an unreadable body.
#include "bus/ZmqSubRotaryEnc.h"
#include "support/TestBus.h"

#include <QSignalSpy>
#include <QTest>

const char kTurn[] = R"({"SwitchChange":0,"SwitchAbsolute":0,"CountAbsolute":5,"CountChange":2})";

class tst_ZmqSubRotaryEnc final : public QObject {
    Q_OBJECT

private slots:
    // Guards against an event reaching another encoder's signal, an unreadable
    // body handing out the last values.
    void eachEncoderHasItsSignal() {
        TestBusEnvironment env;
        ZsockPtr pub = BindSocket(ZMQ_PUB, env.Ipc("hwmStatesPub.ipc"));
        QVERIFY(pub);
        cZmqSubRotaryEnc subscriber;
        subscriber.SetupAndRun("hwmStatesPub.ipc");
        SettleSubscription(1000);
        QSignalSpy leftBottom(&subscriber, &cZmqSubRotaryEnc::sigLeftBottomRotEncEvt);
        QSignalSpy rightTop(&subscriber, &cZmqSubRotaryEnc::sigRightTopRotEncEvt);
        QVERIFY(SendTopic(pub.get(), "HwmEncoderState_Right-Top", kTurn));
        QVERIFY(SendTopic(pub.get(), "HwmEncoderState_Left-Bottom", kTurn));
        QVERIFY(SendTopic(pub.get(), "HwmEncoderState_Right-Top", "garbage"));
        QTRY_COMPARE_WITH_TIMEOUT(rightTop.count(), 2, 5000);
        QCOMPARE(leftBottom.count(), 1);
        QCOMPARE(leftBottom.at(0).at(0).value<RotaryEncEvent_t*>()->CountAbsolute, 5);
        const auto* pEvent = rightTop.at(1).at(0).value<RotaryEncEvent_t*>();
        QCOMPARE((QList<int>{pEvent->CountAbsolute, pEvent->CountChange, pEvent->SwitchChange,
                             pEvent->SwitchAbsolute}),
                 (QList<int>{0, 0, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(tst_ZmqSubRotaryEnc)
#include "test_zmqsubrotaryenc.moc"
