// Guards every subscriber's two refusals: a message without its payload frame,
// and a topic that only begins like one of its own (subscriptions match by
// prefix), each reported with the subscriber's own line and handled no further.
#include "BusEndpoints.h"
#include "bus/ZmqSubHwStatus.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubRotaryEnc.h"
#include "bus/ZmqSubWebBaseDolby.h"
#include "bus/ZmqSubsNotification.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"
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
    if (kind == "peer")
        return Start(&cZmqSubPeer::SetupAndRunIPC, "DoRiduyPub.ipc");
    if (kind == "encoder")
        return Start(&cZmqSubRotaryEnc::SetupAndRun, "hwmStatesPub.ipc");
    if (kind == "web")
        return Start(&cZmqSubWebBaseDolby::SetupAndRun, "appServer.ipc");
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
        QTest::addColumn<bool>("payload");
        QTest::addColumn<QByteArray>("line");
        const auto row = [](const char* pKind, const char* pTopic, bool bPayload,
                            const char* pLine) {
            QTest::addRow("%s %s", pKind, bPayload ? "longer topic" : "topic only")
                << QString(pKind) << QByteArray(pTopic) << bPayload << QByteArray(pLine);
        };
        const char* pNull = "ZQT ERROR : Metadata message returned null elements.\n";
        row("hw", "HwmBalance", false,
            "ZQT ERROR : HwManager Status message returned null elements.\n");
        row("hw", "HwmVolumeX", true,
            "ZQT ERROR : Hardware Status - Unhandled topic: HwmVolumeX\n\n");
        row("notification", "AppNotification", false, pNull);
        row("notification", "AppNotificationX", true,
            "KELD_ERROR : Notification Message - Unhandled topic: AppNotificationX\n\n");
        row("peer", "Switch", false, pNull);
        row("peer", "SwitchToMeters", true,
            "KELD_ERROR : Dolby Peer Communication - Unhandled topic: SwitchToMeters\n\n");
        row("encoder", "HwmEncoderState_Right-Top", false,
            "ZQT ERROR : Web message contains a null element (topic: HwmEncoderState_Right-Top, "
            "Message: (null)).\n\n");
        row("encoder", "HwmEncoderState_Right-TopX", true,
            "ZQT ERROR : ZmqSubRotaryEnc received an unhandled topic: "
            "HwmEncoderState_Right-TopX\n\n");
        row("web", "AppPresetConfiguration", false,
            "ZQT ERROR : Web message contains a null element (topic: AppPresetConfiguration, "
            "Message: (null)).\n\n");
        row("web", "AppDolbyDecoderSettingsV2", true,
            "ZQT ERROR : JsonParseWebBaseDolby received an unhandled topic: "
            "AppDolbyDecoderSettingsV2\n\n");
        row("update", "HbAppCmd", false,
            "ZQT ERROR : Web message contains a null element (topic: HbAppCmd, Message: "
            "(null)).\n\n");
        row("update", "HbAppCmdX", true,
            "ZQT ERROR : cZmqSubsSystemUpdate received an unhandled topic: HbAppCmdX\n\n");
        row("dolby", "DolbyMetadataEvent", false,
            "ZQT ERROR : Dolby message contains a null element (topic: DolbyMetadataEvent, "
            "Message: (null)).\n\n");
        row("dolby", "DolbyMetadataEventX", true,
            "ZQT ERROR : JsonParseDolby received an unhandled topic: DolbyMetadataEventX\n\n");
    }
    void refusals() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, topic);
        QFETCH(bool, payload);
        TestBusEnvironment bus;
        const std::unique_ptr<cZmqQtListenerBase> pSubscriber = Started(kind);
        zmsg_t* pMessage = zmsg_new();
        zmsg_addstr(pMessage, topic.constData());
        if (payload)
            zmsg_addstr(pMessage, R"({"Show": true, "AppName": "RoVodirAzazodovir"})");
        QTEST(CaptureStdout([&] { emit pSubscriber->sigMessageReceived(pMessage); }), "line");
        zmsg_destroy(&pMessage);
    }
};

QTEST_GUILESS_MAIN(tstSubscriberLines)
#include "test_subscriberlines.moc"
