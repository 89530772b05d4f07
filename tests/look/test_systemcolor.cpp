// Guards the colour table: wrong values or a missed channel exchange would
// tint every page, and an unknown name must not crash or go unnoticed.
#include "look/SystemColor.h"
#include "support/TestBus.h"

#include <QtTest>

class tstSystemColor final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { cSysColor::Init(); }

    // Guards against a missed or doubled exchange, and a silent or crashing unknown name.
    void lookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QByteArray>("console");
        QTest::newRow("exchanged") << "Anakiwa" << QColor(204, 153, 255) << QByteArray();
        QTest::newRow("Black unchanged") << "Black" << QColor(0, 0, 0) << QByteArray();
        QTest::newRow("unknown falls back to Red")
            << "black" << QColor(0, 255, 0)
            << QByteArray("KELD_ERROR : Color black could not be found in the color map.\n\n");
    }
    void lookup() {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        QFETCH(QByteArray, console);
        ConsoleCapture capture;
        QCOMPARE(cSysColor::GetColor(name), colour);
        QCOMPARE(capture.Text(), console);
    }
};

QTEST_APPLESS_MAIN(tstSystemColor)
#include "test_systemcolor.moc"
