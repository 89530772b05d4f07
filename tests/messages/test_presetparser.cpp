// Guards the preset model against accepting presets without their required
// sections, keeping state from a rejected preset, misplacing cluster meters
// and drifting from the fixed text-to-value conversion rules.
#include "messages/JsonParseAppSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <functional>

namespace {

QJsonObject Meter(const char* pSpeaker, const char* pType) {
    return QJsonObject{{"VolumeDb", -3},
                       {"DelayMs", 12},
                       {"Speaker", pSpeaker},
                       {"Source", QJsonObject{{"Type", pType},
                                              {"ConnectorType", "BNC"},
                                              {"Channel", 2},
                                              {"Slot", 3},
                                              {"Cage", 1},
                                              {"InputNo", 7}}}};
}

// A valid preset: one stereo cluster on meters 1 and 2 (the second cluster
// places nothing and has a number for its mute flag), an AES clock.
QJsonObject BasePreset() {
    return QJsonObject{
        {"Clusters", QJsonArray{QJsonObject{{"FirstMeter", 1},
                                            {"NumberOfMeters", 2},
                                            {"MuteOnPresetRecall", false},
                                            {"Type", "Stereo"},
                                            {"Name", "Main"}},
                                QJsonObject{{"MuteOnPresetRecall", 1}}}},
        {"MeterSet", QJsonObject{{"1", Meter("Left", "AES3")}, {"2", Meter("Right", "AES3")}}},
        {"SystemClockSource", QJsonObject{{"Type", "AES"}, {"ConnectorType", "BNC"}, {"Pair", 1}}},
        {"Name", QJsonObject{{"Preset", "News"}, {"Program", "Evening"}, {"Group", "Studio"}}},
        {"Count", 7},
        {"SourceSelect", true},
        {"Repub", true},
        {"ApplyCdlb", false},
    };
}

QByteArray Json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray With(const char* pKey, const QJsonValue& value) {
    QJsonObject preset = BasePreset();
    preset[QLatin1String(pKey)] = value;
    return Json(preset);
}

QByteArray Without(const char* pKey) {
    QJsonObject preset = BasePreset();
    preset.remove(QLatin1String(pKey));
    return Json(preset);
}

QByteArray WithMeters(const QJsonObject& meters) {
    return With("MeterSet", meters);
}

} // namespace

class TestPresetParser final : public QObject {
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void acceptedPresetFillsModel();
    void rejectionResetsModel();
    void clusterAssignment_data();
    void clusterAssignment();
    void conversions_data();
    void conversions();
    void applyDZMeterScreen_data();
    void applyDZMeterScreen();
    void partialNames();
    void queriesOutsideRange();
};

void TestPresetParser::acceptance_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");

    QJsonArray twenty;
    for (int i = 0; i < 20; ++i)
        twenty.append(QJsonObject{{"FirstMeter", i + 1}, {"NumberOfMeters", 1}});

    QTest::newRow("complete") << Json(BasePreset()) << true;
    QTest::newRow("only required sections")
        << Json(QJsonObject{{"Clusters", QJsonArray{}},
                            {"MeterSet", QJsonObject{}},
                            {"SystemClockSource", QJsonObject{}}})
        << true;
    QTest::newRow("no SystemClockSource") << Without("SystemClockSource") << false;
    QTest::newRow("no Clusters") << Without("Clusters") << false;
    QTest::newRow("no MeterSet") << Without("MeterSet") << false;
    QTest::newRow("Clusters not an array") << With("Clusters", QJsonObject{}) << false;
    QTest::newRow("cluster element not an object") << With("Clusters", QJsonArray{1}) << false;
    QTest::newRow("20 clusters") << With("Clusters", twenty) << true;
    QTest::newRow("MeterSet not an object") << With("MeterSet", QJsonArray{}) << false;
    QTest::newRow("empty MeterSet") << WithMeters(QJsonObject{}) << true;
    QTest::newRow("meter 17") << WithMeters({{"17", Meter("Left", "AES")}}) << false;
    QTest::newRow("meter 0") << WithMeters({{"0", Meter("Left", "AES")}}) << false;
    QTest::newRow("meter without digits") << WithMeters({{"first", Meter("Left", "AES")}}) << false;
    QTest::newRow("meter beyond 32 bits")
        << WithMeters({{"99999999999", Meter("Left", "AES")}}) << false;
    QTest::newRow("meter names read like strtol")
        << WithMeters({{" 3", Meter("Left", "AES")}, {"4th", Meter("Right", "AES")}}) << true;
    QTest::newRow("meter not an object") << WithMeters({{"1", 5}}) << false;
    QTest::newRow("meter source not an object")
        << WithMeters({{"1", QJsonObject{{"Source", 1}}}}) << false;
    QTest::newRow("clock source not an object") << With("SystemClockSource", "AES") << false;
    QTest::newRow("Dolby source not an object") << With("DolbyInputSource", 1) << false;
    QTest::newRow("video source not an object") << With("VideoSource", true) << false;
    QTest::newRow("DolbyDecoderConf not an object") << With("DolbyDecoderConf", 1) << true;
    QTest::newRow("incomplete DolbyDecoderConf") << With("DolbyDecoderConf", QJsonObject{}) << true;
    QTest::newRow("Name not an object") << With("Name", "News") << true;
    QTest::newRow("wrongly typed leaves")
        << WithMeters({{"1", QJsonObject{{"VolumeDb", "loud"}, {"Speaker", 3}}}}) << true;
    QTest::newRow("syntax error") << QByteArray(R"({"Clusters":[)") << false;
    QTest::newRow("root not an object") << QByteArray("[]") << false;
}

