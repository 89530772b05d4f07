// Guards each subscriber's two refusals (the peer's and the web settings' are met
// in the field-faults suite): a message without its payload frame,
// and a topic that only begins like one of its own (subscriptions match by
// prefix), each reported with the subscriber's own line and handled no further.
#include "Common/AppLib/Include/BusEndpoints.h"
#include "bus/ZmqSubHwStatus.h"
#include "bus/ZmqSubRotaryEnc.h"
#include "bus/ZmqSubsNotification.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "tests/support/TestBus.h"
#include "visualiser/ZmqSubDolby.h"

#include <QtTest>

#include <memory>

namespace {

// A started subscriber of each kind; its own socket stays idle, the test
// hands it messages as its listener would.
template <class T>
std::unique_ptr<cZmqQtListenerBase> Start(void (T::*pSetup)(const char*), const char* pWhere) {
    auto pSubscriber = std::make_unique<T>();
    ((*pSubscriber).*pSetup)(pWhere);
    return pSubscriber;
}

std::unique_ptr<cZmqQtListenerBase> Started(const QString& kind) {
    if (kind == "hw")
        return Start(&cZmqSubHwStatus::SetupAndRun, "hwmStatesPub.ipc");
    if (kind == "notification")
        return Start(&cZmqSubsNotification::SetupAndRun, "appNotification.ipc");
    if (kind == "encoder")
        return Start(&cZmqSubRotaryEnc::SetupAndRun, "hwmStatesPub.ipc");
    if (kind == "update")
        return Start(&cZmqSubsSystemUpdate::SetupAndRun, "hbMonPubMq.ipc");
    return Start(&cZmqSubDolby::SetupAndRun, BusEndpoints::DecoderAddress());
}

} // namespace

class tstSubscriberLines final : public QObject {
    Q_OBJECT

private slots:
    void refusals_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("topic");
        QTest::addColumn<QString>("incomplete"); // %1: the topic
        QTest::addColumn<QString>("unhandled");  // %1: the topic with an "X" behind it
        const QString metadataNull = "ZQT ERROR : Metadata message returned null elements.\n";
        const QString webNull =
            "ZQT ERROR : Web message contains a null element (topic: %1, Message: (null)).\n\n";
        QTest::newRow("hw") << "hw" << QByteArray("HwmBalance")
                            << "ZQT ERROR : HwManager Status message returned null elements.\n"
                            << "ZQT ERROR : Hardware Status - Unhandled topic: %1\n\n";
        QTest::newRow("notification")
            << "notification" << QByteArray("AppNotification") << metadataNull
            << "KELD_ERROR : Notification Message - Unhandled topic: %1\n\n";
        QTest::newRow("encoder")
            << "encoder" << QByteArray("HwmEncoderState_Right-Top") << webNull
            << "ZQT ERROR : ZmqSubRotaryEnc received an unhandled topic: %1\n\n";
        QTest::newRow("update")
            << "update" << QByteArray("HbAppCmd") << webNull
            << "ZQT ERROR : cZmqSubsSystemUpdate received an unhandled topic: %1\n\n";
        QTest::newRow("dolby")
            << "dolby" << QByteArray("DolbyMetadataEvent")
            << "ZQT ERROR : Dolby message contains a null element (topic: %1, Message: (null)).\n\n"
            << "ZQT ERROR : JsonParseDolby received an unhandled topic: %1\n\n";
    }
    void refusals() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, topic);
        QFETCH(QString, incomplete);
        QFETCH(QString, unhandled);
        TestBusEnvironment bus;
        const std::unique_ptr<cZmqQtListenerBase> pSubscriber = Started(kind);
        const auto deliver = [&pSubscriber](const QByteArray& messageTopic, const char* pPayload) {
            zmsg_t* pMessage = zmsg_new();
            zmsg_addstr(pMessage, messageTopic.constData());
            if (pPayload)
                zmsg_addstr(pMessage, pPayload);
            emit pSubscriber->sigMessageReceived(pMessage);
            zmsg_destroy(&pMessage);
        };
        const QByteArray text = CaptureStdout([&] {
            deliver(topic, nullptr);
            deliver(topic + "X", R"({"Show": true, "AppName": "RoVodirAzazodovir"})");
        });
        QCOMPARE(QString::fromUtf8(text), incomplete.arg(QString::fromUtf8(topic)) +
                                              unhandled.arg(QString::fromUtf8(topic + "X")));
    }
};

QTEST_GUILESS_MAIN(tstSubscriberLines)
#include "test_subscriberlines.moc"
