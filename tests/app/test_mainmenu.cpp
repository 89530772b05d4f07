// Guards the main menu: buttons filling the two-column grid row by row, and a
// press reaching the window as exactly one page index.
#include "app/PageMainMenu.h"
#include "look/ButtonStyled.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"

#include <QGridLayout>
#include <QtTest>

class tstMainMenu final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        cButtonStyle::Init();
        cLabelStyle::Init();
    }

    // Guards against buttons off the row-by-row two-column grid, or a doubled or wrong index.
    void gridAndPress() {
        cMainMenuPage page;
        page.AddButton("One", 1, nullptr);
        page.AddButton("Two", 2, nullptr);
        page.AddButton("Three", 3, nullptr);
        page.ConnectSignals(); // a second call must not double the signal
        const QList<cButtonStyled*> buttons = page.findChildren<cButtonStyled*>();
        const QList<QPoint> cells = {{0, 0}, {0, 1}, {1, 0}}; // (row, column)
        for (int i = 0; i < cells.size(); ++i) {
            QLayoutItem* pItem = page.Layout()->itemAtPosition(cells[i].x(), cells[i].y());
            QVERIFY(pItem && pItem->widget() == buttons.value(i));
        }
        QSignalSpy spy(&page, &cMainMenuPage::sigSwitchScreen);
        buttons[0]->click();
        buttons[0]->click();
        QCOMPARE(QList<QVariantList>(spy), (QList<QVariantList>{{1}, {1}}));
    }
};

QTEST_MAIN(tstMainMenu)
#include "test_mainmenu.moc"