void TestPresetParser::acceptance() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    cPresetParser parser;
    QCOMPARE(parser.ParsePreset(json.constData()), accepted);
}

void TestPresetParser::acceptedPresetFillsModel() {
    cPresetParser parser;
    QJsonObject preset = BasePreset();
    preset["DolbyDecoderConf"] =
        QJsonObject{{"DecoderConfig", QJsonObject{{"VisualiserView", "Front View"}}}};
    QVERIFY(parser.ParsePreset(Json(preset).constData()));

    QCOMPARE(parser.Meters.GetVolumeDb(0, 99), -3);
    QCOMPARE(parser.Meters.GetDelayMs(1, 99), 12);
    QCOMPARE(parser.Meters.GetChannel(0, 99), 2);
    QCOMPARE(parser.Meters.GetSlot(0, 99), 3);
    QCOMPARE(parser.Meters.GetInputNo(0, 99), 7);
    QCOMPARE(parser.Meters.GetInputType(0), SYS_INPUT_AES);
    QCOMPARE(parser.Meters.GetConnectorType(0), CONNECTOR_BNC);
    QCOMPARE(parser.Meters.GetSpeakerType(1), AUDIO_SPEAKER_RIGHT);
    QCOMPARE(parser.Meters.GetOutputAssignments(1), kOutputRight);
    QCOMPARE(QByteArray(parser.Meters.GetInputTypeStr(0)), QByteArray("AES3"));
    QCOMPARE(parser.Meters.GetVolumeDb(2, 99), 0); // untouched meter stays reset
    QVERIFY(!parser.Meters.HasDolbyInput);
    QCOMPARE(parser.Clusters.GetCusterType(0), CLUSTER_STEREO);
    QCOMPARE(QByteArray(parser.Clusters.GetClusterName(0)), QByteArray("Main"));
    QVERIFY(!parser.Clusters.GetMuteOnPresetRecall(0, true));
    QVERIFY(parser.Clusters.GetMuteOnPresetRecall(1, false));
    QCOMPARE(parser.SystemClockSource.Type, static_cast<std::int32_t>(SYS_CLOCK_AES));
    QCOMPARE(parser.SystemClockSource.Pair, 1);
    QCOMPARE(parser.DolbyInputSource.Type, 0);
    QCOMPARE(parser.VideoSource.Type, 0);
    QCOMPARE(parser.DecoderConf.VisualiserView, std::string("Front View"));
    QCOMPARE(parser.Count, 7);
    QVERIFY(parser.SourceSelect && parser.Repub && !parser.ApplyCdlb);
    QCOMPARE(parser.PresetName, std::string("News"));
    QCOMPARE(parser.GroupName, std::string("Studio"));
}

