// Guards the SDI receiver status decoding: a wrong bit field or rate entry
// puts a false picture format on the front panel.
#include "bus/ZmqSubHwStatus.h"
#include "messages/JsonParserSDIStatus.h"
#include "messages/SdiStatusParser.h"
#include "support/TestBus.h"

#include <QtTest>

class cTestSdiStatus final : public QObject {
    Q_OBJECT

private slots:
    void decodeStatusWord_data();
    void decodeStatusWord();
    void rateCodes_data();
    void rateCodes();
    void frameRateText_data();
    void frameRateText();
    void displayText_data();
    void displayText();
    void statusMessage_data();
    void statusMessage();
    void unlockedWordKeepsReset();
    void classLogGate();
};

void cTestSdiStatus::decodeStatusWord_data() {
    QTest::addColumn<quint32>("word");
    QTest::addColumn<int>("lock");
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level3G");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("links");

    QTest::newRow("zero word decodes nothing") << 0x0u << 0 << 0 << 0 << 0 << 0 << 0 << 0 << 1;
    QTest::newRow("bit 9 clear: not locked") << 0x0105u << 2 << 0 << 0 << 0 << 0 << 0 << 0 << 1;
    QTest::newRow("HD 1080 interlaced") << 0x0205u << 1 << 1 << 2 << 0 << 0 << 1920 << 1080 << 1;
    QTest::newRow("SD NTSC") << 0x0686u << 1 << 1 << 1 << 0 << 8 << 720 << 486 << 1;
    QTest::newRow("SD PAL") << 0x0695u << 1 << 1 << 1 << 0 << 9 << 720 << 576 << 1;
    QTest::newRow("HD 720 progressive") << 0x031Bu << 1 << 2 << 2 << 0 << 1 << 1280 << 720 << 1;
    QTest::newRow("2K frame") << 0x0323u << 1 << 2 << 2 << 0 << 2 << 2048 << 1080 << 1;
    QTest::newRow("1080p frame code") << 0x0339u << 1 << 2 << 2 << 0 << 3 << 1920 << 1080 << 1;
    QTest::newRow("3G level A") << 0x0B0Bu << 1 << 2 << 3 << 1 << 0 << 1920 << 1080 << 1;
    QTest::newRow("3G level B (bit 13)") << 0x2B0Bu << 1 << 2 << 3 << 2 << 0 << 1920 << 1080 << 1;
    QTest::newRow("6G") << 0x1309u << 1 << 2 << 4 << 0 << 0 << 1920 << 1080 << 1;
    QTest::newRow("12G, four links") << 0x2970Au << 1 << 2 << 5 << 0 << 0 << 1920 << 1080 << 4;
    QTest::newRow("12G second code") << 0x1A05u << 1 << 1 << 6 << 0 << 0 << 1920 << 1080 << 1;
    QTest::newRow("mode code 3 is none") << 0x0E05u << 1 << 1 << 0 << 0 << 0 << 1920 << 1080 << 1;
    QTest::newRow("mode code 7 is none") << 0x1E05u << 1 << 1 << 0 << 0 << 0 << 1920 << 1080 << 1;
    QTest::newRow("unknown frame code") << 0x0355u << 1 << 2 << 2 << 0 << 0 << 0 << 0 << 1;
    QTest::newRow("128 links") << 0x70305u << 1 << 2 << 2 << 0 << 0 << 1920 << 1080 << 128;
}

void cTestSdiStatus::decodeStatusWord() {
    QFETCH(quint32, word);
    cSignalStatus decoder;
    decoder.RawStatus = word;
    decoder.DecodeStatus();
    QTEST(decoder.LockState, "lock");
    QTEST(decoder.PictureType, "picture");
    QCOMPARE(decoder.Interlaced, decoder.PictureType == PICTURE_INTERLACED);
    QTEST(decoder.RxMode, "mode");
    QTEST(decoder.Level3G, "level3G");
    QTEST(decoder.FrameFormat, "format");
    QTEST(decoder.Width, "width");
    QTEST(decoder.Height, "height");
    QTEST(decoder.LinkCount, "links");
    QCOMPARE(decoder.Encode(), 0);
}

