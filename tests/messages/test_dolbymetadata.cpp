// Guards the stream description: which members become display lines, when
// the programme and stream lists are read, the frame-type names, and that a
// malformed or wrongly typed document emits nothing and leaves no half record.
#include "messages/JsonParseDolbyMetaData.h"
#include "support/PublishUntil.h"
#include "visualiser/ZmqSubDolby.h"

#include <QtTest>

class cTestDolbyMetaData final : public QObject {
    Q_OBJECT

private slots:
    void frameTypeNames_data();
    void frameTypeNames();
    void documents_data();
    void documents();
    void rejected_data();
    void rejected();
    void signalsInOrder();
};

void cTestDolbyMetaData::frameTypeNames_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("atmos");
    QTest::addColumn<QString>("name");
    const struct {
        int code;
        bool atmos;
        const char* name;
    } rows[] = {
        {0, false, "Undefined"},
        {1, false, "Dolby Digital"},
        {2, false, ""},
        {3, false, "Pause"},
        {4, false, "MPEG 1 L1"},
        {5, false, "MPEG 1 L2-3"},
        {6, false, "MPEG 2"},
        {7, false, ""},
        {8, false, "MPEG 2.5 L1"},
        {9, false, "MPEG 2.5 L2-3"},
        {10, false, "AAC"},
        {11, false, "HEAAC"},
        {16, false, "Dolby Digital Plus"},
        {16, true, "Dolby Digital Plus with Atmos"},
        {21, false, "Dolby Digital Plus IEC"},
        {22, false, "MAT IEC"},
        {24, false, "Dolby AC-4"},
        {25, false, "EMDF"},
        {27, false, "KLV"},
        {28, false, "Generic Dolby E"},
        {241, false, "ED2: Dolby E + Evolution v1"},
        {242, false, "ED2: Dolby E + Evolution v2"},
        {255, false, "Unknown frame type"},
        {256, false, ""},
        {-16, false, ""},
    };
    for (const auto& row : rows)
        QTest::addRow("%d%s", row.code, row.atmos ? " atmos" : "")
            << row.code << row.atmos << QString::fromLatin1(row.name);
}

void cTestDolbyMetaData::frameTypeNames() {
    QFETCH(int, code);
    QFETCH(bool, atmos);
    cZmqSubDolby subscriber;
    subscriber.ParseDolbyMetadata(atmos ? R"({"IsAtmosPresent":true})" : "{}");
    QTEST(subscriber.GetStreamNameFroms337FrameType(code), "name");
}

void cTestDolbyMetaData::documents_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("streamType");
    QTest::addColumn<QString>("typeDesc");
    QTest::addColumn<int>("programs");

    QTest::newRow("atmos frame type only")
        << QByteArray(R"({"S337Type":{"Data":16},"IsAtmosPresent":true})") << QStringList{"\n"}
        << "Dolby Digital Plus with Atmos"
        << "Undefined" << 0;
    QTest::newRow("unlisted code falls back to Type")
        << QByteArray(R"({"S337Type":{"Data":2},"Type":{"Title":"Kind","Desc":"Custom"}})")
        << QStringList{"\n", "Kind\nCustom"} << "Custom"
        << "Custom" << 0;
    QTest::newRow("code 0 without Type")
        << QByteArray(R"({"S337Type":{"Data":0}})") << QStringList{"\n"} << "Undefined"
        << "Undefined" << 0;
    QTest::newRow("null Desc and Data leave defaults")
        << QByteArray(R"({"Type":{"Desc":null},"S337Type":{"Data":null}})")
        << QStringList{"\n", "\n"} << "Undefined"
        << "Undefined" << 0;
    QTest::newRow("programmes without a count are not read")
        << QByteArray(
               R"({"Programs":[{"a":{"Title":"A"}},{"b":{"Title":"B"}},{"c":{"Title":"C"}}]})")
        << QStringList{} << "Undefined"
        << "Undefined" << 0;
    QTest::newRow("count 1 reads every programme")
        << QByteArray(
               R"({"NoOfPrograms":1,"Programs":[{"a":{"Title":"A","Desc":"1"}},{"b":{"Title":"B"},"n":5},{"c":{"Desc":"3"}}]})")
        << QStringList{"A\n1", "B\n", "\n3"} << "Undefined"
        << "Undefined" << 3;
    QTest::newRow("items first, then programmes, then streams")
        << QByteArray(
               R"({"Streams":[{"s":{"Title":"S"}}],"NoOfStreams":1,"NoOfPrograms":1,"Programs":[{"p":{"Title":"P"}}],"Info":{"Title":"I","Extra":1},"S337Type":{"Data":1,"Title":"T"}})")
        << QStringList{"I\n", "T\n", "P\n", "S\n"} << "Dolby Digital"
        << "Undefined" << 1;
    QTest::newRow("unicode titles") << QByteArray(R"({"Item":{"Title":"Kanäle","Desc":"日本"}})")
                                    << QStringList{QStringLiteral("Kanäle\n日本")} << "Undefined"
                                    << "Undefined" << 0;
}

