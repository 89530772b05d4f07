// Guards the style tables: a template slip or a colour taken before the
// exchange would restyle every widget; unknown names must come back empty.
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "support/TestBus.h"

#include <QtTest>

namespace {
QString LabelSheet(const char* pText, const char* pBackground, int iRadius) {
    return QString("QLabel{color: %1;background-color: %2;border-width: 1px;border-color: black;"
                   "border-style: solid;border-radius: %3;padding: 3px;font-family: Arial;"
                   "padding-left: 5px;padding-right: 5px;}")
        .arg(pText, pBackground)
        .arg(iRadius);
}
} // namespace

class tstStyleSheets final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        ConsoleCapture console;
        cButtonStyle::Init();
        cLabelStyle::Init();
        // Every colour the tables name exists, and every style fits its buffer.
        QVERIFY2(console.Text().isEmpty(), console.Text().constData());
    }

    void tablesComplete() {
        QCOMPARE(cLabelStyle::Map.size(), 6);
        QCOMPARE(cButtonStyle::Map.size(), 51);
    }

    void labelStyle_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("GrayWhite")
            << "GrayWhite" << LabelSheet("rgba(255, 255, 255, 255)", "rgba(127, 127, 127, 255)", 3);
        QTest::newRow("BlackPlum takes exchanged colour")
            << "BlackPlum" << LabelSheet("rgba(153, 204, 255, 255)", "rgba(0, 0, 0, 255)", 0);
    }
    void labelStyle() {
        QFETCH(QString, name);
        QFETCH(QString, sheet);
        QCOMPARE(cLabelStyle::Get(name), sheet);
    }

    void unknownLabelStyleSaysSo() {
        ConsoleCapture console;
        QVERIFY(cLabelStyle::Get("Plum").isEmpty());
        QCOMPARE(console.Text(),
                 QByteArray("KELD_ERROR : Style string Plum could not be found in the list.\n"));
    }

    void unknownButtonStyleIsSilent() {
        ConsoleCapture console;
        QVERIFY(cButtonStyle::Get("greenwhitegreen").isEmpty());
        QVERIFY(console.Text().isEmpty());
    }

    void transparentButton() {
        const QString sheet = cButtonStyle::Get("Transparent");
        QVERIFY(sheet.startsWith("QPushButton, QLabel{color: rgba(0, 0, 0, 255);"
                                 "background-color: rgba(0, 0, 0, 0);border-width: 0px;"
                                 "border-color: grey;border-style: outset;border-radius: 0px;"));
        QVERIFY(sheet.contains("QPushButton:checked{color: rgba(0, 0, 0, 255);"
                               "background-color: rgba(0, 0, 0, 0);border-style: inset;}"));
        // Disabled is always grey, whatever the style.
        QVERIFY(sheet.endsWith("QPushButton:disabled{color: black;"
                               "background-color: rgba(127, 127, 127, 255);border-style: flat;}"));
    }

    void blueStylesDifferOnlyInShape() {
        QString rounded = cButtonStyle::Get("BlueWhite");
        const QString square = cButtonStyle::Get("BlueNoBorder");
        QVERIFY(rounded.contains("border-width: 2px;") && rounded.contains("border-radius: 8px;"));
        rounded.replace("border-width: 2px;", "border-width: 0px;");
        rounded.replace("border-radius: 8px;", "border-radius: 0px;");
        QCOMPARE(rounded, square);
    }

    void reInitRebuildsFromScratch() {
        cButtonStyle::Map.insert("Stray", "x");
        cButtonStyle::Init();
        QVERIFY(!cButtonStyle::Map.contains("Stray"));
        QCOMPARE(cButtonStyle::Map.size(), 51);
    }
};

QTEST_APPLESS_MAIN(tstStyleSheets)
#include "test_stylesheets.moc"
