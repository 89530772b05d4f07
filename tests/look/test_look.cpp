// The look layer: the colour and style tables every page is painted from, and
// the styled widgets built on them.
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "tests/support/TestBus.h"

#include <QtTest>

class tstLook final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { cSysColor::Init(); }

    void colours_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QByteArray>("console");
        QTest::newRow("exchanged") << "Anakiwa" << QColor(204, 153, 255) << QByteArray();
        QTest::newRow("Black unchanged") << "Black" << QColor(0, 0, 0) << QByteArray();
        QTest::newRow("unknown falls back to Red")
            << "black" << QColor(0, 255, 0)
            << QByteArray("KELD_ERROR : Color black could not be found in the color map.\n\n");
    }
    // A missed or doubled channel exchange, or an unknown name crashing or going unreported.
    void colours() {
        QFETCH(QString, name);
        ConsoleCapture capture;
        QTEST(cSysColor::GetColor(name), "colour");
        QTEST(capture.Text(), "console");
    }

    // A template slip, a colour taken before the exchange, an unknown style not reported.
    void styleSheets() {
        ConsoleCapture console;
        cButtonStyle::Init();
        cLabelStyle::Init();
        QCOMPARE(cLabelStyle::Get("BlackPlum"),
                 QString("QLabel{color: rgba(153, 204, 255, 255);background-color: rgba(0, 0, 0, "
                         "255);border-width: 1px;border-color: black;border-style: solid;"
                         "border-radius: 0;padding: 3px;font-family: Arial;padding-left: 5px;"
                         "padding-right: 5px;}"));
        QVERIFY(cButtonStyle::Get("GreenWhiteGreen")
                    .contains("background-color: rgba(255, 0, 0, 255);"));
        QVERIFY(cLabelStyle::Get("Plum").isEmpty() &&
                cButtonStyle::Get("greenwhitegreen").isEmpty());
        QCOMPARE(console.Text(),
                 QByteArray("KELD_ERROR : Style string Plum could not be found in the list.\n\n"));
    }
};

QTEST_MAIN(tstLook)
#include "test_look.moc"
