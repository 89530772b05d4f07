// Guards the notification document: defaults for absent and null members,
// texts cut to their fields, and rejection of broken or wrongly typed
// documents without touching the last good record.
#include "messages/JsonParseNotifMessages.h"
#include "support/PublishUntil.h"

#include <QtTest>

#include <cstring>

class cTestNotifParser final : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void cTestNotifParser::parse_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("message");
    const QString longTitle = R"({"Title":")" + QString(50, 'T') + R"("})";
    QTest::newRow("valid") << R"({"Level":40,"Title":"T","Msg":"M"})" << 0 << "T" << 40 << "M";
    QTest::newRow("null Level is 0") << R"({"Level":null})" << 0 << "" << 0 << "";
    QTest::newRow("title cut to 39") << longTitle << 0 << QString(39, 'T') << 0 << "";
    QTest::newRow("syntax error") << R"({"Level":)" << -1 << "kept" << 30 << "old";
    QTest::newRow("string Level") << R"({"Level":"20"})" << -1 << "kept" << 30 << "old";
    QTest::newRow("number Title") << R"({"Title":7})" << -1 << "kept" << 30 << "old";
}

void cTestNotifParser::parse() {
    // A bad document must leave the last good record whole and say so on the console.
    QFETCH(QString, json);
    QFETCH(int, result);
    Notification_s record{};
    cJsonParseNotifMessages parser;
    parser.ParseNotificationMessages(R"({"Level":30,"Title":"kept","Msg":"old"})", &record);
    const Notification_s before = record;
    int iResult = 0;
    const QByteArray text = CaptureStdout(
        [&] { iResult = parser.ParseNotificationMessages(json.toUtf8().constData(), &record); });
    QCOMPARE(iResult, result);
    QTEST(QString::fromUtf8(record.title), "title");
    QTEST(record.level, "level");
    QTEST(QString::fromUtf8(record.notifMsg), "message");
    QCOMPARE(std::memcmp(&before, &record, sizeof record) == 0, result != 0);
    QCOMPARE(text.contains("ZQT ERROR : Preset json string did not contain a valid "
                           "Notification Message.\n"),
             result != 0);
}

QTEST_APPLESS_MAIN(cTestNotifParser)
#include "test_notifparser.moc"
