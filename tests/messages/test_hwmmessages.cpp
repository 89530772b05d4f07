// Guards the volume and balance messages: a missing key must drop the
// message, a wrongly typed one must fall back to the default, and the
// percentages must be truncated, never rounded.
#include "bus/ZmqSubHwStatus.h"
#include "messages/JsonParseHwmMessages.h"

#include <QtTest>

class cTestHwmMessages final : public QObject {
    Q_OBJECT

private slots:
    void volume_data();
    void volume();
    void balance_data();
    void balance();
    void parsersRestoreDefaults();
};

void cTestHwmMessages::volume_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<uint>("value");
    QTest::addColumn<uint>("percent");
    QTest::addColumn<bool>("mute");
    QTest::addColumn<int>("signalled"); // -1: no signal

    QTest::newRow("complete") << QByteArray(R"({"Value":100,"ValueInPrcnt":7550,"Mute":false})")
                              << true << 100u << 7550u << false << 75;
    QTest::newRow("muted") << QByteArray(R"({"Value":0,"ValueInPrcnt":0,"Mute":true})") << true
                           << 0u << 0u << true << 0;
    QTest::newRow("missing Mute") << QByteArray(R"({"Value":100,"ValueInPrcnt":7550})") << false
                                  << 100u << 7550u << false << -1;
    QTest::newRow("missing Value") << QByteArray(R"({"ValueInPrcnt":7550,"Mute":false})") << false
                                   << 511u << 7550u << false << -1;
    QTest::newRow("negative percent keeps default")
        << QByteArray(R"({"Value":100,"ValueInPrcnt":-5,"Mute":false})") << true << 100u << 4995u
        << false << 49;
    QTest::newRow("fractional percent keeps default")
        << QByteArray(R"({"Value":100,"ValueInPrcnt":75.5,"Mute":false})") << true << 100u << 4995u
        << false << 49;
    QTest::newRow("string Mute keeps default")
        << QByteArray(R"({"Value":100,"ValueInPrcnt":10000,"Mute":"true"})") << true << 100u
        << 10000u << false << 100;
    QTest::newRow("key case matters")
        << QByteArray(R"({"value":100,"ValueInPrcnt":7550,"Mute":false})") << false << 511u << 7550u
        << false << -1;
    QTest::newRow("array root") << QByteArray("[]") << false << 511u << 4995u << false << -1;
    QTest::newRow("null document") << QByteArray("null") << false << 511u << 4995u << false << -1;
    QTest::newRow("syntax error") << QByteArray(R"({"Value":)") << false << 511u << 4995u << false
                                  << -1;
}

void cTestHwmMessages::volume() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(int, signalled);
    cVolumeSettingsParser parser;
    QCOMPARE(parser.ParseVolumeSettings(json.constData()), accepted);
    QTEST(parser.Value, "value");
    QTEST(parser.ValueInPrcnt, "percent");
    QTEST(parser.Mute, "mute");

    cZmqSubHwStatus subscriber;
    subscriber.SetupParsers();
    QSignalSpy spy(&subscriber, &cZmqSubHwStatus::sigVolume);
    subscriber.ParseVolume(json.constData());
    QCOMPARE(spy.count(), signalled < 0 ? 0 : 1);
    if (signalled >= 0)
        QCOMPARE(spy.at(0).at(0).toInt(), signalled);
}

void cTestHwmMessages::balance_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("left"); // -1: no signal
    QTest::addColumn<int>("right");

    QTest::newRow("all left") << QByteArray(R"({"Value":1023,"ValueInPrcntForLeft":10000})") << true
                              << 100 << 0;
    QTest::newRow("all right") << QByteArray(R"({"Value":0,"ValueInPrcntForLeft":0})") << true << 0
                               << 100;
    QTest::newRow("truncated") << QByteArray(R"({"Value":300,"ValueInPrcntForLeft":2999})") << true
                               << 29 << 71;
    QTest::newRow("wrong type keeps default")
        << QByteArray(R"({"Value":300,"ValueInPrcntForLeft":"30"})") << true << 49 << 51;
    QTest::newRow("missing Value")
        << QByteArray(R"({"ValueInPrcntForLeft":10000})") << false << -1 << -1;
    QTest::newRow("string root") << QByteArray(R"("balance")") << false << -1 << -1;
}

void cTestHwmMessages::balance() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(int, left);
    QFETCH(int, right);
    cBalanceSettingsParser parser;
    QCOMPARE(parser.ParseBalanceSettings(json.constData()), accepted);

    cZmqSubHwStatus subscriber;
    subscriber.SetupParsers();
    QSignalSpy spy(&subscriber, &cZmqSubHwStatus::sigBalance);
    subscriber.ParseBalance(json.constData());
    QCOMPARE(spy.count(), left < 0 ? 0 : 1);
    if (left >= 0) {
        QCOMPARE(spy.at(0).at(0).toInt(), left);
        QCOMPARE(spy.at(0).at(1).toInt(), right);
    }
}

void cTestHwmMessages::parsersRestoreDefaults() {
    // A second message must not inherit the first one's values.
    cVolumeSettingsParser volume;
    QVERIFY(volume.ParseVolumeSettings(R"({"Value":9,"ValueInPrcnt":900,"Mute":true})"));
    QVERIFY(volume.ParseVolumeSettings(R"({"Value":null,"ValueInPrcnt":null,"Mute":null})"));
    QCOMPARE(volume.Value, 511u);
    QCOMPARE(volume.ValueInPrcnt, 4995u);
    QCOMPARE(volume.Mute, false);

    cBalanceSettingsParser balance;
    QVERIFY(balance.ParseBalanceSettings(R"({"Value":9,"ValueInPrcntForLeft":900})"));
    QVERIFY(!balance.ParseBalanceSettings("{}"));
    QCOMPARE(balance.Value, 511u);
    QCOMPARE(balance.ValueInPrcntForLeft, 4995u);
}

QTEST_APPLESS_MAIN(cTestHwmMessages)
#include "test_hwmmessages.moc"
