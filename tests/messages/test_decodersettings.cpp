// Guards the decoder settings parser against accepting incomplete documents,
// dropping values stored before a rejection, and overrunning the record.
#include "messages/JsonParseDolbyDecoderSettings.h"
#include "support/TestBus.h"

#include <QtTest>

#include <cstring>

namespace {
const char* const kComplete =
    R"({"DecoderConfig":{"SpeakerConfig":"7.1.4","StereoDownMixMode":"LoRo",)"
    R"("VisualiserView":"Front View","AtmosDecode":true,"SurroundMix":true},)"
    R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":0.5,"CompressionBoost":1},)"
    R"("ED2Config":{"AudioPresentation":3},)"
    R"("LoudnessConfig":{"Preset":"EBU","SpeechThreshold":40,"DialogueIntelligence":false},)"
    R"("IsDecModulePresent":true,"DecModuleStatus":"Ok"})";
} // namespace

class TestDecoderSettings final : public QObject {
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void completeDocumentFillsEveryField();
    void resetBeforeEachParse();
    void recordCutsTexts();
    void badInputPrintsLine();
};

void TestDecoderSettings::acceptance_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("view");
    QTest::addColumn<float>("cut");

    const QByteArray tail = R"("IsDecModulePresent":true,"DecModuleStatus":"Ok")";
    QTest::newRow("complete") << QByteArray(kComplete) << true << "Front View" << 0.5f;
    QTest::newRow("empty object") << QByteArray("{}") << false << "Top View" << 0.0f;
    QTest::newRow("sections of the wrong type are skipped")
        << QByteArray(R"({"DecoderConfig":{"VisualiserView":"Front View"},"DDPlusConfig":"x",)"
                      R"("ED2Config":5,)" +
                      tail + "}")
        << true << "Front View" << 0.0f;
    QTest::newRow("missing ED2Config keeps stored view")
        << QByteArray(R"({"DecoderConfig":{"VisualiserView":"Front View"},"DDPlusConfig":{},)" +
                      tail + "}")
        << false << "Front View" << 0.0f;
    QTest::newRow("integer cut is a number")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":{"AudioPresentation":1},)"
                      R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":3,)"
                      R"("CompressionBoost":0},)" +
                      tail + "}")
        << true << "Top View" << 3.0f;
    QTest::newRow("string cut is ignored but present")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":{"AudioPresentation":1},)"
                      R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":"3",)"
                      R"("CompressionBoost":0},)" +
                      tail + "}")
        << true << "Top View" << 0.0f;
    QTest::newRow("missing CompressionBoost")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":{"AudioPresentation":1},)"
                      R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":2.5},)" +
                      tail + "}")
        << false << "Top View" << 2.5f;
    QTest::newRow("missing AudioPresentation")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":{},"DDPlusConfig":"x",)" + tail + "}")
        << false << "Top View" << 0.0f;
    QTest::newRow("IsDecModulePresent as a number")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":1,"DDPlusConfig":1,)"
                      R"("IsDecModulePresent":1,"DecModuleStatus":"Ok"})")
        << false << "Top View" << 0.0f;
    QTest::newRow("missing DecModuleStatus")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":1,"DDPlusConfig":1,)"
                      R"("IsDecModulePresent":true})")
        << false << "Top View" << 0.0f;
    QTest::newRow("audio presentation beyond 32 bits")
        << QByteArray(R"({"DecoderConfig":{},"ED2Config":{"AudioPresentation":4294967296},)"
                      R"("DDPlusConfig":1,)" +
                      tail + "}")
        << true << "Top View" << 0.0f;
    QTest::newRow("key case matters")
        << QByteArray(R"({"decoderconfig":{"VisualiserView":"Front View"},"DDPlusConfig":1,)"
                      R"("ED2Config":1,)" +
                      tail + "}")
        << false << "Top View" << 0.0f;
}

void TestDecoderSettings::acceptance() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(QString, view);
    QFETCH(float, cut);

    cDolbyDecoderSettingsParser parser;
    QCOMPARE(parser.ParseDolbyDecoderSettings(json.constData()), accepted);
    QCOMPARE(QString::fromStdString(parser.VisualiserView), view);
    QCOMPARE(parser.CompressionCut, cut);
}

