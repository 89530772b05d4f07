#include "Logger.h"
#include "support/TestBus.h"

#include <QRegularExpression>
#include <QTest>

#include <rapidjson/document.h>

namespace {

// Receives one record from the sink socket, waiting up to two seconds.
QByteArray Receive(zsock_t* pSink) {
    zsock_set_rcvtimeo(pSink, 2000);
    char* pText = zstr_recv(pSink);
    QByteArray text(pText ? pText : "");
    zstr_free(&pText);
    return text;
}

QStringList MemberNames(const QByteArray& json) {
    rapidjson::Document doc;
    doc.Parse(json.constData());
    QStringList names;
    if (doc.IsObject())
        for (auto it = doc.MemberBegin(); it != doc.MemberEnd(); ++it)
            names << QString::fromUtf8(it->name.GetString());
    return names;
}

QString Member(const QByteArray& json, const char* pName) {
    rapidjson::Document doc;
    doc.Parse(json.constData());
    if (!doc.IsObject() || !doc.HasMember(pName))
        return {};
    const rapidjson::Value& v = doc[pName];
    return v.IsString() ? QString::fromUtf8(v.GetString()) : QString::number(v.GetInt());
}

} // namespace

class TestLogger final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void levelNames_data();
    void levelNames();
    void thresholdFiltersLevels_data();
    void thresholdFiltersLevels();
    void silentStopsEvenCritical();
    void criticalPrintsWithoutEcho();
    void consoleLineForm();
    void nameKeepsSixCharacters();
    void firstRecordIsTheConnectLine();
    void recordMembersAndOrder();
    void titleOnlyForNotifications();
    void longTextIsCutToTheBuffer();
    void secondAttachIsRefused();
    void classGateNeedsLoggerAndLevel();
    void unreadSinkNeverBlocks();

private:
    TestBusEnvironment mBus;
    Logger* mpLogger = nullptr;
};

void TestLogger::init() {
    mpLogger = Logger::GetInstance();
    QVERIFY(mpLogger);
}

void TestLogger::cleanup() {
    Logger::DeleteInstance();
}

void TestLogger::levelNames_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("0") << 0 << QByteArray("NOTSET");
    QTest::newRow("10") << 10 << QByteArray("DEBUG");
    QTest::newRow("20") << 20 << QByteArray("INFO");
    QTest::newRow("30") << 30 << QByteArray("WARN");
    QTest::newRow("40") << 40 << QByteArray("ERROR");
    QTest::newRow("50") << 50 << QByteArray("CRITICAL");
    QTest::newRow("35 has no name") << 35 << QByteArray("");
    QTest::newRow("negative") << -10 << QByteArray("");
}

void TestLogger::levelNames() {
    QFETCH(int, level);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray(Logger::GetLevelName(static_cast<MsgLevel_e>(level))), name);
}

void TestLogger::thresholdFiltersLevels_data() {
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QString>("printed"); // levels that reach the console, in call order
    QTest::newRow("default WARN") << -1 << "CRITICAL ERROR WARN";
    QTest::newRow("DEBUG") << 10 << "CRITICAL ERROR WARN INFO DEBUG";
    QTest::newRow("ERROR") << 40 << "CRITICAL ERROR";
    QTest::newRow("above CRITICAL") << 60 << "";
}

// Guards the threshold comparison (a line passes when mLevel <= its level).
void TestLogger::thresholdFiltersLevels() {
    QFETCH(int, threshold);
    QFETCH(QString, printed);
    if (threshold >= 0)
        mpLogger->SetLevel(static_cast<MsgLevel_e>(threshold));
    mpLogger->SetConsoleEcho(true);
    ConsoleCapture err(2);
    const int results[] = {mpLogger->Critical("c"), mpLogger->Error("e"), mpLogger->Warn("w"),
                           mpLogger->Info("i"), mpLogger->Debug("d")};
    const QString text = QString::fromUtf8(err.Text());
    QStringList seen;
    const QRegularExpression level(QStringLiteral("\\|(CRITICAL|ERROR|WARN|INFO|DEBUG)\\|"));
    for (auto it = level.globalMatch(text); it.hasNext();)
        seen << it.next().captured(1);
    QCOMPARE(seen.join(QLatin1Char(' ')), printed);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(results[i] > 0, i < seen.size());
}

