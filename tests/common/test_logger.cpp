// The logger: which levels reach the console and the sink, the exact line and
// record forms the other processes read, and a sink that never blocks.
#include "Common/Utility/Logger/Include/Logger.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestBus.h"

#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

namespace {

// One record from the sink, as sent: compact JSON, members in document order.
QString Record(zsock_t* pSink) {
    return QString::fromUtf8(Receive(pSink).value(0));
}

bool Matches(const QString& text, const QString& pattern) {
    return QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$')).match(text).hasMatch();
}

} // namespace

struct GatedClass {
    static Logger* mpLogger;
    static MsgLevel_e mLogLevel;
};
Logger* GatedClass::mpLogger = nullptr;
MsgLevel_e GatedClass::mLogLevel = LEVEL_WARN;
static const char* const kLogUnit = "Gated.cpp";

class TestLogger final : public QObject {
    Q_OBJECT

private slots:
    void init() { mpLogger = Logger::GetInstance(); }
    void cleanup() { Logger::DeleteInstance(); }

    void thresholdAndSwitches_data() {
        QTest::addColumn<int>("threshold");   // -1: the default; the tag says "no echo" or "silent"
        QTest::addColumn<QString>("printed"); // levels that reach the console, in call order
        QTest::newRow("default WARN") << -1 << "CRITICAL ERROR WARN";
        QTest::newRow("no echo: CRITICAL only") << 10 << "CRITICAL";
        QTest::newRow("silent: nothing") << 10 << "";
    }
    // The threshold off by one, echo stopping CRITICAL, silent letting a line through, or
    // Notify held back by either.
    void thresholdAndSwitches() {
        QFETCH(int, threshold);
        if (threshold >= 0)
            mpLogger->SetLevel(static_cast<MsgLevel_e>(threshold));
        mpLogger->SetConsoleEcho(QTest::currentDataTag()[0] != 'n');
        mpLogger->SetSilent(QTest::currentDataTag()[0] == 's');
        ConsoleCapture err(2);
        const int results[] = {mpLogger->Critical("c"), mpLogger->Error("e"), mpLogger->Warn("w"),
                               mpLogger->Info("i"), mpLogger->Debug("d")};
        QStringList seen;
        const QRegularExpression level(QStringLiteral("\\|(CRITICAL|ERROR|WARN|INFO|DEBUG)\\|"));
        for (auto it = level.globalMatch(QString::fromUtf8(err.Text())); it.hasNext();)
            seen << it.next().captured(1);
        QTEST(seen.join(QLatin1Char(' ')), "printed");
        for (int i = 0; i < 5; ++i)
            QCOMPARE(results[i] > 0, i < seen.size());
        QVERIFY(mpLogger->Notify(LEVEL_INFO, "T", "notified") > 0);
        QVERIFY(err.Text().contains("|INFO|notified\n"));
    }

    // A console line with the wrong colour, prefix, name bound or class gate.
    void consoleLines() {
        mpLogger->SetName("RoVodirAzazodovir"); // the 7-byte bound keeps six characters
        mpLogger->SetConsoleEcho(true);
        ConsoleCapture err(2);
        mpLogger->Warn("value %d", 42);
        mpLogger->Critical("loud");
        CLASS_LOG(GatedClass, LEVEL_ERROR, "no logger yet");
        GatedClass::mpLogger = mpLogger;
        CLASS_LOG(GatedClass, LEVEL_INFO, "below the class threshold");
        CLASS_LOG(GatedClass, LEVEL_ERROR, "count %d", 3);
        GatedClass::mpLogger = nullptr;
        const QString text = QString::fromUtf8(err.Text());
        QVERIFY2(
            Matches(text, QStringLiteral("\033\\[1;33m\\d{13}\\|RoVodi\\|WARN\\|value 42\n"
                                         "\033\\[0m\033\\[1;7m\\d{13}\\|RoVodi\\|CRITICAL\\|"
                                         "loud\n\033\\[0m[^\n]*\\|ERROR\\|Gated\\.cpp\\|\\d+\\|"
                                         "\"count 3\"\n[^\n]*")),
            qPrintable(text));
    }

