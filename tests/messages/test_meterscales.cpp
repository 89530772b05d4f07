// Guards the meter scale parser against accepting incomplete selections,
// losing the values it stored before rejecting, and overrunning the record.
#include "messages/JsonParseMetersInfo.h"

#include <QtTest>

#include <cstring>

class TestMeterScales final : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestMeterScales::parse_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("held"); // scale, float and bar ballistics, origin

    QTest::newRow("complete, long scale")
        << QByteArray(R"({"Scale":"ABCDEFGHIJ","Ballistics":{"Float":"PPM","Bar":"Peak"},)"
                      R"("OriginFromFp":true})")
        << true << QByteArray("ABCDEFGHIJ PPM Peak 1");
    QTest::newRow("only a Scale keeps it")
        << QByteArray(R"({"Scale":"DIN"})") << false << QByteArray("DIN IEC_TYPE_I VU 0");
    QTest::newRow("syntax error") << QByteArray(R"({"Scale":)") << false
                                  << QByteArray("AES IEC_TYPE_I VU 0");
}

void TestMeterScales::parse() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, held);

    cMeterScalesParser parser;
    // A previous message must never leak into this one.
    QVERIFY(parser.ParseMeterScales(
        R"({"Scale":"Old","Ballistics":{"Float":"Old","Bar":"Old"},"OriginFromFp":true})"));
    QCOMPARE(parser.ParseMeterScales(json.constData()), accepted);
    QCOMPARE(QByteArray::fromStdString(parser.Scale + ' ' + parser.BallisticsFloat + ' ' +
                                       parser.BallisticsBar + (parser.OriginFromFp ? " 1" : " 0")),
             held);

    // The record's fields are fixed in size and always terminated.
    ScaleInfo_t record;
    std::memset(&record, 0x55, sizeof record);
    parser.FillRecord(&record);
    QCOMPARE(QByteArray(record.Scale), held.left(qMin(held.indexOf(' '), 7)));
}

QTEST_APPLESS_MAIN(TestMeterScales)
#include "test_meterscales.moc"
