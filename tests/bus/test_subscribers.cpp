// The bus subscribers' topic handlers: each reaching its own signals, with
// their arguments, in the order the window relies on. Their sockets are met
// in the window's suite and in the bus torture.
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubRotaryEnc.h"
#include "bus/ZmqSubWebBaseDolby.h"
#include "bus/ZmqSubsSystemUpdate.h"

#include <QtTest>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

// The signals of the subscriber's own class that the message fires, in
// declaration order, each with its bool arguments: "sigShowApp(true)".
QStringList Fired(cZmqQtListenerBase& subscriber, const QByteArray& topic,
                  const QByteArray& payload) {
    const QMetaObject* pMeta = subscriber.metaObject();
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = pMeta->methodOffset(); i < pMeta->methodCount(); ++i)
        if (pMeta->method(i).methodType() == QMetaMethod::Signal)
            spies.push_back(std::make_unique<QSignalSpy>(&subscriber, pMeta->method(i)));
    zmsg_t* pMessage = zmsg_new();
    zmsg_addstr(pMessage, topic.constData());
    zmsg_addstr(pMessage, payload.constData());
    emit subscriber.sigMessageReceived(pMessage);
    zmsg_destroy(&pMessage);
    QStringList fired;
    for (const std::unique_ptr<QSignalSpy>& pSpy : spies)
        for (const QList<QVariant>& arguments : *pSpy) {
            QStringList flags;
            for (const QVariant& argument : arguments)
                if (argument.metaType().id() == QMetaType::Bool)
                    flags << (argument.toBool() ? "true" : "false");
            const QByteArray signature = pSpy->signal();
            fired << QString::fromLatin1(signature.left(signature.indexOf('('))) +
                         (flags.isEmpty() ? QString() : "(" + flags.join(", ") + ")");
        }
    return fired;
}

template <class T> std::unique_ptr<cZmqQtListenerBase> Made() {
    auto pSubscriber = std::make_unique<T>();
    pSubscriber->SetupParsers();
    return pSubscriber;
}

} // namespace

class tstSubscribers final : public QObject {
    Q_OBJECT

private slots:
    // One row per topic of each started subscriber's table.
    void topics_data() {
        QTest::addColumn<QString>("subscriber");
        QTest::addColumn<QByteArray>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QStringList>("fired");
        const auto row = [](const char* pKind, const char* pTopic, const char* pPayload,
                            const QStringList& fired) {
            QTest::newRow(pTopic) << pKind << QByteArray(pTopic) << QByteArray(pPayload) << fired;
        };
        const char* const kTurn = R"({"SwitchChange":0,"SwitchAbsolute":0,"CountAbsolute":5,)"
                                  R"("CountChange":2})";
        row("peer", "Switch", R"({"AppName": "RoVodirAzazodovir", "Show": true})",
            {"sigShowApp(true)"});
        row("peer", "MeterScale", R"({"Scale": 3})", {"sigSetMeterScale"});
        row("peer", "DolbyZoomPair", R"({"Pair": 3})", {"sigSendDolbyZoomPair"});
        row("peer", "FpResetDolbyGrid", R"({"ResetDolbyGrid": true})", {"sigResetDolbyGrid(true)"});
        row("peer", "FpSetDolbyVisualView", R"({"VisualiserView": "Front View"})",
            {"sigSetVisualiserView"});
        row("web", "AppPresetConfiguration",
            R"({"Clusters":[],"MeterSet":{},"SystemClockSource":{},"SourceSelect":false})",
            {"sigDolbyDecoderSettings", "sigWebRecalledPreset", "sigApplyDZMeters(false)"});
        row("web", "AppDolbyDecoderSettings",
            R"({"DecoderConfig":{},"DDPlusConfig":0,"ED2Config":0,"IsDecModulePresent":true,)"
            R"("DecModuleStatus":"Ok"})",
            {"sigDolbyDecoderSettings"});
        row("web", "AppMeterScalesSelect",
            R"({"Scale":"EBU","Ballistics":{"Float":"F","Bar":"B"},"OriginFromFp":true})",
            {"sigMeterScaleInfo"});
        row("encoder", "HwmEncoderState_Right-Bottom", kTurn, {"sigRightBottomRotEncEvt"});
        row("encoder", "HwmEncoderState_Left-Bottom", kTurn, {"sigLeftBottomRotEncEvt"});
        row("encoder", "HwmEncoderState_Right-Top", kTurn, {"sigRightTopRotEncEvt"});
        row("update", "SiSystemUpdate", R"({"Message":"Reboot soon","AvailablePackages":[]})",
            {"sigSUMessages"});
        row("update", "HbAppCmd", R"({"Command":100})", {"sigSUExitApp"});
    }
    // A topic missing from its subscriber's table, misspelt there, or routed
    // to another topic's handler.
    void topics() {
        QFETCH(QString, subscriber);
        QFETCH(QByteArray, topic);
        QFETCH(QByteArray, payload);
        const std::map<QString, std::function<std::unique_ptr<cZmqQtListenerBase>()>> kMade{
            {"peer", Made<cZmqSubPeer>},
            {"web", Made<cZmqSubWebBaseDolby>},
            {"encoder", Made<cZmqSubRotaryEnc>},
            {"update", Made<cZmqSubsSystemUpdate>}};
        const std::unique_ptr<cZmqQtListenerBase> pSubscriber = kMade.at(subscriber)();
        QVERIFY(pSubscriber->Wire());
        QTEST(Fired(*pSubscriber, topic, payload), "fired");
    }

    // A preset's signals out of the order the window relies on: settings first, then the
    // recall, then the meter screen.
    void presetSignalsInOrder() {
        cZmqSubWebBaseDolby subscriber;
        subscriber.SetupParsers();
        QStringList order;
        const auto note = [&order](const char* pName) {
            return [&order, pName] { order << pName; };
        };
        connect(&subscriber, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings, this, note("decoder"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigSourceSelected, this, note("source"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigWebRecalledPreset, this, note("recalled"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigApplyDZMeters, this, note("apply"));
        // A Dolby-fed meter and a Dolby meter screen request.
        for (const char* pSourceSelect : {"true}", "false}"})
            subscriber.ParseMetersInfo(
                (QByteArray(R"({"Clusters":[],"MeterSet":{"1":{"Source":{"Type":"Dolby E"}}},)"
                            R"("SystemClockSource":{},"ApplyDZMeterScreen":true,"SourceSelect":)") +
                 pSourceSelect)
                    .constData());
        QCOMPARE(order,
                 QStringList({"decoder", "source", "apply", "decoder", "recalled", "apply"}));
    }

    // The peer's scale narrowed to other than its low byte.
    void peerScale() {
        cZmqSubPeer subscriber;
        subscriber.SetupParsers();
        QSignalSpy scale(&subscriber, &cZmqSubPeer::sigSetMeterScale);
        subscriber.ParseMeterScaleInfo(R"({"Scale": 258})");
        QCOMPARE(scale.value(0).value(0).value<std::uint8_t>(), std::uint8_t{2});
    }
};

QTEST_GUILESS_MAIN(tstSubscribers)
#include "test_subscribers.moc"