void TestDecoderSettings::completeDocumentFillsEveryField() {
    cDolbyDecoderSettingsParser parser;
    QVERIFY(parser.ParseDolbyDecoderSettings(kComplete));
    QCOMPARE(parser.SpeakerConfig, std::string("7.1.4"));
    QCOMPARE(parser.StereoDownMixMode, std::string("LoRo"));
    QVERIFY(parser.AtmosDecode && parser.SurroundMix);
    QCOMPARE(parser.CompressionMode, std::string("RF"));
    QCOMPARE(parser.CompressionBoost, 1.0f);
    QCOMPARE(parser.AudioPresentation, 3);
    QCOMPARE(parser.LoudnessPreset, std::string("EBU"));
    QCOMPARE(parser.SpeechThreshold, 40);
    QVERIFY(!parser.DialogueIntelligence);
    QVERIFY(parser.IsDecModulePresent);
    QCOMPARE(parser.DecModuleStatus, std::string("Ok"));
}

void TestDecoderSettings::resetBeforeEachParse() {
    cDolbyDecoderSettingsParser parser;
    QVERIFY(parser.ParseDolbyDecoderSettings(kComplete));
    QVERIFY(!parser.ParseDolbyDecoderSettings("{}"));
    QCOMPARE(parser.SpeakerConfig, std::string("5.1"));
    QCOMPARE(parser.LoudnessPreset, std::string("ATSC"));
    QVERIFY(parser.DialogueIntelligence);
    QCOMPARE(parser.SpeechThreshold, 20);
    QCOMPARE(parser.DecModuleStatus, std::string("Timeout"));

    // The object form leaves resetting to its caller.
    QVERIFY(parser.ParseDolbyDecoderSettings(kComplete));
    rapidjson::Document partial;
    partial.Parse(R"({"DecoderConfig":{"SpeakerConfig":"2.0"}})");
    QVERIFY(!parser.ParseDolbyDecoderSettingsObject(partial));
    QCOMPARE(parser.SpeakerConfig, std::string("2.0"));
    QCOMPARE(parser.VisualiserView, std::string("Front View"));
}

void TestDecoderSettings::recordCutsTexts() {
    cDolbyDecoderSettingsParser parser;
    QVERIFY(parser.ParseDolbyDecoderSettings(
        R"({"DecoderConfig":{"SpeakerConfig":"abcdefghijklmnop"},"DDPlusConfig":1,)"
        R"("ED2Config":1,"IsDecModulePresent":false,"DecModuleStatus":"123456789012"})"));
    DolbyDecoderSettings_s record;
    std::memset(&record, 0x7f, sizeof record);
    parser.FillRecord(&record);
    QCOMPARE(QByteArray(record.DecModuleStatus), QByteArray("1234567"));
    QCOMPARE(QByteArray(record.SpeakerConfig), QByteArray("abcdefghijk"));
    QCOMPARE(QByteArray(record.VisualiserView), QByteArray("Top View"));
    QCOMPARE(QByteArray(record.LoudnessPreset), QByteArray("ATSC"));
    QCOMPARE(record.SpeechThreshold, 20);
    QVERIFY(record.DialogueIntelligence);
}

void TestDecoderSettings::badInputPrintsLine() {
    cDolbyDecoderSettingsParser parser;
    ConsoleCapture out(1);
    QVERIFY(!parser.ParseDolbyDecoderSettings(nullptr));
    QVERIFY(!parser.ParseDolbyDecoderSettings("[1,2]"));
    QVERIFY(!parser.ParseDolbyDecoderSettings("{\"DecoderConfig\":"));
    QVERIFY(!parser.ParseDolbyDecoderSettings("{}"));
    QCOMPARE(out.Text(), QByteArray("Retrning  False \n").repeated(3));
}

QTEST_APPLESS_MAIN(TestDecoderSettings)
#include "test_decodersettings.moc"
