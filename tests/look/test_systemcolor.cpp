// Guards the colour table: wrong values or a missed channel exchange would
// tint every page, and an unknown name must not crash or go unnoticed.
#include "look/SystemColor.h"
#include "support/TestBus.h"

#include <QtTest>

class tstSystemColor final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { cSysColor::Init(); }

    void tableHoldsEveryName() { QCOMPARE(cSysColor::ColorMap.size(), 50); }

    void lookupAfterExchange_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Pink red and green exchanged") << "Pink"
                                                      << "rgba(16, 240, 160, 255)";
        QTest::newRow("Anakiwa") << "Anakiwa"
                                 << "rgba(204, 153, 255, 255)";
        QTest::newRow("Red from its standard name") << "Red"
                                                    << "rgba(0, 255, 0, 255)";
        QTest::newRow("Black unchanged") << "Black"
                                         << "rgba(0, 0, 0, 255)";
        QTest::newRow("grey unchanged") << "Gray"
                                        << "rgba(127, 127, 127, 255)";
        QTest::newRow("only transparent entry") << "TransParentBlack"
                                                << "rgba(0, 0, 0, 0)";
        QTest::newRow("blue untouched") << "Denim"
                                        << "rgba(86, 10, 182, 255)";
    }
    void lookupAfterExchange() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        ConsoleCapture console;
        QCOMPARE(cSysColor::GetColorString(name), text);
        QVERIFY(console.Text().isEmpty());
    }

    void twoNamesOneColour() {
        QCOMPARE(cSysColor::GetColor("VioletDark"), cSysColor::GetColor("MulledWine"));
    }

    void unknownNameFallsBackToRed_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("wrong letter case") << "black";
        QTest::newRow("empty") << "";
        QTest::newRow("not a colour") << "Chartreuse";
    }
    void unknownNameFallsBackToRed() {
        QFETCH(QString, name);
        ConsoleCapture console;
        QCOMPARE(cSysColor::GetColor(name), cSysColor::ColorMap.value("Red"));
        QCOMPARE(console.Text(), "KELD_ERROR : Color " + name.toLatin1() +
                                     " could not be found in the color map.\n");
    }

    void unknownNameStringFormatsFallback() {
        ConsoleCapture console;
        QCOMPARE(cSysColor::GetColorString("NoSuch"), QString("rgba(0, 255, 0, 255)"));
        QVERIFY(console.Text().contains("Color NoSuch could not be found"));
    }

    void exchangeTwiceIsIdentity() {
        const QColor start(10, 20, 30, 40);
        const QColor once = cSysColor::SwapRedAndBlue(&start);
        QCOMPARE(once, QColor(20, 10, 30, 40));
        QCOMPARE(cSysColor::SwapRedAndBlue(&once), start);
    }

    void hexStringReversesBytes_data() {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("text");
        QTest::newRow("single digits padded") << QColor(10, 0, 255) << "#ff000a";
        QTest::newRow("black") << QColor(0, 0, 0) << "#000000";
        QTest::newRow("lower case") << QColor(0xab, 0xcd, 0xef) << "#efcdab";
    }
    void hexStringReversesBytes() {
        QFETCH(QColor, colour);
        QFETCH(QString, text);
        QCOMPARE(SwapColorString(colour), text);
    }
};

QTEST_APPLESS_MAIN(tstSystemColor)
#include "test_systemcolor.moc"
