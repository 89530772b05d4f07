// Guards the preset model against accepting presets without their required
// sections, keeping state from a rejected preset, misplacing cluster meters
// and drifting from the fixed text-to-value conversion rules.
#include "messages/JsonParseAppSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QJsonObject Meter(const char* pSpeaker, const char* pType) {
    return QJsonObject{{"VolumeDb", -3},
                       {"Speaker", pSpeaker},
                       {"Source", QJsonObject{{"Type", pType}, {"ConnectorType", "BNC"}}}};
}

// A valid preset: one stereo cluster on meters 1 and 2, an AES clock, a
// group name of the wrong type and no program name.
QJsonObject BasePreset() {
    return QJsonObject{
        {"Clusters",
         QJsonArray{QJsonObject{{"FirstMeter", 1}, {"NumberOfMeters", 2}, {"Type", "Stereo"}}}},
        {"MeterSet", QJsonObject{{"1", Meter("Left", "AES3")}, {"2", Meter("Right", "AES3")}}},
        {"SystemClockSource", QJsonObject{{"Type", "AES"}}},
        {"DolbyDecoderConf", QJsonObject{{"DecoderConfig", QJsonObject{{"SpeakerConfig", "7.1"}}}}},
        {"Name", QJsonObject{{"Preset", "News"}, {"Group", 3}}},
        {"Count", 7},
        {"SourceSelect", true},
    };
}

QByteArray With(const char* pKey, const QJsonValue& value, QJsonObject preset = BasePreset()) {
    if (value.isUndefined())
        preset.remove(QLatin1String(pKey));
    else
        preset[QLatin1String(pKey)] = value;
    return QJsonDocument(preset).toJson(QJsonDocument::Compact);
}

} // namespace

class TestPresetParser final : public QObject {
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void clusterAssignment_data();
    void clusterAssignment();
    void conversions();
    void applyDZMeterScreen();
    void queriesOutsideRange();
};

void TestPresetParser::acceptance_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");

    const QJsonValue absent(QJsonValue::Undefined);
    QTest::newRow("complete") << With("Count", 7) << true;
    QTest::newRow("no SystemClockSource") << With("SystemClockSource", absent) << false;
    QTest::newRow("no Clusters") << With("Clusters", absent) << false;
    QTest::newRow("no MeterSet") << With("MeterSet", absent) << false;
    QTest::newRow("Clusters not an array") << With("Clusters", QJsonObject{}) << false;
    QTest::newRow("meter 17") << With("MeterSet", QJsonObject{{"17", Meter("L", "AES")}}) << false;
    QTest::newRow("meter names read like strtol")
        << With("MeterSet",
                QJsonObject{{" 1", Meter("Left", "AES")}, {"2nd", Meter("Right", "AES")}})
        << true;
    QTest::newRow("syntax error") << QByteArray(R"({"Clusters":[)") << false;
}

// Guards against values landing on the wrong meter or field, and against a
// preset, accepted or not, keeping anything but Count from the previous one.
void TestPresetParser::acceptance() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QJsonObject first = BasePreset();
    first["SystemClockSource"] = QJsonObject{{"Type", "AES"}, {"ConnectorType", "BNC"}};
    first["DolbyInputSource"] = QJsonObject{{"Type", "Dolby E"}, {"Slot", 2}};
    first["VideoSource"] = QJsonObject{{"Type", "SDI"}};
    cPresetParser parser;
    QVERIFY(parser.ParsePreset(QJsonDocument(first).toJson().constData()));
    QCOMPARE(parser.ParsePreset(json.constData()), accepted);
    QVERIFY(parser.SystemClockSource.ConnectorTypeStr.empty());
    QVERIFY(parser.DolbyInputSource.TypeStr.empty() && parser.DolbyInputSource.Slot == 0);
    QVERIFY(parser.VideoSource.TypeStr.empty());
    QCOMPARE(parser.Count, 7);
    QCOMPARE(parser.Meters.GetVolumeDb(0, 99), accepted ? -3 : 0);
    QCOMPARE(parser.Meters.GetSpeakerType(1), accepted ? AUDIO_SPEAKER_RIGHT : AUDIO_SPEAKER_NONE);
    QCOMPARE(parser.Clusters.ConfiguredClusters, accepted ? 1 : 0);
    QCOMPARE(parser.DecoderConf.SpeakerConfig, std::string(accepted ? "7.1" : "5.1"));
    // Names are taken one by one: the wrongly typed group stays empty.
    QCOMPARE(parser.PresetName, std::string(accepted ? "News" : ""));
    QVERIFY(parser.GroupName.empty());
}

