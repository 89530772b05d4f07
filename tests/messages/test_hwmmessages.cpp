// Guards the volume and balance messages: a missing key must drop the
// message, a wrongly typed one must fall back to the default, and the
// percentages must be truncated, never rounded.
#include "bus/ZmqSubHwStatus.h"

#include <QtTest>

namespace {
// Both messages read from it; the next message must not inherit its values.
constexpr const char* kFirst =
    R"({"Value":9,"ValueInPrcnt":900,"ValueInPrcntForLeft":900,"Mute":true})";
using Ints = QVariantList;
} // namespace

class cTestHwmMessages final : public QObject {
    Q_OBJECT

private slots:
    void percentages_data();
    void percentages();
};

void cTestHwmMessages::percentages_data() {
    QTest::addColumn<QString>("json");   // a balance message when it has the left share
    QTest::addColumn<Ints>("signalled"); // volume, or left and right share
    QTest::newRow("volume") << R"({"Value":1,"ValueInPrcnt":7599,"Mute":false})" << Ints{75};
    QTest::newRow("volume, no Mute") << R"({"Value":1,"ValueInPrcnt":7550})" << Ints{};
    QTest::newRow("volume, 75.5") << R"({"Value":1,"ValueInPrcnt":75.5,"Mute":false})" << Ints{49};
    QTest::newRow("volume, syntax error") << R"({"Value":)" << Ints{};
    QTest::newRow("balance") << R"({"Value":300,"ValueInPrcntForLeft":2999})" << Ints{29, 71};
    QTest::newRow("balance, \"30\"") << R"({"Value":3,"ValueInPrcntForLeft":"30"})" << Ints{49, 51};
    QTest::newRow("balance, no Value") << R"({"ValueInPrcntForLeft":10000})" << Ints{};
}

void cTestHwmMessages::percentages() {
    QFETCH(QString, json);
    cZmqSubHwStatus subscriber;
    subscriber.SetupParsers();
    const bool bBalance = json.contains(QLatin1String("ValueInPrcntForLeft"));
    const auto parse = bBalance ? &cZmqSubHwStatus::ParseBalance : &cZmqSubHwStatus::ParseVolume;
    QSignalSpy spy(&subscriber, bBalance ? SIGNAL(sigBalance(int, int)) : SIGNAL(sigVolume(int)));
    (subscriber.*parse)(kFirst);
    QCOMPARE(spy.count(), 1);
    spy.clear();
    (subscriber.*parse)(json.toUtf8().constData());
    QTEST(spy.value(0), "signalled");
}

QTEST_APPLESS_MAIN(cTestHwmMessages)
#include "test_hwmmessages.moc"
