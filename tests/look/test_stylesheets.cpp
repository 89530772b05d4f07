// Guards the style tables: a template slip or a colour taken before the
// exchange would restyle every widget; unknown names must come back empty.
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "support/TestBus.h"

#include <QtTest>

class tstStyleSheets final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { cSysColor::Init(); }

    // Guards against init errors, template slips, unexchanged colours, unreported unknown labels.
    void lookup() {
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
        QVERIFY(cLabelStyle::Get("Plum").isEmpty());
        QVERIFY(cButtonStyle::Get("greenwhitegreen").isEmpty());
        QCOMPARE(console.Text(),
                 QByteArray("KELD_ERROR : Style string Plum could not be found in the list.\n\n"));
    }
};

QTEST_APPLESS_MAIN(tstStyleSheets)
#include "test_stylesheets.moc"
