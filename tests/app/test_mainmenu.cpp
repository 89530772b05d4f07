// Guards the main menu: buttons filling the two-column grid row by row, and a
// press reaching the window as exactly one page index.
#include "app/PageMainMenu.h"
#include "look/ButtonStyled.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelMenu.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"

#include <QGridLayout>
#include <QtTest>

namespace {
QList<cButtonStyled*> Buttons(const cMainMenuPage& page) {
    QList<cButtonStyled*> buttons;
    for (int i = 0; i < page.Layout()->count(); ++i)
        if (auto* pButton = qobject_cast<cButtonStyled*>(page.Layout()->itemAt(i)->widget()))
            buttons.append(pButton);
    return buttons;
}
} // namespace

class tstMainMenu final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        cButtonStyle::Init();
        cLabelStyle::Init();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    }

    void gridFillsRowByRow() {
        cMainMenuPage page;
        page.AddButton("One", 1, nullptr);
        page.AddButton("Two", 2, nullptr);
        page.AddButton("Three", 3, nullptr);
        const QList<cButtonStyled*> buttons = Buttons(page);
        QCOMPARE(buttons.size(), 3);
        const QList<QPoint> cells = {{0, 0}, {0, 1}, {1, 0}}; // (row, column)
        for (int i = 0; i < 3; ++i) {
            int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
            page.Layout()->getItemPosition(page.Layout()->indexOf(buttons[i]), &row, &column,
                                           &rowSpan, &columnSpan);
            QCOMPARE(QPoint(row, column), cells[i]);
            QCOMPARE(rowSpan, 1);
            QCOMPARE(columnSpan, 1);
        }
    }

    void buttonLook() {
        cMainMenuPage page;
        page.AddButton("Dolby Visualiser", 1, "./Images/Info.png");
        page.AddButton("Plain", 2, nullptr);
        const QList<cButtonStyled*> buttons = Buttons(page);
        QCOMPARE(buttons[0]->text(), QString("Dolby Visualiser"));
        QCOMPARE(buttons[0]->styleSheet(), cButtonStyle::Get("GreenWhiteGreen"));
        QCOMPARE(buttons[0]->font().pixelSize(), 20);
        QVERIFY(buttons[0]->isFlat());
        QVERIFY(!buttons[1]->isFlat());
        QVERIFY(buttons[1]->icon().isNull());
    }

    void pressEmitsPageIndexOnce() {
        cMainMenuPage page;
        page.AddButton("Dolby Visualiser", 1, nullptr);
        page.AddButton("Notifications", 2, nullptr);
        page.ConnectSignals(); // a second call must not double the signal
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QSignalSpy spy(&page, &cMainMenuPage::sigSwitchScreen);
        const QList<cButtonStyled*> buttons = Buttons(page);

        QTest::mouseClick(buttons[0], Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1);

        QTest::mouseClick(buttons[0], Qt::LeftButton);
        QTest::mouseClick(buttons[1], Qt::LeftButton);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
        QCOMPARE(spy.at(2).at(0).toInt(), 2);
    }

    void titleOutsideGrid() {
        QWidget window;
        window.setGeometry(0, 0, 472, 266);
        cMainMenuPage page(&window);
        QCOMPARE(page.geometry(), window.geometry());
        QCOMPARE(page.Title()->text(), QString("Dolby Menu"));
        QCOMPARE(page.Title()->parentWidget(), &page);
        QCOMPARE(page.Layout()->indexOf(page.Title()), -1);
        QCOMPARE(page.Title()->styleSheet(), cLabelStyle::Get("BlackPlum"));
    }
};

QTEST_MAIN(tstMainMenu)
#include "test_mainmenu.moc"
