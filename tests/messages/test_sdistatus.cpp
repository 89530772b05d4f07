// The unit's hardware status as the panel shows it: SDI status words, volume and balance.
#include "bus/ZmqSubHwStatus.h"
#include "messages/JsonParserSDIStatus.h"
#include "messages/SdiStatusParser.h"

#include <QtTest>

class cTestSdiStatus final : public QObject {
    Q_OBJECT

private slots:

    void decodeStatusWord_data() {
        // The text shows the receiver mode, the frame format, the picture type and the rate.
        QTest::addColumn<quint32>("word");
        QTest::addColumn<int>("lock");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero word decodes nothing") << 0x0u << 0 << "Invalid/1080/1Hz";
        QTest::newRow("bit 9 clear: not locked") << 0x0105u << 2 << "Invalid/1080/1Hz";
        QTest::newRow("NTSC has no picture letter") << 0x0686u << 1 << "SD/NTSC/59.94Hz";
        QTest::newRow("NTSC, rate to four digits") << 0x068Au << 1 << "SD/NTSC/119.9Hz";
        QTest::newRow("2048 wide shows as 2K") << 0x0323u << 1 << "2K/1080p/24Hz";
        QTest::newRow("1080p frame code") << 0x0339u << 1 << "HD/1080pp/50Hz";
        QTest::newRow("12G, four links") << 0x2970Au << 1 << "12G/2160p/59.94Hz";
        QTest::newRow("unknown frame code") << 0x0355u << 1 << "HD/1080p/25Hz";
    }

    void decodeStatusWord() {
        // Every word is decoded after a different one: nothing of it may be left behind.
        QFETCH(quint32, word);
        cSignalStatus decoder;
        decoder.RawStatus = 0xAB1Bu;
        decoder.DecodeStatus();
        decoder.RawStatus = word;
        decoder.DecodeStatus();
        QTEST(decoder.LockState, "lock");
        QTEST(decoder.GetFormatSummary(), "text");
    }

    void statusMessage_data() {
        QTest::addColumn<QByteArray>("word");  // EncodedStatus
        QTest::addColumn<QByteArray>("clock"); // ClkSrcLockStatus
        QTest::addColumn<QString>("text");
        QTest::newRow("clock unlocked")
            << QByteArray("517") << QByteArray("0") << "Signal Unlocked.";
        QTest::newRow("locked, no word") << QByteArray("0") << QByteArray("1") << "Signal Locked.";
    }

    void statusMessage() {
        // The clock lock must win over the word, and a locked clock without a word still shows.
        QFETCH(QByteArray, word);
        QFETCH(QByteArray, clock);
        const QByteArray json = R"({"Slot":1,"Status":1,"Type":0,"EncodedStatus":)" + word +
                                R"(,"ClkSrcLockStatus":)" + clock + "}";
        cJsonParserSDIStatus parser;
        QVERIFY(parser.ParseSDIStatus(json.constData()));
        cSignalStatus decoder;
        QTEST(cZmqSubHwStatus::BuildSdiText(parser, &decoder), "text");
    }

    void percentages_data() {
        QTest::addColumn<QString>("json");           // a balance message when it has the left share
        QTest::addColumn<QVariantList>("signalled"); // volume, or left and right share
        using L = QVariantList;
        QTest::newRow("volume") << R"({"Value":1,"ValueInPrcnt":7599,"Mute":false})" << L{75};
        QTest::newRow("volume, no Mute") << R"({"Value":1,"ValueInPrcnt":7550})" << L{};
        QTest::newRow("volume, 75.5") << R"({"Value":1,"ValueInPrcnt":75.5,"Mute":false})" << L{49};
        QTest::newRow("balance") << R"({"Value":300,"ValueInPrcntForLeft":2999})" << L{29, 71};
    }

    void percentages() {
        // A missing key not dropping the message, a wrong type not falling back, a rounded
        // percentage, or a value inherited from the message before.
        QFETCH(QString, json);
        cZmqSubHwStatus subscriber;
        subscriber.SetupParsers();
        const bool bBalance = json.contains(QLatin1String("ValueInPrcntForLeft"));
        const auto parse =
            bBalance ? &cZmqSubHwStatus::ParseBalance : &cZmqSubHwStatus::ParseVolume;
        QSignalSpy spy(&subscriber,
                       bBalance ? SIGNAL(sigBalance(int, int)) : SIGNAL(sigVolume(int)));
        (subscriber.*
         parse)(R"({"Value":9,"ValueInPrcnt":900,"ValueInPrcntForLeft":900,"Mute":true})");
        QCOMPARE(spy.count(), 1);
        spy.clear();
        (subscriber.*parse)(json.toUtf8().constData());
        QTEST(spy.value(0), "signalled");
    }
};

QTEST_APPLESS_MAIN(cTestSdiStatus)
#include "test_sdistatus.moc"
