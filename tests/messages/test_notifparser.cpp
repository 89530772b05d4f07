// Guards the notification document: defaults for absent and null members,
// texts cut to their fields and always terminated, and rejection of broken
// or wrongly typed documents without touching the last good record.
#include "messages/JsonParseNotifMessages.h"
#include "support/PublishUntil.h"

#include <QtTest>

#include <cstring>

class cTestNotifParser final : public QObject {
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
    void textsAreCut();
};

namespace {
Notification_s Filled() {
    Notification_s record;
    std::memset(&record, 'x', sizeof record); // garbage the parser must clear
    record.title[5] = '\0';
    record.notifMsg[5] = '\0';
    record.shortMsg[5] = '\0';
    record.metersDisplay = true;
    record.displayTime = 99;
    record.level = 99;
    return record;
}
} // namespace

void cTestNotifParser::accepted_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("shortMessage");
    QTest::addColumn<bool>("meters");
    QTest::addColumn<int>("seconds");

    QTest::newRow("warning, other members absent")
        << QByteArray(R"({"Level":40,"Title":"T","Msg":"M"})") << 40 << QByteArray("T")
        << QByteArray("M") << QByteArray() << false << 0;
    QTest::newRow("every member")
        << QByteArray(
               R"({"Level":50,"Title":"Fan","Msg":"Stopped","ShortMessage":"Fan!","OnMetersPage":true,"DisplayTimeSecs":12})")
        << 50 << QByteArray("Fan") << QByteArray("Stopped") << QByteArray("Fan!") << true << 12;
    QTest::newRow("null counts as absent")
        << QByteArray(
               R"({"Level":null,"Title":null,"Msg":null,"ShortMessage":null,"OnMetersPage":null,"DisplayTimeSecs":null})")
        << 0 << QByteArray() << QByteArray() << QByteArray() << false << 0;
    QTest::newRow("empty object") << QByteArray("{}") << 0 << QByteArray() << QByteArray()
                                  << QByteArray() << false << 0;
    QTest::newRow("names are case-sensitive")
        << QByteArray(R"({"level":30,"title":"t"})") << 0 << QByteArray() << QByteArray()
        << QByteArray() << false << 0;
    QTest::newRow("unknown members ignored")
        << QByteArray(R"({"Level":20,"Extra":[1,2]})") << 20 << QByteArray() << QByteArray()
        << QByteArray() << false << 0;
    QTest::newRow("UTF-8 title") << QByteArray(R"({"Title":"Überhitzung"})") << 0
                                 << QByteArray("Überhitzung") << QByteArray() << QByteArray()
                                 << false << 0;
}

void cTestNotifParser::accepted() {
    QFETCH(QByteArray, json);
    Notification_s record = Filled();
    cJsonParseNotifMessages parser;
    QCOMPARE(parser.ParseNotificationMessages(json.constData(), &record), 0);
    QTEST(record.level, "level");
    QTEST(QByteArray(record.title), "title");
    QTEST(QByteArray(record.notifMsg), "message");
    QTEST(QByteArray(record.shortMsg), "shortMessage");
    QTEST(record.metersDisplay, "meters");
    QTEST(record.displayTime, "seconds");
    // Texts are cleared over their whole length, not just terminated.
    for (char c : record.title)
        if (c == 'x')
            QFAIL("title field not cleared");
}

void cTestNotifParser::rejected_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("syntax error") << QByteArray(R"({"Level":)");
    QTest::newRow("empty text") << QByteArray("");
    QTest::newRow("array root") << QByteArray(R"([{"Level":20}])");
    QTest::newRow("number root") << QByteArray("20");
    QTest::newRow("string Level") << QByteArray(R"({"Level":"20","Title":"T"})");
    QTest::newRow("fractional Level") << QByteArray(R"({"Level":20.5})");
    QTest::newRow("number Title") << QByteArray(R"({"Title":7})");
    QTest::newRow("object Msg") << QByteArray(R"({"Msg":{}})");
    QTest::newRow("array ShortMessage") << QByteArray(R"({"ShortMessage":["a"]})");
    QTest::newRow("string OnMetersPage") << QByteArray(R"({"OnMetersPage":"true"})");
    QTest::newRow("bool DisplayTimeSecs") << QByteArray(R"({"DisplayTimeSecs":true})");
}

void cTestNotifParser::rejected() {
    QFETCH(QByteArray, json);
    Notification_s record{};
    cJsonParseNotifMessages parser;
    QCOMPARE(
        parser.ParseNotificationMessages(R"({"Level":30,"Title":"kept","Msg":"old"})", &record), 0);
    const Notification_s before = record;
    int iResult = 0;
    const QByteArray text = CaptureStdout(
        [&] { iResult = parser.ParseNotificationMessages(json.constData(), &record); });
    QCOMPARE(iResult, -1);
    QCOMPARE(std::memcmp(&before, &record, sizeof record), 0);
    QVERIFY(text.contains(
        "ZQT ERROR : Preset json string did not contain a valid Notification Message.\n"));
}

void cTestNotifParser::textsAreCut() {
    const QByteArray title(50, 'T');
    const QByteArray message(400, 'M');
    const QByteArray shortMessage(30, 'S');
    const QByteArray json = R"({"Title":")" + title + R"(","Msg":")" + message +
                            R"(","ShortMessage":")" + shortMessage + R"("})";
    Notification_s record = Filled();
    cJsonParseNotifMessages parser;
    QCOMPARE(parser.ParseNotificationMessages(json.constData(), &record), 0);
    QCOMPARE(QByteArray(record.title), title.left(39));
    QCOMPARE(QByteArray(record.notifMsg), message.left(321));
    QCOMPARE(QByteArray(record.shortMsg), shortMessage.left(19));

    // A cut never splits a multi-byte character: 19 x "é" is 38 bytes, one
    // more "é" would need bytes 39 and 40.
    QByteArray accented;
    for (int i = 0; i < 20; ++i)
        accented += "é";
    QCOMPARE(parser.ParseNotificationMessages(("{\"Title\":\"A" + accented + "\"}").constData(),
                                              &record),
             0);
    QCOMPARE(QByteArray(record.title), "A" + accented.left(38));
}

QTEST_APPLESS_MAIN(cTestNotifParser)
#include "test_notifparser.moc"