void cTestSdiStatus::rateCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("rateCode");
    QTest::addColumn<double>("rate");
    const struct {
        const char* name;
        int code;
        int rateCode;
        double rate;
    } rows[] = {{"23.98", 2, 2, 23.98},   {"24", 3, 3, 24.0},      {"47.95", 4, 4, 47.95},
                {"25", 5, 5, 25.0},       {"29.97", 6, 6, 29.97},  {"30", 7, 7, 30.0},
                {"48", 8, 8, 48.0},       {"50", 9, 9, 50.0},      {"59.94", 10, 10, 59.94},
                {"60", 11, 11, 60.0},     {"code 0", 0, 15, 1.0},  {"code 1", 1, 15, 1.0},
                {"code 12", 12, 15, 1.0}, {"code 15", 15, 15, 1.0}};
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.code << row.rateCode << row.rate;
}

void cTestSdiStatus::rateCodes() {
    QFETCH(int, code);
    QFETCH(int, rateCode);
    QFETCH(double, rate);
    cSignalStatus decoder;
    decoder.RawStatus = 0x0300u | static_cast<quint32>(code); // locked, progressive
    decoder.DecodeStatus();
    QCOMPARE(decoder.RateCode, rateCode);
    QCOMPARE(decoder.FrameRate, rate);
    decoder.RawStatus = 0x0200u | static_cast<quint32>(code); // interlaced: two fields a frame
    decoder.DecodeStatus();
    QCOMPARE(decoder.FrameRate, rate * 2.0);
    decoder.RawStatus = 0x8300u | static_cast<quint32>(code);
    decoder.DecodeStatus();
    QVERIFY(decoder.Is1001);
    QCOMPARE(decoder.PixelClock, 148.35);
    decoder.RawStatus = 0x0300u | static_cast<quint32>(code);
    decoder.DecodeStatus();
    QVERIFY(!decoder.Is1001);
    QCOMPARE(decoder.PixelClock, 148.5);
}

void cTestSdiStatus::frameRateText_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("29.97") << 29.97 << "29.97Hz";
    QTest::newRow("25") << 25.0 << "25Hz";
    QTest::newRow("119.88 to four digits") << 119.88 << "119.9Hz";
    QTest::newRow("47.95 doubled") << 95.9 << "95.9Hz";
    QTest::newRow("1") << 1.0 << "1Hz";
}

void cTestSdiStatus::frameRateText() {
    QFETCH(double, rate);
    cSignalStatus decoder;
    decoder.FrameRate = rate;
    QTEST(decoder.GetFrameRateString(), "text");
}

void cTestSdiStatus::displayText_data() {
    QTest::addColumn<quint32>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("HD interlaced 25 doubled") << 0x0205u << "HD/1080i/50Hz";
    QTest::newRow("12G is always 2160") << 0x2970Au << "12G/2160p/59.94Hz";
    QTest::newRow("6G") << 0x1309u << "6G/2160p/50Hz";
    QTest::newRow("12G second code, interlaced") << 0x1A05u << "12G/2160i/50Hz";
    QTest::newRow("NTSC has no picture letter") << 0x0686u << "SD/NTSC/59.94Hz";
    QTest::newRow("NTSC at rate code 10") << 0x068Au << "SD/NTSC/119.9Hz";
    QTest::newRow("PAL") << 0x0695u << "SD/PAL/50Hz";
    QTest::newRow("2048 wide shows as 2K") << 0x0323u << "2K/1080p/24Hz";
    QTest::newRow("720p") << 0x031Bu << "HD/720p/60Hz";
    QTest::newRow("3G") << 0x2B0Bu << "3G/1080p/60Hz";
    QTest::newRow("unlocked word uses reset values") << 0x0105u << "Invalid/1080/1Hz";
    QTest::newRow("unknown mode") << 0x0E05u << "Invalid/1080i/50Hz";
    QTest::newRow("unknown frame code") << 0x0355u << "HD/1080p/25Hz";
}

