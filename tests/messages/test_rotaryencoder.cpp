// Guards against encoder values misread: the switch-only rule, the 16-bit
// cut, and bodies of the wrong shape leaking into the event.
#include "messages/JsonParseRotaryEncoder.h"
#include "support/TestBus.h"

#include <QTest>

namespace {

QByteArray Body(qint64 switchChange, qint64 switchAbsolute, qint64 countAbsolute,
                qint64 countChange) {
    return QStringLiteral("{\"SwitchChange\": %1, \"SwitchAbsolute\": %2, \"CountAbsolute\": %3, "
                          "\"CountChange\": %4}")
        .arg(switchChange)
        .arg(switchAbsolute)
        .arg(countAbsolute)
        .arg(countChange)
        .toLatin1();
}

} // namespace

class tst_RotaryEncoder final : public QObject {
    Q_OBJECT

private slots:
    void decode_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QList<int>>(
            "fields"); // CountAbsolute, CountChange, SwitchChange, SwitchAbsolute
        QTest::newRow("turn left") << Body(0, 0, 12, -1) << QList<int>{12, -1, 0, 0};
        QTest::newRow("switch only") << Body(1, 1, 12, 0) << QList<int>{0, 0, 0, 0};
        QTest::newRow("switch while turning") << Body(1, 1, 12, 2) << QList<int>{12, 2, 1, 1};
        QTest::newRow("switch released") << Body(-1, 0, 12, 0) << QList<int>{12, 0, -1, 0};
        QTest::newRow("absolute past 16 bits") << Body(0, 0, 70000, 1) << QList<int>{4464, 1, 0, 0};
        QTest::newRow("65535 reads as -1") << Body(0, 0, 65535, 1) << QList<int>{-1, 1, 0, 0};
        QTest::newRow("negative past 16 bits")
            << Body(0, 0, -70000, 1) << QList<int>{-4464, 1, 0, 0};
        // 65536 is a turn on the wire even though its low 16 bits are 0.
        QTest::newRow("change of 65536 with switch")
            << Body(1, 1, 3, 65536) << QList<int>{3, 0, 1, 1};
    }

    void decode() {
        QFETCH(QByteArray, json);
        QFETCH(QList<int>, fields);
        RotaryEncEvent_t event{};
        QCOMPARE(mParser.ParseRotaryEncodeData(json.constData(), &event), 1);
        QCOMPARE((QList<int>{event.CountAbsolute, event.CountChange, event.SwitchChange,
                             event.SwitchAbsolute}),
                 fields);
    }

    void wrongBodyIsRefused_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("turned left");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("array") << QByteArray("[0,0,12,-1]");
        QTest::newRow("number") << QByteArray("12");
        QTest::newRow("key missing")
            << QByteArray("{\"SwitchChange\":0,\"SwitchAbsolute\":0,\"CountAbsolute\":12}");
        QTest::newRow("string value") << Body(0, 0, 12, 0).replace("12", "\"12\"");
        QTest::newRow("float value") << Body(0, 0, 12, 0).replace("12", "12.5");
        QTest::newRow("null value") << Body(0, 0, 12, 0).replace("12", "null");
    }

    void wrongBodyIsRefused() {
        QFETCH(QByteArray, json);
        RotaryEncEvent_t event{1, 2, 3, 4};
        ConsoleCapture out(1);
        QCOMPARE(mParser.ParseRotaryEncodeData(json.constData(), &event), -1);
        QCOMPARE(out.Text(), QByteArray("ZQT ERROR : Rotary Encoder json string did not contain "
                                        "a valid Json Object.\n"));
        QCOMPARE((QList<int>{event.CountAbsolute, event.CountChange, event.SwitchChange,
                             event.SwitchAbsolute}),
                 (QList<int>{1, 2, 3, 4}));
    }

    void nullArgumentsAreRefused() {
        RotaryEncEvent_t event{};
        ConsoleCapture out(1);
        QCOMPARE(mParser.ParseRotaryEncodeData(nullptr, &event), -1);
        QCOMPARE(mParser.ParseRotaryEncodeData(Body(0, 0, 1, 1).constData(), nullptr), -1);
    }

private:
    cJsonParseRotaryEncoder mParser;
};

QTEST_APPLESS_MAIN(tst_RotaryEncoder)
#include "test_rotaryencoder.moc"
