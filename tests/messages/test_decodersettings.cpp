// Guards the decoder settings parser against accepting incomplete documents,
// dropping values stored before a rejection, and overrunning the record.
#include "messages/JsonParseDolbyDecoderSettings.h"

#include <QtTest>

#include <cstring>

namespace {
const QByteArray kTail = R"("IsDecModulePresent":true,"DecModuleStatus":"Ok"})";

// DD+ settings with the cut as given.
QByteArray WithCut(const char* pCut) {
    return QByteArray(R"({"DecoderConfig":{},"ED2Config":{"AudioPresentation":1},)"
                      R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":)") +
           pCut + R"(,"CompressionBoost":0},)" + kTail;
}
} // namespace

class TestDecoderSettings final : public QObject {
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void recordCutsTexts();
};

void TestDecoderSettings::acceptance_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("view");
    QTest::addColumn<float>("cut");

    QTest::newRow("empty object: defaults") << QByteArray("{}") << false << "Top View" << 0.0f;
    QTest::newRow("sections of the wrong type are skipped")
        << R"({"DecoderConfig":{"VisualiserView":"Front View"},"DDPlusConfig":"x","ED2Config":5,)" +
               kTail
        << true << "Front View" << 0.0f;
    QTest::newRow("missing ED2Config keeps the stored view")
        << R"({"DecoderConfig":{"VisualiserView":"Front View"},"DDPlusConfig":{},)" + kTail << false
        << "Front View" << 0.0f;
    QTest::newRow("integer cut is a number") << WithCut("3") << true << "Top View" << 3.0f;
    QTest::newRow("string cut is ignored") << WithCut("\"3\"") << true << "Top View" << 0.0f;
}

// Each parse starts from the defaults, never from the previous document.
void TestDecoderSettings::acceptance() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(QString, view);
    QFETCH(float, cut);

    cDolbyDecoderSettingsParser parser;
    const QByteArray previous =
        R"({"DecoderConfig":{"VisualiserView":"Back View","SpeakerConfig":"7.1.4"},)"
        R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":0.5,"CompressionBoost":1},)"
        R"("ED2Config":{"AudioPresentation":3},)" +
        kTail;
    QVERIFY(parser.ParseDolbyDecoderSettings(previous.constData()));
    QCOMPARE(parser.ParseDolbyDecoderSettings(json.constData()), accepted);
    QCOMPARE(QString::fromStdString(parser.VisualiserView), view);
    QCOMPARE(parser.CompressionCut, cut);
    QCOMPARE(parser.SpeakerConfig, std::string("5.1"));
}

// Guards the fixed-size record against texts longer than its fields.
void TestDecoderSettings::recordCutsTexts() {
    cDolbyDecoderSettingsParser parser;
    QVERIFY(parser.ParseDolbyDecoderSettings(
        R"({"DecoderConfig":{},"DDPlusConfig":1,"ED2Config":1,"IsDecModulePresent":false,)"
        R"("DecModuleStatus":"123456789012"})"));
    DolbyDecoderSettings_s record;
    std::memset(&record, 0x7f, sizeof record);
    parser.FillRecord(&record);
    QCOMPARE(QByteArray(record.DecModuleStatus), QByteArray("1234567"));
}

QTEST_APPLESS_MAIN(TestDecoderSettings)
#include "test_decodersettings.moc"
