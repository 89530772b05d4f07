// Guards against system update texts overrunning their fields, malformed
// messages half-applied to the kept record, and commands misread.
#include "messages/JsonParseSystemUpdate.h"
#include "support/TestBus.h"

#include <QTest>

#include <cstring>

namespace {

QByteArray Text(char c, int size) {
    return QByteArray(size, c);
}

QByteArray Update(const QByteArray& members) {
    return "{" + members + (members.isEmpty() ? "" : ",") + R"("AvailablePackages":[]})";
}

QByteArray Package(int i) {
    return QStringLiteral(R"({"PackageDesc":"d%1","PackageVersion":"v%1","PackageFileName":"f%1"})")
        .arg(i)
        .toLatin1();
}

} // namespace

class tst_SystemUpdateParser final : public QObject {
    Q_OBJECT

private slots:
    void textFieldsAreCut_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("kept");
        QTest::newRow("Task") << Update("\"Task\":\"" + Text('t', 600) + "\"") << QByteArray("task")
                              << 511;
        QTest::newRow("Message") << Update("\"Message\":\"" + Text('m', 200) + "\"")
                                 << QByteArray("message") << 127;
        QTest::newRow("Version") << Update("\"VersionOnUnit\":{\"Version\":\"" + Text('v', 20) +
                                           "\"}")
                                 << QByteArray("version") << 11;
        const QByteArray package = "{\"AvailablePackages\":[{\"PackageDesc\":\"" + Text('d', 100) +
                                   R"(","PackageFileName":")" + Text('f', 100) +
                                   R"(","PackageVersion":")" + Text('p', 20) + "\"}]}";
        QTest::newRow("PackageDesc") << package << QByteArray("desc") << 63;
        QTest::newRow("PackageFileName") << package << QByteArray("fileName") << 63;
        QTest::newRow("PackageVersion") << package << QByteArray("packageVersion") << 11;
    }

    void textFieldsAreCut() {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, field);
        QFETCH(int, kept);
        SystemUpdate_t update{};
        QCOMPARE(mParser.ParseSUPackage(json.constData(), &update), 0);
        const char* pText = field == "task"             ? update.task
                            : field == "message"        ? update.message
                            : field == "version"        ? update.version
                            : field == "desc"           ? update.packages[0].desc
                            : field == "fileName"       ? update.packages[0].fileName
                            : field == "packageVersion" ? update.packages[0].version
                                                        : nullptr;
        QVERIFY(pText);
        QCOMPARE(qstrlen(pText), static_cast<uint>(kept));
    }

    void fullUpdateIsRead() {
        SystemUpdate_t update{};
        const QByteArray json =
            R"({"Task":"install","VersionOnUnit":{"Version":"3.2.1","VersionFloat":3.21},)"
            R"("passcode":300,"Message":"Update ready",)"
            R"("AvailablePackages":[{"PackageDesc":"Base","PackageVersion":"3.3",)"
            R"("PackageFileName":"base.pkg"}]})";
        QCOMPARE(mParser.ParseSUPackage(json.constData(), &update), 0);
        QCOMPARE(update.task, "install");
        QCOMPARE(update.version, "3.2.1");
        QCOMPARE(update.versionFloat, 3.21f);
        QCOMPARE(update.passcode, std::uint8_t(44)); // 300 keeps its low 8 bits
        QCOMPARE(update.message, "Update ready");
        QCOMPARE(update.packageCount, std::uint8_t(1));
        QCOMPARE(update.packages[0].desc, "Base");
        QCOMPARE(update.packages[0].version, "3.3");
        QCOMPARE(update.packages[0].fileName, "base.pkg");
    }

    void passcode_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("passcode");
        QTest::newRow("low bits") << QByteArray("300") << 44;
        QTest::newRow("negative") << QByteArray("-1") << 255;
        QTest::newRow("past 64 bits signed") << QByteArray("18446744073709551615") << 255;
        QTest::newRow("string ignored") << QByteArray("\"12\"") << 7;
        QTest::newRow("float ignored") << QByteArray("12.5") << 7;
        QTest::newRow("null ignored") << QByteArray("null") << 7;
    }

    void passcode() {
        QFETCH(QByteArray, value);
        QFETCH(int, passcode);
        SystemUpdate_t update{};
        update.passcode = 7;
        QCOMPARE(mParser.ParseSUPackage(Update(R"("passcode":)" + value).constData(), &update), 0);
        QCOMPARE(int(update.passcode), passcode);
    }

    void recordIsKeptAcrossMessages() {
        SystemUpdate_t update{};
        QCOMPARE(mParser.ParseSUPackage(
                     Update(R"("Task":"a","Message":"hello","passcode":5)").constData(), &update),
                 0);
        QCOMPARE(mParser.ParseSUPackage(Update(R"("Task":null)").constData(), &update), 0);
        QCOMPARE(update.task, "a");
        QCOMPARE(update.message, "hello");
        QCOMPARE(update.passcode, std::uint8_t(5));
    }

    void packageCounts() {
        SystemUpdate_t update{};
        QCOMPARE(mParser.ParseSUPackage(Update({}).constData(), &update), 0);
        QCOMPARE(update.packageCount, std::uint8_t(0));

        QByteArray six;
        for (int i = 1; i <= 6; ++i)
            six += (i > 1 ? "," : "") + Package(i);
        QCOMPARE(
            mParser.ParseSUPackage(("{\"AvailablePackages\":[" + six + "]}").constData(), &update),
            0);
        // Five entries fit; the sixth is dropped and the count says what is there.
        QCOMPARE(update.packageCount, std::uint8_t(5));
        QCOMPARE(update.packages[4].desc, "d5");
        QCOMPARE(update.packages[4].fileName, "f5");
    }

    void malformedMessageChangesNothing_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("Software update!");
        QTest::newRow("root array") << QByteArray(R"([{"AvailablePackages":[]}])");
        QTest::newRow("packages missing") << QByteArray(R"({"Task":"x"})");
        QTest::newRow("packages null") << QByteArray(R"({"Task":"x","AvailablePackages":null})");
        QTest::newRow("packages object") << QByteArray(R"({"Task":"x","AvailablePackages":{}})");
        QTest::newRow("task number") << Update(R"("Task":5)");
        QTest::newRow("message object") << Update(R"("Task":"x","Message":{})");
        QTest::newRow("version on unit string") << Update(R"("Task":"x","VersionOnUnit":"1")");
        QTest::newRow("version null") << Update(R"("Task":"x","VersionOnUnit":{"Version":null})");
        QTest::newRow("version float integer")
            << Update(R"("Task":"x","VersionOnUnit":{"VersionFloat":2})");
        QTest::newRow("version float too big")
            << Update(R"("Task":"x","VersionOnUnit":{"VersionFloat":1.0e300})");
        QTest::newRow("package not object")
            << QByteArray(R"({"Task":"x","AvailablePackages":[)" + Package(1) + ",7]}");
        QTest::newRow("package desc number")
            << QByteArray(R"({"Task":"x","AvailablePackages":[{"PackageDesc":1}]})");
        QTest::newRow("seventh package malformed")
            << QByteArray(R"({"AvailablePackages":[{},{},{},{},{},{},{"PackageVersion":[]}]})");
    }

    void malformedMessageChangesNothing() {
        QFETCH(QByteArray, json);
        SystemUpdate_t update{};
        QCOMPARE(
            mParser.ParseSUPackage(Update(R"("Task":"kept","Message":"m")").constData(), &update),
            0);
        const SystemUpdate_t before = update;
        ConsoleCapture out(1);
        QCOMPARE(mParser.ParseSUPackage(json.constData(), &update), -1);
        QVERIFY(std::memcmp(&before, &update, sizeof update) == 0);
        QVERIFY(out.Text().startsWith("ZQT ERROR : "));
    }

    void notJsonPrintsItsLine() {
        SystemUpdate_t update{};
        ConsoleCapture out(1);
        QCOMPARE(mParser.ParseSUPackage("{", &update), -1);
        QCOMPARE(mParser.ParseSUPackage(R"({"AvailablePackages":[]})", nullptr), -1);
        QCOMPARE(out.Text(),
                 QByteArray("ZQT ERROR : Software Update does not contain Anything.\n"
                            "ZQT ERROR : Software Update does not contain Anything.\n"));
    }

    void systemCommand_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("notJsonLine");
        QTest::newRow("exit") << QByteArray(R"({"Command":100})") << 100 << false;
        QTest::newRow("reboot") << QByteArray(R"({"Command":9})") << 9 << false;
        QTest::newRow("no command") << QByteArray(R"({"Cmd":100})") << -1 << false;
        QTest::newRow("null command") << QByteArray(R"({"Command":null})") << -1 << false;
        QTest::newRow("string command") << QByteArray(R"({"Command":"100"})") << -1 << false;
        QTest::newRow("float command") << QByteArray(R"({"Command":1e2})") << -1 << false;
        QTest::newRow("root array") << QByteArray(R"([100])") << -1 << false;
        QTest::newRow("not json") << QByteArray("100}") << -1 << true;
    }

    void systemCommand() {
        QFETCH(QByteArray, json);
        QFETCH(int, command);
        QFETCH(bool, notJsonLine);
        ConsoleCapture out(1);
        QCOMPARE(mParser.ParseSystemCommand(json.constData()), command);
        QCOMPARE(out.Text().contains("Parse System Command json string did not contain a valid "
                                     "Object Document."),
                 notJsonLine);
    }

private:
    cJsonParseSystemUpdate mParser;
};

QTEST_APPLESS_MAIN(tst_SystemUpdateParser)
#include "test_systemupdateparser.moc"