void cTestDolbyMetaData::documents() {
    QFETCH(QByteArray, json);
    cZmqSubDolby subscriber;
    QSignalSpy typeSpy(&subscriber, &cZmqSubDolby::sigDolbyStreamType);
    QStringList types;
    connect(&subscriber, &cZmqSubDolby::sigDolbyStreamType, this,
            [&](const char* pType) { types << QString::fromUtf8(pType); });
    subscriber.ParseDolbyMetadata(json.constData());
    QCOMPARE(types.size(), 1);
    QTEST(QStringList(subscriber.DisplayLines()), "lines");
    QTEST(types.first(), "streamType");
    QTEST(subscriber.MetaData().StreamTypeDesc, "typeDesc");
    QTEST(int(subscriber.MetaData().Programs.size()), "programs");
}

void cTestDolbyMetaData::rejected_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("syntax error") << QByteArray(R"({"NoOfPrograms":)");
    QTest::newRow("array root") << QByteArray("[1]");
    QTest::newRow("string count") << QByteArray(R"({"NoOfPrograms":"1"})");
    QTest::newRow("number Atmos flag") << QByteArray(R"({"IsAtmosPresent":1})");
    QTest::newRow("Type not an object") << QByteArray(R"({"Type":"AC-4"})");
    QTest::newRow("number Desc") << QByteArray(R"({"Type":{"Desc":7}})");
    QTest::newRow("string frame type") << QByteArray(R"({"S337Type":{"Data":"16"}})");
    QTest::newRow("Programs not an array")
        << QByteArray(R"({"NoOfPrograms":1,"Programs":{"a":{}}})");
    QTest::newRow("programme not an object") << QByteArray(R"({"NoOfPrograms":1,"Programs":[3]})");
    QTest::newRow("number Title") << QByteArray(R"({"Info":{"Title":5}})");
    QTest::newRow("array Desc in a stream")
        << QByteArray(R"({"NoOfStreams":2,"Streams":[{"s":{"Desc":[]}}]})");
}

void cTestDolbyMetaData::rejected() {
    QFETCH(QByteArray, json);
    cZmqSubDolby subscriber;
    subscriber.ParseDolbyMetadata(R"({"Info":{"Title":"kept"},"NoOfPrograms":2})");
    QCOMPARE(subscriber.DisplayLines(), QList<QString>{"kept\n"});

    QSignalSpy linesSpy(&subscriber, &cZmqSubDolby::sigNewDolbyMetaData);
    QSignalSpy dataSpy(&subscriber, &cZmqSubDolby::sigNewDolbyData);
    QSignalSpy typeSpy(&subscriber, &cZmqSubDolby::sigDolbyStreamType);
    const QByteArray text = CaptureStdout([&] { subscriber.ParseDolbyMetadata(json.constData()); });
    QCOMPARE(linesSpy.count() + dataSpy.count() + typeSpy.count(), 0);
    QVERIFY(text.contains("ZQT ERROR : Dolby Metadata does not contain Anything.\n"));
    // The record is reset before parsing and no half-read document is left in it.
    QCOMPARE(subscriber.MetaData().NoOfPrograms, 0);
    QVERIFY(subscriber.MetaData().MetaObjects.isEmpty());
    QVERIFY(subscriber.MetaData().StreamTypeDesc.isEmpty());
    QCOMPARE(subscriber.DisplayLines(), QList<QString>{"kept\n"});
}

void cTestDolbyMetaData::signalsInOrder() {
    // Receivers rely on lines, record and stream type arriving in this order.
    cZmqSubDolby subscriber;
    QStringList order;
    connect(&subscriber, &cZmqSubDolby::sigNewDolbyMetaData, this, [&](QList<QString>* pLines) {
        order << QStringLiteral("lines %1").arg(pLines->size());
    });
    connect(&subscriber, &cZmqSubDolby::sigNewDolbyData, this, [&](DolbyMetaData_s* pData) {
        order << QStringLiteral("record %1").arg(pData->CurrentProgram);
    });
    connect(&subscriber, &cZmqSubDolby::sigDolbyStreamType, this,
            [&](const char* pType) { order << QString::fromUtf8(pType); });
    QSignalSpy unusedSpy(&subscriber, &cZmqSubDolby::sigNewSystemData);
    subscriber.ParseDolbyMetadata(R"({"CurrentProgram":2,"S337Type":{"Data":24}})");
    QCOMPARE(order, QStringList({"lines 1", "record 2", "Dolby AC-4"}));
    QCOMPARE(unusedSpy.count(), 0);
}

QTEST_APPLESS_MAIN(cTestDolbyMetaData)
#include "test_dolbymetadata.moc"