void cTestSdiStatus::displayText() {
    QFETCH(quint32, word);
    cSignalStatus decoder;
    decoder.RawStatus = word;
    decoder.DecodeStatus();
    QTEST(decoder.GetFormatSummary(), "text");
}

void cTestSdiStatus::statusMessage_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");
    const QByteArray rest = R"("Slot":1,"Status":1,"Type":0)";
    QTest::newRow("not locked wins over the word")
        << R"({"EncodedStatus":517,"ClkSrcLockStatus":0,)" + rest + "}" << true
        << "Signal Unlocked.";
    QTest::newRow("locked without a word")
        << R"({"EncodedStatus":0,"ClkSrcLockStatus":1,)" + rest + "}" << true << "Signal Locked.";
    QTest::newRow("locked with a word")
        << R"({"EncodedStatus":1670,"ClkSrcLockStatus":1,)" + rest + "}" << true
        << "SD/NTSC/59.94Hz";
    QTest::newRow("wrong type still counts")
        << R"({"EncodedStatus":"517","ClkSrcLockStatus":1,)" + rest + "}" << true
        << "Invalid/1080p/1Hz"; // the default -1 sets every bit: no mode, no frame code
    QTest::newRow("missing Slot")
        << QByteArray(R"({"EncodedStatus":517,"ClkSrcLockStatus":1,"Status":1,"Type":0})") << false
        << QString();
    QTest::newRow("missing lock") << R"({"EncodedStatus":517,)" + rest + "}" << false << QString();
    QTest::newRow("array root") << QByteArray("[1,2,3]") << false << QString();
    QTest::newRow("syntax error") << QByteArray(R"({"EncodedStatus":)") << false << QString();
}

void cTestSdiStatus::statusMessage() {
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    cJsonParserSDIStatus parser;
    QCOMPARE(parser.ParseSDIStatus(json.constData()), accepted);
    if (!accepted)
        return;
    cSignalStatus decoder;
    QTEST(cZmqSubHwStatus::BuildSdiText(parser, &decoder), "text");
}

void cTestSdiStatus::unlockedWordKeepsReset() {
    // A word without bit 9 after a good one must not leave the old format behind.
    cSignalStatus decoder;
    decoder.RawStatus = 0x0686u;
    decoder.DecodeStatus();
    decoder.RawStatus = 0x0086u;
    decoder.DecodeStatus();
    QCOMPARE(decoder.LockState, int(SDI_LOCK_UNLOCKED));
    QCOMPARE(decoder.RxMode, int(SDI_RX_NONE));
    QCOMPARE(decoder.FrameRate, 1.0);
    QCOMPARE(decoder.Width, 0);
}

void cTestSdiStatus::classLogGate() {
    // The decoder logs at INFO; its gate sits one level lower than the others.
    QCOMPARE(cSdiStatusParser::mLogLevel, LEVEL_INFO);
    Logger* pLogger = Logger::GetInstance();
    QVERIFY(pLogger);
    pLogger->SetLevel(LEVEL_DEBUG);
    pLogger->SetConsoleEcho(true);
    cSdiStatusParser::mpLogger = pLogger;
    QByteArray text;
    {
        ConsoleCapture capture(2);
        cSignalStatus decoder;
        decoder.RawStatus = 0x0205u;
        decoder.DecodeStatus();
        text = capture.Text();
    }
    cSdiStatusParser::mpLogger = nullptr;
    pLogger->SetConsoleEcho(false);
    pLogger->SetLevel(LEVEL_WARN);
    QVERIFY2(text.contains("|INFO|SdiStatusParser.cpp|"), text.constData());
}

QTEST_APPLESS_MAIN(cTestSdiStatus)
#include "test_sdistatus.moc"