void TestPresetParser::rejectionResetsModel() {
    cPresetParser parser;
    QCOMPARE(parser.Count, -1);
    QVERIFY(parser.ParsePreset(
        With("DolbyDecoderConf",
             QJsonObject{{"DecoderConfig", QJsonObject{{"SpeakerConfig", "7.1"}}}})
            .constData()));

    QJsonObject rejected = BasePreset();
    rejected.remove("SystemClockSource");
    rejected["Count"] = 9;
    QVERIFY(!parser.ParsePreset(Json(rejected).constData()));

    QVERIFY(parser.PresetName.empty() && parser.ProgramName.empty() && parser.GroupName.empty());
    QVERIFY(!parser.SourceSelect && !parser.Repub && parser.ApplyCdlb);
    QCOMPARE(parser.Meters.GetVolumeDb(0, 99), 0);
    QCOMPARE(parser.Meters.GetClusterId(0), -1);
    QCOMPARE(QByteArray(parser.Meters.GetSpeakerTypeStr(0)), QByteArray(""));
    QCOMPARE(parser.Clusters.GetFirstMeter(0, 99), -1);
    QCOMPARE(parser.Clusters.ConfiguredClusters, 0);
    QCOMPARE(parser.SystemClockSource.Type, 0);
    QVERIFY(parser.SystemClockSource.TypeStr.empty());
    QCOMPARE(parser.DecoderConf.SpeakerConfig, std::string("5.1"));
    QCOMPARE(parser.Count, 9); // the one value a preset carries across
}

void TestPresetParser::clusterAssignment_data() {
    QTest::addColumn<int>("firstMeter");
    QTest::addColumn<int>("numberOfMeters");
    QTest::addColumn<QList<int>>("assigned");
    QTest::addColumn<int>("configured");

    QTest::newRow("stops at the last meter") << 15 << 4 << QList<int>{14, 15} << 1;
    QTest::newRow("first meter 0 places none") << 0 << 2 << QList<int>{} << 0;
    QTest::newRow("zero meters still counts") << 3 << 0 << QList<int>{} << 1;
    QTest::newRow("negative count") << 3 << -1 << QList<int>{} << 0;
    QTest::newRow("run from below the first meter") << -2 << 5 << QList<int>{0, 1} << 1;
    QTest::newRow("extreme values") << INT32_MIN << INT32_MAX << QList<int>{} << 1;
    QTest::newRow("past the meters") << 40 << 3 << QList<int>{} << 1;
}

void TestPresetParser::clusterAssignment() {
    QFETCH(int, firstMeter);
    QFETCH(int, numberOfMeters);
    QFETCH(QList<int>, assigned);
    QFETCH(int, configured);

    // The cluster sits at index 2 so its id differs from every default.
    QJsonArray clusters{
        QJsonObject{}, QJsonObject{},
        QJsonObject{{"FirstMeter", firstMeter}, {"NumberOfMeters", numberOfMeters}}};
    cPresetParser parser;
    QVERIFY(parser.ParsePreset(With("Clusters", clusters).constData()));
    QCOMPARE(parser.Clusters.ConfiguredClusters, configured);
    for (int meter = 0; meter < cMeterSet::kMeterCount; ++meter)
        QCOMPARE(parser.Meters.GetClusterId(meter), assigned.contains(meter) ? 2 : -1);
}

void TestPresetParser::conversions_data() {
    QTest::addColumn<QString>("conversion");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("speaker exact") << "speaker" << QByteArray("LeftSurround") << 5;
    QTest::newRow("speaker lower case") << "speaker" << QByteArray("left") << 0;
    QTest::newRow("speaker with suffix") << "speaker" << QByteArray("Left ") << 0;
    QTest::newRow("speaker mono surround") << "speaker" << QByteArray("MonoSurround") << 9;
    QTest::newRow("outputs lower case") << "outputs" << QByteArray("left") << 0;
    QTest::newRow("outputs LFE") << "outputs" << QByteArray("LowFrequencyEffects") << 3;
    QTest::newRow("outputs back right") << "outputs" << QByteArray("BackSurroundRight") << 1;
    QTest::newRow("input AES3") << "input" << QByteArray("AES3") << 5;
    QTest::newRow("input Dolby E") << "input" << QByteArray("Dolby E") << 4;
    QTest::newRow("input AES before Dolby") << "input" << QByteArray("Dolby over AES") << 5;
    QTest::newRow("input Internal") << "input" << QByteArray("Internal") << 0;
    QTest::newRow("input ST-2110") << "input" << QByteArray("ST-2110-30") << 2;
    QTest::newRow("input MADI") << "input" << QByteArray("MADI 64") << 1;
    QTest::newRow("input unknown") << "input" << QByteArray("HDMI") << 0;
    QTest::newRow("clock none") << "clock" << QByteArray("None") << 0;
    QTest::newRow("clock unknown is internal") << "clock" << QByteArray("Word") << 5;
    QTest::newRow("clock AoIP") << "clock" << QByteArray("AoIP") << 4;
    QTest::newRow("clock SDI") << "clock" << QByteArray("3G-SDI") << 2;
    QTest::newRow("connector SFP before Optical") << "connector" << QByteArray("Optical SFP") << 2;
    QTest::newRow("connector Dolby decoder") << "connector" << QByteArray("DolbyDecoder") << 8;
    QTest::newRow("connector RJ45") << "connector" << QByteArray("RJ45") << 7;
    QTest::newRow("cluster 5.1 Surround") << "cluster" << QByteArray("5.1 Surround") << 3;
    QTest::newRow("cluster 7.1 with blank") << "cluster" << QByteArray("7.1 Surround") << 0;
    QTest::newRow("cluster Custom") << "cluster" << QByteArray("Custom") << 5;
}

