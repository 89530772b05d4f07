#include "Logger.h"
#include "support/TestBus.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// One record from the sink, as sent: compact JSON, members in document order.
QString Receive(zsock_t* pSink) {
    zsock_set_rcvtimeo(pSink, 2000);
    char* pText = zstr_recv(pSink);
    const QString text = QString::fromUtf8(pText ? pText : "");
    zstr_free(&pText);
    return text;
}

bool Matches(const QString& text, const QString& pattern) {
    return QRegularExpression(pattern).match(text).hasMatch();
}

} // namespace

class TestLogger final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void thresholdAndSwitches_data();
    void thresholdAndSwitches();
    void consoleLineForm();
    void firstRecordIsTheConnectLine();
    void recordMembersAndOrder();
    void longTextIsCutToTheBuffer();
    void secondAttachIsRefused();
    void classGateNeedsLoggerAndLevel();
    void unreadSinkNeverBlocks();

private:
    ZsockPtr Attach();

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

ZsockPtr TestLogger::Attach() {
    ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
    if (!mpLogger->AttachMqOverIpc())
        return nullptr;
    return sink;
}

void TestLogger::thresholdAndSwitches_data() {
    QTest::addColumn<int>("threshold"); // -1: the default
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("printed"); // levels that reach the console, in call order
    QTest::newRow("default WARN") << -1 << true << false << "CRITICAL ERROR WARN";
    QTest::newRow("DEBUG") << 10 << true << false << "CRITICAL ERROR WARN INFO DEBUG";
    QTest::newRow("above CRITICAL") << 60 << true << false << "";
    QTest::newRow("no echo: CRITICAL only") << 10 << false << false << "CRITICAL";
    QTest::newRow("silent: nothing") << 10 << true << true << "";
}

// Guards the threshold (a line passes when mLevel <= its level), the echo
// switch that CRITICAL ignores, and the silent switch that stops everything.
void TestLogger::thresholdAndSwitches() {
    QFETCH(int, threshold);
    QFETCH(bool, echo);
    QFETCH(bool, silent);
    QFETCH(QString, printed);
    if (threshold >= 0)
        mpLogger->SetLevel(static_cast<MsgLevel_e>(threshold));
    mpLogger->SetConsoleEcho(echo);
    mpLogger->SetSilent(silent);
    ConsoleCapture err(2);
    const int results[] = {mpLogger->Critical("c"), mpLogger->Error("e"), mpLogger->Warn("w"),
                           mpLogger->Info("i"), mpLogger->Debug("d")};
    QStringList seen;
    const QRegularExpression level(QStringLiteral("\\|(CRITICAL|ERROR|WARN|INFO|DEBUG)\\|"));
    for (auto it = level.globalMatch(QString::fromUtf8(err.Text())); it.hasNext();)
        seen << it.next().captured(1);
    QCOMPARE(seen.join(QLatin1Char(' ')), printed);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(results[i] > 0, i < seen.size());
    // Notify ignores both the threshold and the silent switch.
    QVERIFY(mpLogger->Notify(LEVEL_INFO, "T", "notified") > 0);
    QVERIFY(err.Text().contains("|INFO|notified\n"));
}

void TestLogger::consoleLineForm() {
    mpLogger->SetName("RoVodirAzazodovir"); // the 7-byte bound keeps six characters
    mpLogger->SetConsoleEcho(true);
    ConsoleCapture err(2);
    mpLogger->Warn("value %d", 42);
    mpLogger->Critical("loud");
    const QString text = QString::fromUtf8(err.Text());
    QVERIFY2(
        Matches(text, QStringLiteral("^\033\\[1;33m\\d{13}\\|RoVodi\\|WARN\\|value 42\n\033\\[0m"
                                     "\033\\[1;7m\\d{13}\\|RoVodi\\|CRITICAL\\|loud\n\033\\[0m$")),
        qPrintable(text));
}

// Echo is switched on only after attaching, so the sink's first record is
// the INFO line of the connect.
void TestLogger::firstRecordIsTheConnectLine() {
    mpLogger->SetLevel(LEVEL_DEBUG);
    mpLogger->SetName("RoVodirAzazodovir");
    ZsockPtr sink = Attach();
    QVERIFY(sink && mpLogger->isMqAttached());
    const QString record = Receive(sink.get());
    QVERIFY2(Matches(record, QStringLiteral(
                                 "^\\{\"MsgType\":0,\"Level\":20,\"Name\":\"RoVodi\",\"Message\":"
                                 "\"\\d{13}\\|RoVodi\\|INFO\\|Connected to ipc://%1/"
                                 "loggerSinkMq.ipc\"\\}$")
                                 .arg(QRegularExpression::escape(mBus.MqDir()))),
             qPrintable(record));
}

// "Title" belongs to notifications only; log lines carry the prefix, no colour.
void TestLogger::recordMembersAndOrder() {
    ZsockPtr sink = Attach();
    QVERIFY(sink);
    mpLogger->SetName("Unit");
    QVERIFY(mpLogger->Error("disk %s", "full") > 0);
    QVERIFY(Matches(Receive(sink.get()),
                    QStringLiteral(R"(^\{"MsgType":0,"Level":40,"Name":"Unit",)"
                                   R"("Message":"\d{13}\|Unit\|ERROR\|disk full"\}$)")));
    QVERIFY(mpLogger->Notify(LEVEL_WARN, "Heads-up", "fan %d", 2) > 0);
    QCOMPARE(Receive(sink.get()),
             QStringLiteral(R"({"MsgType":1,"Level":30,"Name":"Unit","Message":"fan 2",)"
                            R"("Title":"Heads-up"})"));
    QVERIFY(mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_WARN, "plain", "ignored"));
    QCOMPARE(Receive(sink.get()),
             QStringLiteral(R"({"MsgType":0,"Level":30,"Name":"Unit","Message":"plain"})"));
    QVERIFY(!mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_WARN, nullptr, nullptr));
}

// Prefix and text together stay within the 2048-byte buffer, NUL included.
void TestLogger::longTextIsCutToTheBuffer() {
    ZsockPtr sink = Attach();
    QVERIFY(sink);
    mpLogger->Error("%s", QByteArray(5000, 'x').constData());
    const QString record = Receive(sink.get());
    // '{"MsgType":0,"Level":40,"Name":"","Message":"' is 45 characters, the message 2046.
    QCOMPARE(record.size(), 45 + 2046 + 2);
    QVERIFY(record.endsWith(QLatin1String("x\"}")));
}

void TestLogger::secondAttachIsRefused() {
    ZsockPtr sink = Attach();
    QVERIFY(sink);
    QVERIFY(!mpLogger->AttachMqOverIpc());
    // The refusal went out through the first socket, which still works.
    QVERIFY(Receive(sink.get())
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
    QVERIFY2(Matches(text,
                     QStringLiteral("^[^\n]*\\|ERROR\\|Gated\\.cpp\\|\\d+\\|\"count 3\"\n[^\n]*$")),
             qPrintable(text));
}

// With no sink pulling, sends fail fast instead of blocking once the queue is full.
void TestLogger::unreadSinkNeverBlocks() {
    QVERIFY(mpLogger->AttachMqOverIpc()); // nobody bound: the queue only fills
    int refused = 0;
    for (int i = 0; i < 5000; ++i)
        refused += mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_ERROR, "flood", nullptr) ? 0 : 1;
    QVERIFY(refused > 0);
    mpLogger->Error("still answers");
}

QTEST_GUILESS_MAIN(TestLogger)
#include "test_logger.moc"
