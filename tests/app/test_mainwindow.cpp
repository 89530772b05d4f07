// The window and its pages: page order and switching, the notification page's
// look and latch, the main menu grid, the page base's texts. Bus messages
// reaching the window, and what the display makes of them: test_processes.
#include "app/MainWindow.h"
#include "app/Notification.h"
#include "app/PageBase.h"
#include "app/PageMainMenu.h"
#include "look/ButtonMain.h"
#include "look/ButtonStyled.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelMenu.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TestBus.h"
#include "visualiser/PageDolbyVisualiser.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

namespace {

Notification_s Record(int level, const char* pTitle) {
    Notification_s record{};
    record.level = level;
    std::snprintf(record.title, sizeof record.title, "%s", pTitle);
    return record;
}

bool Shows(QWidget& page, QPoint at, const QColor& colour) {
    return PixelProbe::At(PixelProbe::Grab(page), at, colour);
}

constexpr QPoint kFreeCorner(3, 3); // no child widget of the notification page covers it

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        cButtonStyle::Init();
        cLabelStyle::Init();
    }

    // Pages out of order, or start-up not on the visualiser. (Geometry, frame and the
    // minimised start as a window manager sees them: test_processes.)
    void builtWithThreePages() {
        MainWindow window;
        QCOMPARE(window.PageStack()->count(), 3);
        QCOMPARE(window.PageStack()->widget(0), window.MainMenuPage());
        QCOMPARE(window.PageStack()->widget(1), window.VisualiserPage());
        QCOMPARE(window.PageStack()->widget(2), window.NotificationPage());
        window.Init();
        QCOMPARE(window.PageStack()->currentIndex(), 1);
    }

    // A bad page index switching anyway or going unreported.
    void exitToPage() {
        MainWindow window;
        ConsoleCapture out(1);
        window.sltExitToPage(-1); // names no page
        QCOMPARE(window.PageStack()->currentIndex(), 1);
        window.sltExitToPage(2);
        QCOMPARE(window.PageStack()->currentIndex(), 2);
        window.sltExitToPage(3);
        QCOMPARE(out.Text(),
                 QByteArray("KELD_ERROR : sltExitToPage got an invalid page index: 3\n"));
        QCOMPARE(window.PageStack()->currentIndex(), 0);
    }

    // The menu button not reaching the stack, or sltMainPage not minimising onto the visualiser.
    void pageSlotsAndMenu() {
        MainWindow window;
        window.ConnectSignals();
        window.show();
        window.sltSwitchPage(0);
        for (QPushButton* pButton : window.MainMenuPage()->findChildren<QPushButton*>())
            if (pButton->text() == QLatin1String("Dolby Visualiser"))
                pButton->click();
        QCOMPARE(window.PageStack()->currentIndex(), 1);
        window.sltMaximizeApp();
        window.sltSwitchPage(0);
        window.sltMainPage();
        QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
        QCOMPARE(window.PageStack()->currentIndex(), 1);
    }

    // An inactive window showing records, a level below 30 shown, or a second warning
    // overwriting the page to return to.
    void notificationLevelDecidesThePage() {
        MainWindow window;
        Notification_s critical = Record(50, "Critical"), info = Record(20, "Info");
        Notification_s warning = Record(30, "Warning");
        window.show(); // shown but not yet active
        window.sltSetShowNotification(&critical);
        QVERIFY(!window.NotificationPage()->IsCriticalLatched());
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.sltSetShowNotification(nullptr);
        window.sltSwitchPage(0);
        window.sltSetShowNotification(&info);
        QCOMPARE(window.PageStack()->currentIndex(), 0); // updated, not shown
        window.sltSetShowNotification(&warning);
        window.sltSetShowNotification(&warning);
        QCOMPARE(window.NotificationPage()->PreviousPage(), 0);
        window.sltSetShowNotification(&critical);
        QVERIFY(window.NotificationPage()->IsCriticalLatched());
        window.NotificationPage()->BackButton()->click();
        QCOMPARE(window.PageStack()->currentIndex(), 0);
    }

    // A level shown in the wrong colour or icon, or a critical one that can be left.
    void notificationLook() {
        const std::tuple<int, const char*, const char*> looks[] = {
            {20, "BlueSky", "Info"}, {30, "Orange", "Warn"}, {50, "Red", "Critical"}};
        for (const auto& [level, pColour, pIcon] : looks) {
            Notification page;
            page.SetNotification(level, "T", "M", 1);
            QCOMPARE(page.BackButton()->isHidden(), level == 50);
            QVERIFY2(Shows(page, kFreeCorner, cSysColor::GetColor(pColour)), pColour);
            // The centre of the 50 x 50 icon label at (10, 7).
            const QImage icon(QStringLiteral("./Images/%1.png").arg(pIcon));
            QVERIFY2(Shows(page, {35, 32}, icon.scaled(50, 50).pixelColor(25, 25)), pIcon);
        }
    }

    // A lesser notification replacing a CRITICAL one, or the next CRITICAL one not.
    void criticalLatch() {
        Notification page;
        page.SetNotification(30, "first", "one", 1);
        page.SetNotification(25, "second", "two", 1); // no look of its own: keeps the orange
        QVERIFY(page.IconLabel()->pixmap().isNull());
        QVERIFY(Shows(page, kFreeCorner, cSysColor::GetColor("Orange")));
        page.SetNotification(50, "Fan failure", "Shut down now", 1);
        page.SetNotification(30, "Minor", "ignored", 0);
        QCOMPARE(page.TitleLabel()->text(), QStringLiteral("Fan failure"));
        QCOMPARE(page.PreviousPage(), 1);
        page.SetNotification(50, "Over temperature", "Still critical", 0);
        QCOMPARE(page.MessageLabel()->text(), QStringLiteral("Still critical"));
        QCOMPARE(page.PreviousPage(), 0);
    }

    // Menu buttons off the row-by-row two-column grid, or a doubled or wrong index.
    void mainMenuGrid() {
        cMainMenuPage page;
        for (const int i : {1, 2, 3})
            page.AddButton("Button", i, nullptr);
        page.ConnectSignals(); // a second call must not double the signal
        const QList<cButtonStyled*> buttons = page.findChildren<cButtonStyled*>();
        QCOMPARE(page.Layout()->itemAtPosition(0, 1)->widget(), buttons.value(1));
        QCOMPARE(page.Layout()->itemAtPosition(1, 0)->widget(), buttons.value(2));
        QSignalSpy spy(&page, &cMainMenuPage::sigSwitchScreen);
        buttons[0]->click();
        QCOMPARE(QList<QVariantList>(spy), (QList<QVariantList>{{1}}));
    }

private:
    TestBusEnvironment mBus;
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