void TestPresetParser::conversions() {
    QFETCH(QString, conversion);
    QFETCH(QByteArray, text);
    QFETCH(int, expected);

    const std::map<QString, std::function<int(const char*)>> convert{
        {"speaker", cMeter::ConvertToSpeakerTypeFromString},
        {"outputs", cMeter::ConvertToOutputAssignmentsFromString},
        {"input", cMeter::ConvertToSysInputTypeFromString},
        {"connector", cMeter::ConvertToConnectorTypeFromString},
        {"clock", cSystemClockSource::ConvertToSysClockTypeFromString},
        {"cluster", cCluster::ConvertToClusterTypeFromString},
    };
    const auto& function = convert.at(conversion);
    QCOMPARE(function(text.constData()), expected);
    // No text at all: the clock falls back to internal, the others to 0.
    QCOMPARE(function(nullptr), conversion == "clock" ? 5 : 0);
}

void TestPresetParser::applyDZMeterScreen_data() {
    QTest::addColumn<QByteArray>("sourceType");
    QTest::addColumn<bool>("requested");
    QTest::addColumn<bool>("stored");

    QTest::newRow("Dolby meter, requested") << QByteArray("Dolby E") << true << true;
    QTest::newRow("Dolby meter, not requested") << QByteArray("Dolby E") << false << false;
    QTest::newRow("no Dolby meter, requested") << QByteArray("AES") << true << false;
}

void TestPresetParser::applyDZMeterScreen() {
    QFETCH(QByteArray, sourceType);
    QFETCH(bool, requested);
    QFETCH(bool, stored);

    QJsonObject preset = BasePreset();
    preset["MeterSet"] =
        QJsonObject{{"1", Meter("Left", "AES")}, {"5", Meter("Center", sourceType.constData())}};
    preset["ApplyDZMeterScreen"] = requested;
    cPresetParser parser;
    QVERIFY(parser.ParsePreset(Json(preset).constData()));
    QCOMPARE(parser.ApplyDZMeterScreen, stored);
    QCOMPARE(parser.Meters.HasDolbyInput, sourceType.startsWith("Dolby"));
    QCOMPARE(parser.Meters.GetMeter(4)->IsDolby, sourceType.startsWith("Dolby"));
}

void TestPresetParser::partialNames() {
    cPresetParser parser;
    QVERIFY(parser.ParsePreset(
        With("Name", QJsonObject{{"Preset", "A"}, {"Program", "B"}, {"Group", 3}}).constData()));
    QCOMPARE(parser.PresetName, std::string("A"));
    QCOMPARE(parser.ProgramName, std::string("B"));
    QVERIFY(parser.GroupName.empty());
}

void TestPresetParser::queriesOutsideRange() {
    cPresetParser parser;
    QVERIFY(parser.ParsePreset(Json(BasePreset()).constData()));
    for (const int index : {-1, 16, INT32_MIN}) {
        QCOMPARE(parser.Meters.GetVolumeDb(index, 42), 42);
        QCOMPARE(parser.Meters.GetCage(index, 42), 42);
        QCOMPARE(parser.Meters.GetClusterId(index), -1);
        QCOMPARE(parser.Meters.GetSpeakerType(index), AUDIO_SPEAKER_NONE);
        QVERIFY(!parser.Meters.GetInputTypeStr(index));
        QVERIFY(!parser.Meters.GetMeter(index));
        QVERIFY(!parser.Meters.SetClusterId(index, 1));
        QCOMPARE(parser.Clusters.GetNumberOfMeters(index, 42), 42);
        QVERIFY(parser.Clusters.GetMuteOnPresetRecall(index, true));
        QCOMPARE(parser.Clusters.GetCusterType(index), CLUSTER_NONE);
        QVERIFY(!parser.Clusters.GetCusterTypeStr(index));
        QVERIFY(!parser.Clusters.GetCluster(index));
    }
}

QTEST_APPLESS_MAIN(TestPresetParser)
#include "test_presetparser.moc"