void TestPresetParser::clusterAssignment_data() {
    QTest::addColumn<int>("firstMeter");
    QTest::addColumn<int>("numberOfMeters");
    QTest::addColumn<QList<int>>("assigned");
    QTest::addColumn<int>("configured");

    QTest::newRow("stops at the last meter") << 15 << 4 << QList<int>{14, 15} << 1;
    QTest::newRow("first meter 0 places none") << 0 << 2 << QList<int>{} << 0;
    QTest::newRow("zero meters still counts") << 3 << 0 << QList<int>{} << 1;
    QTest::newRow("run from below the first meter") << -2 << 5 << QList<int>{0, 1} << 1;
    QTest::newRow("extreme values") << INT32_MIN << INT32_MAX << QList<int>{} << 1;
}

// Guards the meter run of a cluster against landing off by one or outside.
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

// Guards the substring rules (the first table word found anywhere wins)
// and the exact ones (speaker words) against each other.
void TestPresetParser::conversions() {
    QCOMPARE(cMeter::ConvertToSpeakerTypeFromString("LeftSurround"), AUDIO_SPEAKER_LEFT_SURROUND);
    QCOMPARE(cMeter::ConvertToSpeakerTypeFromString("Left "), AUDIO_SPEAKER_NONE);
    QCOMPARE(cMeter::ConvertToOutputAssignmentsFromString("left"), 0);
    QCOMPARE(cMeter::ConvertToSysInputTypeFromString("Dolby over AES"), SYS_INPUT_AES);
    QCOMPARE(cMeter::ConvertToConnectorTypeFromString("Optical SFP"), CONNECTOR_SFP);
    QCOMPARE(cSystemClockSource::ConvertToSysClockTypeFromString("Word"), SYS_CLOCK_INTERNAL);
    QCOMPARE(cSystemClockSource::ConvertToSysClockTypeFromString(nullptr), SYS_CLOCK_INTERNAL);
    QCOMPARE(cCluster::ConvertToClusterTypeFromString("5.1 Surround"), CLUSTER_5_1);
    QCOMPARE(cCluster::ConvertToClusterTypeFromString("7.1 Surround"), CLUSTER_NONE);
}

// Guards the Dolby meter screen against being applied without a Dolby input.
void TestPresetParser::applyDZMeterScreen() {
    const auto stored = [](const char* pSourceType, bool bRequested) {
        QJsonObject preset = BasePreset();
        preset["ApplyDZMeterScreen"] = bRequested;
        const QJsonObject meters{{"1", Meter("Left", "AES")}, {"5", Meter("Center", pSourceType)}};
        cPresetParser parser;
        return parser.ParsePreset(With("MeterSet", meters, preset).constData()) &&
               parser.ApplyDZMeterScreen;
    };
    QVERIFY(stored("Dolby E", true));
    QVERIFY(!stored("Dolby E", false));
    QVERIFY(!stored("AES", true));
}

// Guards every indexed query against reading outside the sixteen meters and clusters.
void TestPresetParser::queriesOutsideRange() {
    cPresetParser parser;
    QVERIFY(parser.ParsePreset(QJsonDocument(BasePreset()).toJson().constData()));
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