void TestLogger::silentStopsEvenCritical() {
    mpLogger->SetSilent(true);
    mpLogger->SetConsoleEcho(true);
    ConsoleCapture err(2);
    QCOMPARE(mpLogger->Critical("nothing"), 0);
    QCOMPARE(mpLogger->Error("nothing"), 0);
    QCOMPARE(err.Text(), QByteArray());
    // Notify ignores the switch.
    QVERIFY(mpLogger->Notify(LEVEL_INFO, "T", "still %d", 1) > 0);
    QVERIFY(err.Text().contains("still 1"));
}

void TestLogger::criticalPrintsWithoutEcho() {
    ConsoleCapture err(2);
    mpLogger->Error("quiet");
    QCOMPARE(err.Text(), QByteArray());
    mpLogger->Critical("loud");
    const QByteArray text = err.Text();
    QVERIFY(text.startsWith("\033[1;7m"));
    QVERIFY(text.endsWith("|CRITICAL|loud\n\033[0m"));
}

void TestLogger::consoleLineForm() {
    mpLogger->SetName("RoVodirAzazodovir");
    mpLogger->SetConsoleEcho(true);
    ConsoleCapture err(2);
    mpLogger->Warn("value %d", 42);
    const QString text = QString::fromUtf8(err.Text());
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^\033\\[1;33m\\d{13}\\|RoVodi\\|WARN\\|value 42\n\033\\[0m$"))
                 .match(text)
                 .hasMatch(),
             qPrintable(text));
}

void TestLogger::nameKeepsSixCharacters() {
    mpLogger->SetName("RoVodirAzazodovir");
    QCOMPARE(QByteArray(mpLogger->GetName()), QByteArray("RoVodi"));
    mpLogger->SetName("ab");
    QCOMPARE(QByteArray(mpLogger->GetName()), QByteArray("ab"));
}

// Echo is switched on only after attaching, so the sink's first record is
// the INFO line of the connect.
void TestLogger::firstRecordIsTheConnectLine() {
    ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
    QVERIFY(sink);
    mpLogger->SetLevel(LEVEL_DEBUG);
    mpLogger->SetName("RoVodirAzazodovir");
    QVERIFY(mpLogger->AttachMqOverIpc());
    QVERIFY(mpLogger->isMqAttached());
    const QByteArray record = Receive(sink.get());
    QCOMPARE(Member(record, "Level"), QStringLiteral("20"));
    QVERIFY2(
        QRegularExpression(
            QStringLiteral("^\\d{13}\\|RoVodi\\|INFO\\|Connected to ipc://%1/loggerSinkMq.ipc$")
                .arg(QRegularExpression::escape(mBus.MqDir())))
            .match(Member(record, "Message"))
            .hasMatch(),
        record.constData());
}

void TestLogger::recordMembersAndOrder() {
    ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
    QVERIFY(mpLogger->AttachMqOverIpc());
    mpLogger->SetName("Unit");
    QVERIFY(mpLogger->Error("disk %s", "full;") > 0);
    const QByteArray record = Receive(sink.get());
    QCOMPARE(MemberNames(record), (QStringList{"MsgType", "Level", "Name", "Message"}));
    QCOMPARE(Member(record, "MsgType"), QStringLiteral("0"));
    QCOMPARE(Member(record, "Level"), QStringLiteral("40"));
    QCOMPARE(Member(record, "Name"), QStringLiteral("Unit"));
    QVERIFY(Member(record, "Message").endsWith(QStringLiteral("|Unit|ERROR|disk full;")));
    QVERIFY(!record.contains("\": ")); // compact, no colour codes
    QVERIFY(!record.contains('\033'));
}

void TestLogger::titleOnlyForNotifications() {
    ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
    QVERIFY(mpLogger->AttachMqOverIpc());
    QVERIFY(mpLogger->Notify(LEVEL_WARN, "Heads-up", "fan %d", 2) > 0);
    const QByteArray notification = Receive(sink.get());
    QCOMPARE(MemberNames(notification),
             (QStringList{"MsgType", "Level", "Name", "Message", "Title"}));
    QCOMPARE(Member(notification, "Message"), QStringLiteral("fan 2")); // no prefix
    QCOMPARE(Member(notification, "Title"), QStringLiteral("Heads-up"));

    QVERIFY(mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_WARN, "plain", "ignored"));
    QCOMPARE(MemberNames(Receive(sink.get())),
             (QStringList{"MsgType", "Level", "Name", "Message"}));
    QVERIFY(!mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_WARN, nullptr, nullptr));
}