    // A journal line with colour codes, or at another syslog priority than its level's.
    void journalLines() {
        mpLogger->SetLevel(LEVEL_DEBUG), mpLogger->SetConsoleEcho(true);
        ConsoleCapture err(2);
        struct stat info {};
        fstat(2, &info); // the stream a service manager names as the journal
        qputenv("JOURNAL_STREAM", QByteArray::number(qulonglong(info.st_dev)) + ':' +
                                      QByteArray::number(qulonglong(info.st_ino)));
        mpLogger->Error("e"), mpLogger->Warn("w"), mpLogger->Info("i");
        mpLogger->Debug("d"), qunsetenv("JOURNAL_STREAM");
        const QString text = QString::fromUtf8(err.Text()).remove(QRegularExpression("\\d{13}"));
        QCOMPARE(text, QLatin1String("<3>||ERROR|e\n<4>||WARN|w\n<6>||INFO|i\n<7>||DEBUG|d\n"));
    }

    // A sink record with members missing, misordered or coloured, a first record other than
    // the connect line, a text past the 2048-byte buffer, or a second attach accepted.
    void sinkRecords() {
        mpLogger->SetLevel(LEVEL_DEBUG);
        mpLogger->SetName("Unit");
        ZsockPtr sink = BindSocket(ZMQ_PULL, mBus.Ipc("loggerSinkMq.ipc"));
        QVERIFY(sink && mpLogger->AttachMqOverIpc() && mpLogger->isMqAttached());
        QVERIFY(Matches(
            Record(sink.get()),
            QStringLiteral("\\{\"MsgType\":0,\"Level\":20,\"Name\":\"Unit\",\"Message\":\"\\d{13}"
                           "\\|Unit\\|INFO\\|Connected to ipc://%1/loggerSinkMq.ipc\"\\}")
                .arg(QRegularExpression::escape(mBus.MqDir()))));
        QVERIFY(mpLogger->Error("disk %s", "full") > 0);
        QVERIFY(Matches(Record(sink.get()),
                        QStringLiteral(R"(\{"MsgType":0,"Level":40,"Name":"Unit",)"
                                       R"("Message":"\d{13}\|Unit\|ERROR\|disk full"\})")));
        QVERIFY(mpLogger->Notify(LEVEL_WARN, "Heads-up", "fan %d", 2) > 0);
        QCOMPARE(Record(sink.get()),
                 QStringLiteral(R"({"MsgType":1,"Level":30,"Name":"Unit","Message":"fan 2",)"
                                R"("Title":"Heads-up"})"));
        mpLogger->Error("%s", QByteArray(5000, 'x').constData());
        // 49 characters around the message, which keeps 2047 bytes less the prefix.
        const QString record = Record(sink.get());
        QVERIFY(record.endsWith(QLatin1String("xxx\"}")));
        QCOMPARE(record.size(), 45 + 4 + 2046 + 2);
        QVERIFY(!mpLogger->AttachMqOverIpc()); // refused through the first socket
        QVERIFY(Record(sink.get()).contains("Seems this instance already connected to ipc://"));
        QVERIFY(mpLogger->DetachMq() && !mpLogger->isMqAttached() && mpLogger->DetachMq());
    }

    // A sink nobody reads blocking the sender once the queue is full.
    void unreadSinkNeverBlocks() {
        QVERIFY(mpLogger->AttachMqOverIpc());
        int refused = 0;
        for (int i = 0; i < 5000; ++i)
            refused += mpLogger->SendJson(MSG_TYPE_LOG, LEVEL_ERROR, "flood", nullptr) ? 0 : 1;
        QVERIFY(refused > 0);
    }

private:
    TestBusEnvironment mBus;
    Logger* mpLogger = nullptr;
};

QTEST_GUILESS_MAIN(TestLogger)
#include "test_logger.moc"
