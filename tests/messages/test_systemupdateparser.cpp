// Guards against system update texts overrunning their fields, and malformed
// messages half-applied to the kept record.
#include "messages/JsonParseSystemUpdate.h"
#include "support/TestBus.h"

#include <QTest>

#include <cstring>

// An update with the given members and an empty package list.
static QByteArray Update(const QByteArray& members) {
    return "{" + members + (members.isEmpty() ? "" : ",") + R"("AvailablePackages":[]})";
}

// The parser keeps nothing between calls, so a fresh one per message.
static int Parse(const QByteArray& json, SystemUpdate_t& update) {
    return cJsonParseSystemUpdate().ParseSUPackage(json.constData(), &update);
}

class tst_SystemUpdateParser final : public QObject {
    Q_OBJECT

private slots:
    // Guards against a long text overrunning its field, or any field cut short or misplaced.
    void textFieldsAreCut() {
        const auto text = [](char c, int size) { return QString(size, QLatin1Char(c)); };
        // moc misreads raw strings holding an odd number of quotes: keep them even.
        const QByteArray json =
            QStringLiteral(R"({"Task":"%1","Message":"%2","VersionOnUnit":{"Version":"%3"},)"
                           R"("AvailablePackages":[{"PackageDesc":"%4","PackageFileName":"%5",)"
                           R"("PackageVersion":"%6"}]})")
                .arg(text('t', 600), text('m', 200), text('v', 20), text('d', 100), text('f', 100),
                     text('p', 20))
                .toLatin1();
        SystemUpdate_t update{};
        QCOMPARE(Parse(json, update), 0);
        QCOMPARE((QStringList{update.task, update.message, update.version, update.packages[0].desc,
                              update.packages[0].fileName, update.packages[0].version}),
                 (QStringList{text('t', 511), text('m', 127), text('v', 11), text('d', 63),
                              text('f', 63), text('p', 11)}));
    }

    // Guards against the passcode keeping more than its low byte, or a value
    // of the wrong type read as a number.
    void passcode_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("passcode");
        QTest::newRow("low bits") << QByteArray("300") << 44;
        QTest::newRow("negative") << QByteArray("-1") << 255;
        QTest::newRow("string ignored") << QByteArray("\"12\"") << 7;
        QTest::newRow("float ignored") << QByteArray("12.5") << 7;
    }

    void passcode() {
        QFETCH(QByteArray, value);
        QFETCH(int, passcode);
        SystemUpdate_t update{};
        update.passcode = 7;
        QCOMPARE(Parse(Update(R"("passcode":)" + value), update), 0);
        QCOMPARE(int(update.passcode), passcode);
    }

    // Guards against a later message clearing what it leaves out, keeping the
    // old package count, or writing a sixth package past the table.
    void laterMessageKeepsTextsNotPackages() {
        const QByteArray json = R"({"Task":"a","Message":"hi","AvailablePackages":[{},{},{},{},)"
                                R"({"PackageFileName":"f5"},{"PackageFileName":"f6"}]})";
        SystemUpdate_t update{};
        QCOMPARE(Parse(json, update), 0);
        QCOMPARE(update.packageCount, std::uint8_t(5));
        QCOMPARE(update.packages[4].fileName, "f5");
        QCOMPARE(Parse(Update(R"("Task":null)"), update), 0);
        QCOMPARE(update.packageCount, std::uint8_t(0));
        QCOMPARE(update.task, "a");
        QCOMPARE(update.message, "hi");
    }

    // Guards against a malformed message applied in part to the kept record.
    void malformedMessageChangesNothing_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("Software update!");
        QTest::newRow("packages missing") << QByteArray(R"({"Task":"x"})");
        QTest::newRow("task number") << Update(R"("Task":5)");
        QTest::newRow("version float integer") << Update(R"("VersionOnUnit":{"VersionFloat":2})");
        QTest::newRow("package not object") << QByteArray(R"({"AvailablePackages":[{},7]})");
        QTest::newRow("seventh package malformed")
            << QByteArray(R"({"AvailablePackages":[{},{},{},{},{},{},{"PackageVersion":[]}]})");
    }

    void malformedMessageChangesNothing() {
        QFETCH(QByteArray, json);
        SystemUpdate_t update{};
        QCOMPARE(Parse(Update(R"("Task":"kept")"), update), 0);
        const SystemUpdate_t before = update;
        ConsoleCapture out(1);
        QCOMPARE(Parse(json, update), -1);
        QVERIFY(std::memcmp(&before, &update, sizeof update) == 0);
        QVERIFY(out.Text().startsWith("ZQT ERROR : "));
    }
};

QTEST_APPLESS_MAIN(tst_SystemUpdateParser)
#include "test_systemupdateparser.moc"