// Prefix and text together must stay within the 2048-byte buffer, NUL included.
void TestLogger::longTextIsCutToTheBuffer() {
    ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
    QVERIFY(mpLogger->AttachMqOverIpc());
    const QByteArray longText(5000, 'x');
    mpLogger->Error("%s", longText.constData());
    const QString message = Member(Receive(sink.get()), "Message");
    QCOMPARE(message.size(), 2046);
    QVERIFY(message.endsWith(QLatin1Char('x')));
}

void TestLogger::secondAttachIsRefused() {
    ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
    QVERIFY(mpLogger->AttachMqOverIpc());
    QVERIFY(!mpLogger->AttachMqOverIpc());
    QVERIFY(mpLogger->isMqAttached());
    // The refusal was logged through the first socket, which still works.
    QVERIFY(Member(Receive(sink.get()), "Message")
                .contains(QStringLiteral("Seems this instance already connected to ipc://")));
    QVERIFY(mpLogger->DetachMq());
    QVERIFY(!mpLogger->isMqAttached());
    QVERIFY(mpLogger->DetachMq());
}

struct GatedClass {
    static Logger* mpLogger;
    static MsgLevel_e mLogLevel;
};
Logger* GatedClass::mpLogger = nullptr;
MsgLevel_e GatedClass::mLogLevel = LEVEL_WARN;
namespace {
const char* const kLogUnit = "Gated.cpp";
}

void TestLogger::classGateNeedsLoggerAndLevel() {
    mpLogger->SetConsoleEcho(true);
    mpLogger->SetLevel(LEVEL_DEBUG);
    ConsoleCapture err(2);
    CLASS_LOG(GatedClass, LEVEL_ERROR, "no logger yet");
    GatedClass::mpLogger = mpLogger;
    CLASS_LOG(GatedClass, LEVEL_INFO, "below the class threshold");
    CLASS_LOG(GatedClass, LEVEL_ERROR, "count %d", 3);
    GatedClass::mpLogger = nullptr;
    const QString text = QString::fromUtf8(err.Text());
    QVERIFY(!text.contains(QStringLiteral("no logger yet")));
    QVERIFY(!text.contains(QStringLiteral("below the class threshold")));
    QVERIFY2(QRegularExpression(QStringLiteral("\\|ERROR\\|Gated\\.cpp\\|\\d+\\|\"count 3\"\n"))
                 .match(text)
                 .hasMatch(),
             qPrintable(text));
}

// With no sink pulling, sends must fail fast instead of blocking once the
// socket's queue is full.
void TestLogger::unreadSinkNeverBlocks() {
    QVERIFY(mpLogger->AttachMqOverIpc()); // nobody bound: the queue only fills
    int refused = 0;
    for (int i = 0; i < 5000; ++i)
        if (!mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_ERROR, "flood", nullptr))
            ++refused;
    QVERIFY(refused > 0);
    // A level operation on the full queue returns as well.
    mpLogger->Error("still answers");
}

QTEST_GUILESS_MAIN(TestLogger)
#include "test_logger.moc"
