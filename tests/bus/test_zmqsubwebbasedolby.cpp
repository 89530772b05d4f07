// Guards the web settings subscriber against emitting in the wrong order or
// for rejected messages, taking the room view from the wrong message,
// overrunning its records and going silent on unexpected topics.
#include "bus/ZmqSubWebBaseDolby.h"
#include "support/TestBus.h"

#include <QtTest>

#include <memory>

namespace {

const char* const kScales =
    R"({"Scale":"EBU","Ballistics":{"Float":"PPM","Bar":"Peak"},"OriginFromFp":false})";

const char* const kDecoderFront =
    R"({"DecoderConfig":{"VisualiserView":"Front View","SpeakerConfig":"7.1.4"},)"
    R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":1,"CompressionBoost":0.5},)"
    R"("ED2Config":{"AudioPresentation":2},"IsDecModulePresent":true,"DecModuleStatus":"Ok"})";

// A Dolby-fed meter, a Dolby meter screen request and a program name of 40
// characters; its own decoder section asks for a view that must not win.
QByteArray Preset(bool bSourceSelect) {
    return QByteArray(R"({"Clusters":[{"FirstMeter":1,"NumberOfMeters":2}],)"
                      R"("MeterSet":{"1":{"Speaker":"Left","Source":{"Type":"Dolby E"}}},)"
                      R"("SystemClockSource":{"Type":"Internal"},)"
                      R"("DolbyDecoderConf":{"DecoderConfig":{"VisualiserView":"Front View",)"
                      R"("SpeakerConfig":"5.1.2"}},)"
                      R"("Name":{"Preset":"Evening","Program":")") +
           QByteArray(40, 'p') + R"(","Group":"Studio A"},"ApplyDZMeterScreen":true,)" +
           (bSourceSelect ? R"("SourceSelect":true})" : R"("SourceSelect":false})");
}

} // namespace

class TestZmqSubWebBaseDolby final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void presetSignalsInOrder_data();
    void presetSignalsInOrder();
    void decoderSettingsCarryTheView();
    void rejectedPresetEmitsNothing();
    void incompleteMeterScalesKeepScale();
    void unhandledAndBrokenMessages();

private:
    // Sends, then waits until the subscriber has handled it: a meter scale
    // message sent right behind it is answered, and they are taken in order.
    void SendAndDrain(const char* pTopic, const char* pJson);

    std::unique_ptr<TestBusEnvironment> mpEnv;
    ZsockPtr mpPublisher;
    std::unique_ptr<cZmqSubWebBaseDolby> mpSub;
};

void TestZmqSubWebBaseDolby::initTestCase() {
    mpEnv = std::make_unique<TestBusEnvironment>();
    mpPublisher = BindSocket(ZMQ_PUB, mpEnv->Ipc("appServer.ipc"));
    QVERIFY(mpPublisher);
    mpSub = std::make_unique<cZmqSubWebBaseDolby>();
    mpSub->SetupAndRun("appServer.ipc");
    QVERIFY(mpSub->IsPolling());

    // Resend until the subscription has reached the publisher.
    QSignalSpy scales(mpSub.get(), &cZmqSubWebBaseDolby::sigMeterScaleInfo);
    for (int attempt = 0; attempt < 50 && scales.isEmpty(); ++attempt) {
        SendTopic(mpPublisher.get(), "AppMeterScalesSelect", kScales);
        scales.wait(200);
    }
    QVERIFY(!scales.isEmpty());
    SettleSubscription(300); // let repeated probes drain
}

void TestZmqSubWebBaseDolby::cleanupTestCase() {
    mpSub.reset();
    mpPublisher.reset();
    mpEnv.reset();
}

