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
    void recordCutsTexts();
};

void TestMeterScales::parse_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("floatBallistics");
    QTest::addColumn<QString>("bar");
    QTest::addColumn<bool>("origin");

    QTest::newRow("complete") << QByteArray(
                                     R"({"Scale":"EBU","Ballistics":{"Float":"PPM","Bar":"Peak"},)"
                                     R"("OriginFromFp":true})")
                              << true << "EBU"
                              << "PPM"
                              << "Peak" << true;
    QTest::newRow("only a Scale keeps it") << QByteArray(R"({"Scale":"DIN"})") << false << "DIN"
                                           << "IEC_TYPE_I"
                                           << "VU" << false;
    QTest::newRow("Ballistics without Bar")
        << QByteArray(R"({"Scale":"DIN","Ballistics":{"Float":"PPM"},"OriginFromFp":false})")
        << false << "DIN"
        << "PPM"
        << "VU" << false;
    QTest::newRow("Ballistics of another type")
        << QByteArray(R"({"Scale":"DIN","Ballistics":[1],"OriginFromFp":true})") << true << "DIN"
        << "IEC_TYPE_I"
        << "VU" << true;
    QTest::newRow("wrong types count as present")
        << QByteArray(R"({"Scale":1,"Ballistics":{"Float":2,"Bar":null},"OriginFromFp":"y"})")
        << true << "AES"
        << "IEC_TYPE_I"
        << "VU" << false;
    QTest::newRow("no OriginFromFp")
        << QByteArray(R"({"Scale":"K14","Ballistics":{"Float":"A","Bar":"B"}})") << false << "K14"
        << "A"
        << "B" << false;
    QTest::newRow("syntax error") << QByteArray(R"({"Scale":)") << false << "AES"
                                  << "IEC_TYPE_I"
                                  << "VU" << false;
    QTest::newRow("root not an object") << QByteArray(R"("Scale")") << false << "AES"
                                        << "IEC_TYPE_I"
                                        << "VU" << false;
}

void TestMeterScales::parse() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(QString, scale);
    QFETCH(QString, floatBallistics);
    QFETCH(QString, bar);
    QFETCH(bool, origin);

    cMeterScalesParser parser;
    // A previous message must never leak into this one.
    QVERIFY(parser.ParseMeterScales(
        R"({"Scale":"Old","Ballistics":{"Float":"Old","Bar":"Old"},"OriginFromFp":true})"));
    QCOMPARE(parser.ParseMeterScales(json.constData()), accepted);
    QCOMPARE(QString::fromStdString(parser.Scale), scale);
    QCOMPARE(QString::fromStdString(parser.BallisticsFloat), floatBallistics);
    QCOMPARE(QString::fromStdString(parser.BallisticsBar), bar);
    QCOMPARE(parser.OriginFromFp, origin);
}

void TestMeterScales::recordCutsTexts() {
    cMeterScalesParser parser;
    QVERIFY(
        parser.ParseMeterScales(R"({"Scale":"ABCDEFGHIJ","Ballistics":)"
                                R"({"Float":"0123456789abcdef","Bar":"VU"},"OriginFromFp":true})"));
    ScaleInfo_t record;
    std::memset(&record, 0x55, sizeof record);
    parser.FillRecord(&record);
    QCOMPARE(QByteArray(record.Scale), QByteArray("ABCDEFG"));
    QCOMPARE(QByteArray(record.BallisticsFloat), QByteArray("0123456789a"));
    QCOMPARE(QByteArray(record.BallisticsBar), QByteArray("VU"));
}

QTEST_APPLESS_MAIN(TestMeterScales)
#include "test_meterscales.moc"
