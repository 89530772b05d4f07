// Guards against encoder values misread: the switch-only rule, the 16-bit
// cut, and bodies of the wrong shape leaking into the event.
#include "messages/JsonParseRotaryEncoder.h"

#include <QTest>

static QByteArray Body(qint64 sc, qint64 sa, qint64 ca, qint64 cc) {
    const char* pFormat =
        R"({"SwitchChange":%lld,"SwitchAbsolute":%lld,"CountAbsolute":%lld,"CountChange":%lld})";
    return QString::asprintf(pFormat, sc, sa, ca, cc).toLatin1();
}

class tst_RotaryEncoder final : public QObject {
    Q_OBJECT

private slots:
    // Guards against a field cut wrongly, a press alone overwriting the record,
    // or a refused body leaving part of itself in the event.
    void decode_data() {
        QTest::addColumn<QByteArray>("json");
        // CountAbsolute, CountChange, SwitchChange, SwitchAbsolute; empty when refused.
        QTest::addColumn<QList<int>>("fields");
        QTest::newRow("turn left") << Body(0, 0, 12, -1) << QList<int>{12, -1, 0, 0};
        QTest::newRow("switch only keeps record") << Body(1, 1, 12, 0) << QList<int>{1, 2, 3, 4};
        QTest::newRow("past 16 bits") << Body(0, 0, 70000, 1) << QList<int>{4464, 1, 0, 0};
        QTest::newRow("65535 reads as -1") << Body(0, 0, 65535, 1) << QList<int>{-1, 1, 0, 0};
        // 65536 is a turn on the wire even though its low 16 bits are 0.
        QTest::newRow("change 65536") << Body(1, 1, 3, 65536) << QList<int>{3, 0, 1, 1};
        QTest::newRow("not json") << QByteArray("turned left") << QList<int>{};
        QTest::newRow("array") << QByteArray("[0,0,12,-1]") << QList<int>{};
        QTest::newRow("key missing") << Body(0, 0, 1, 1).replace("Count", "X") << QList<int>{};
        QTest::newRow("float value") << Body(0, 0, 12, 1).replace("12", "12.5") << QList<int>{};
    }

    void decode() {
        QFETCH(QByteArray, json);
        QFETCH(QList<int>, fields);
        RotaryEncEvent_t e{1, 2, 3, 4};
        const int result = cJsonParseRotaryEncoder().ParseRotaryEncodeData(json.constData(), &e);
        QCOMPARE(result, fields.isEmpty() ? -1 : 1);
        QCOMPARE((QList<int>{e.CountAbsolute, e.CountChange, e.SwitchChange, e.SwitchAbsolute}),
                 (fields.isEmpty() ? QList<int>{1, 2, 3, 4} : fields));
    }
};

QTEST_APPLESS_MAIN(tst_RotaryEncoder)
#include "test_rotaryencoder.moc"