void TestZmqSubWebBaseDolby::SendAndDrain(const char* pTopic, const char* pJson) {
    QSignalSpy scales(mpSub.get(), &cZmqSubWebBaseDolby::sigMeterScaleInfo);
    QVERIFY(SendTopic(mpPublisher.get(), pTopic, pJson));
    QVERIFY(SendTopic(mpPublisher.get(), "AppMeterScalesSelect", kScales));
    QVERIFY(scales.wait(5000));
}

void TestZmqSubWebBaseDolby::presetSignalsInOrder_data() {
    QTest::addColumn<bool>("sourceSelect");
    QTest::newRow("source selected") << true;
    QTest::newRow("recalled from the web") << false;
}

void TestZmqSubWebBaseDolby::presetSignalsInOrder() {
    QFETCH(bool, sourceSelect);

    QStringList order;
    QByteArray view, speakers, program, preset;
    bool bApply = false;
    bool bRecallApply = false;
    auto* pSub = mpSub.get();
    QObject context;
    connect(pSub, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings, &context,
            [&](DolbyDecoderSettings_s* pSettings) {
                order << "decoder";
                view = pSettings->VisualiserView;
                speakers = pSettings->SpeakerConfig;
            });
    auto recall = [&](const char* pName) {
        return [&, pName](const PresetRecall_s* pRecall) {
            order << pName;
            program = pRecall->ProgramName;
            preset = pRecall->PresetName;
            bRecallApply = pRecall->ApplyDZMeters;
        };
    };
    connect(pSub, &cZmqSubWebBaseDolby::sigSourceSelected, &context, recall("source"));
    connect(pSub, &cZmqSubWebBaseDolby::sigWebRecalledPreset, &context, recall("recalled"));
    connect(pSub, &cZmqSubWebBaseDolby::sigApplyDZMeters, &context, [&](bool bExit) {
        order << "apply";
        bApply = bExit;
    });

    QSignalSpy applied(pSub, &cZmqSubWebBaseDolby::sigApplyDZMeters);
    QVERIFY(
        SendTopic(mpPublisher.get(), "AppPresetConfiguration", Preset(sourceSelect).constData()));
    QVERIFY(applied.wait(5000));

    QCOMPARE(order, (QStringList{"decoder", sourceSelect ? "source" : "recalled", "apply"}));
    QCOMPARE(view, QByteArray("Top View")); // no decoder settings message yet
    QCOMPARE(speakers, QByteArray("5.1.2"));
    QCOMPARE(program, QByteArray(31, 'p'));
    QCOMPARE(preset, QByteArray("Evening"));
    QVERIFY(bApply && bRecallApply);
}

void TestZmqSubWebBaseDolby::decoderSettingsCarryTheView() {
    QSignalSpy decoder(mpSub.get(), &cZmqSubWebBaseDolby::sigDolbyDecoderSettings);
    QVERIFY(SendTopic(mpPublisher.get(), "AppDolbyDecoderSettings", kDecoderFront));
    QVERIFY(decoder.wait(5000));
    auto* pRecord = decoder.takeFirst().at(0).value<DolbyDecoderSettings_s*>();
    QCOMPARE(QByteArray(pRecord->VisualiserView), QByteArray("Front View"));
    QCOMPARE(pRecord->AudioPresentation, 2);
    QCOMPARE(pRecord->CompressionCut, 1.0f);

    // A later preset keeps that view but takes everything else from itself.
    QVERIFY(SendTopic(mpPublisher.get(), "AppPresetConfiguration", Preset(false).constData()));
    QVERIFY(decoder.wait(5000));
    pRecord = decoder.takeFirst().at(0).value<DolbyDecoderSettings_s*>();
    QCOMPARE(QByteArray(pRecord->VisualiserView), QByteArray("Front View"));
    QCOMPARE(QByteArray(pRecord->SpeakerConfig), QByteArray("5.1.2"));
    QCOMPARE(pRecord->AudioPresentation, 0);

    // A rejected decoder settings message changes nothing.
    SendAndDrain("AppDolbyDecoderSettings", R"({"DecoderConfig":{"VisualiserView":"Top View"}})");
    QVERIFY(decoder.isEmpty());
}

void TestZmqSubWebBaseDolby::rejectedPresetEmitsNothing() {
    SendAndDrain("AppPresetConfiguration", Preset(true).constData());
    QCOMPARE(QByteArray(mpSub->PresetRecall().PresetName), QByteArray("Evening"));

    QSignalSpy decoder(mpSub.get(), &cZmqSubWebBaseDolby::sigDolbyDecoderSettings);
    QSignalSpy source(mpSub.get(), &cZmqSubWebBaseDolby::sigSourceSelected);
    QSignalSpy apply(mpSub.get(), &cZmqSubWebBaseDolby::sigApplyDZMeters);
    QByteArray rejected = Preset(true);
    rejected.replace("SystemClockSource", "SystemClock");
    SendAndDrain("AppPresetConfiguration", rejected.constData());
    QVERIFY(decoder.isEmpty() && source.isEmpty() && apply.isEmpty());
    const PresetRecall_s& recall = mpSub->PresetRecall();
    QCOMPARE(QByteArray(recall.PresetName), QByteArray());
    QCOMPARE(QByteArray(recall.GroupName), QByteArray());
    QVERIFY(!recall.SourceSelect && !recall.ApplyDZMeters);
}

void TestZmqSubWebBaseDolby::incompleteMeterScalesKeepScale() {
    QSignalSpy scales(mpSub.get(), &cZmqSubWebBaseDolby::sigMeterScaleInfo);
    QVERIFY(SendTopic(mpPublisher.get(), "AppMeterScalesSelect",
                      R"({"Scale":"VeryLongScale","Ballistics":{"Float":"F","Bar":"B"},)"
                      R"("OriginFromFp":true})"));
    QVERIFY(scales.wait(5000));
    const auto* pInfo = scales.takeFirst().at(0).value<ScaleInfo_t*>();
    QCOMPARE(QByteArray(pInfo->Scale), QByteArray("VeryLon"));
    QCOMPARE(QByteArray(pInfo->BallisticsBar), QByteArray("B"));

    // A preset sent behind it shows when the partial message has been handled.
    QSignalSpy presets(mpSub.get(), &cZmqSubWebBaseDolby::sigApplyDZMeters);
    QVERIFY(SendTopic(mpPublisher.get(), "AppMeterScalesSelect", R"({"Scale":"DIN"})"));
    QVERIFY(SendTopic(mpPublisher.get(), "AppPresetConfiguration", Preset(false).constData()));
    QVERIFY(presets.wait(5000));
    QVERIFY(scales.isEmpty());
    QCOMPARE(mpSub->MeterScalesParser()->Scale, std::string("DIN"));
}

void TestZmqSubWebBaseDolby::unhandledAndBrokenMessages() {
    QSignalSpy decoder(mpSub.get(), &cZmqSubWebBaseDolby::sigDolbyDecoderSettings);
    ConsoleCapture out(1);
    // Subscriptions match by prefix, so a longer topic gets through.
    QVERIFY(SendTopic(mpPublisher.get(), "AppDolbyDecoderSettingsV2", kDecoderFront));
    QVERIFY(zstr_send(mpPublisher.get(), "AppPresetConfiguration") == 0);
    SendAndDrain("AppMeterScalesSelect", kScales);
    const QByteArray text = out.Text();
    QVERIFY2(text.contains("ZQT ERROR : JsonParseWebBaseDolby received an unhandled topic: "
                           "AppDolbyDecoderSettingsV2\n"),
             text.constData());
    QVERIFY2(text.contains("ZQT ERROR : Web message contains a null element (topic: "
                           "AppPresetConfiguration, Message: (null)).\n"),
             text.constData());
    QVERIFY(decoder.isEmpty());
}

QTEST_GUILESS_MAIN(TestZmqSubWebBaseDolby)
#include "test_zmqsubwebbasedolby.moc"
