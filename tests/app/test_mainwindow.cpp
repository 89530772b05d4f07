// The window and its pages: page order and switching, the notification page's
// look and latch, the main menu grid, the page base's texts; pictures of the
// panel and where they go. Bus messages reaching the window, and what the
// display makes of them: test_processes.
#include "app/MainWindow.h"
#include "app/Notification.h"
#include "app/PageBase.h"
#include "app/PageMainMenu.h"
#include "app/PanelShots.h"
#include "app/SignalRelay.h"
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

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTimeZone>

#include <csignal>
#include <unistd.h>

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

const QDateTime kNoon(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);

QStringList Pictures(const QString& directory) {
    return QDir(directory).entryList({"panel-*"}, QDir::Files | QDir::System, QDir::Name);
}

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

    void shotNamesSortAsWritten_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("surplus"); // with two kept
        QTest::newRow("clock stepped back an hour")
            << QStringList{"panel-000007-20261206T101010.123Z.png",
                           "panel-000008-20261206T101011.000Z.png",
                           "panel-000009-20261206T091012.000Z.png"}
            << QStringList{"panel-000007-20261206T101010.123Z.png"};
        QTest::newRow("other names are not pictures")
            << QStringList{"panel-20261206T101010.123Z.png",
                           ".panel-000001-20261206T101010.000Z.png.0badf00d.part",
                           "panel-000001-20261206T101010.000Z.png",
                           "panel-000002-20261206T101011.000Z.png",
                           "panel-000003-20261206T101012.000Z.png"}
            << QStringList{"panel-000001-20261206T101010.000Z.png"};
    }
    // Pictures pruned by the wall clock: a clock stepped back had each new picture removed at once.
    void shotNamesSortAsWritten() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, surplus);
        QCOMPARE(cPanelShots::Surplus(names, 2), surplus);
        const QDateTime anHourEast(QDate(2026, 12, 6), QTime(11, 10, 10, 123), QTimeZone(3600));
        const QString name = cPanelShots::FileName(42, anHourEast);
        QCOMPARE(name, QStringLiteral("panel-000042-20261206T101010.123Z.png"));
        QCOMPARE(cPanelShots::Sequence(name), qint64(42));
    }

    // A link planted at the next name written through, or a restart counting from 1 again.
    void shotsCountOnAndReplaceLinks() {
        QTemporaryDir dir;
        QFile target(dir.filePath("target"));
        QVERIFY(target.open(QIODevice::WriteOnly) && target.write("keep") == 4);
        target.close();
        const QString shots = dir.filePath("shots");
        QVERIFY(QDir().mkdir(shots));
        QFile(target.fileName()).copy(shots + "/panel-000041-20261206T110000.000Z.png");
        QVERIFY(QFile::link(target.fileName(), shots + "/" + cPanelShots::FileName(42, kNoon)));
        QWidget widget;
        widget.resize(40, 30);
        cPanelShots panel(&widget, shots);
        QCOMPARE(panel.Take(kNoon), shots + "/" + cPanelShots::FileName(42, kNoon));
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), QByteArray("keep"));
        QCOMPARE(QImage(shots + "/" + cPanelShots::FileName(42, kNoon)).size(), QSize(40, 30));
        QCOMPARE(QDir(shots).entryList(QDir::Hidden | QDir::Files).size(), 2); // no part file left
    }

    void shotDirectoryRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("symbolic link") << "link" << QByteArray("it is a symbolic link");
        QTest::newRow("another user's") << "foreign" << QByteArray("it belongs to user ");
        QTest::newRow("a file") << "file" << QByteArray("it is not a directory");
    }
    // Pictures written into a directory that another user reads, or that a link redirects.
    void shotDirectoryRefused() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, reason);
        QTemporaryDir dir;
        const QString real = dir.filePath("real");
        QString shots = dir.filePath("shots");
        QVERIFY(QDir().mkdir(real));
        if (kind == "link")
            QVERIFY(QFile::link(real, shots));
        else if (kind == "file")
            QVERIFY(QFile(shots).open(QIODevice::WriteOnly));
        else if (geteuid() == 0)
            QVERIFY(QDir().mkdir(shots) && chown(qPrintable(shots), 65534, 65534) == 0);
        else
            shots = "/"; // root's, not ours
        QWidget widget;
        widget.resize(40, 30);
        cPanelShots panel(&widget, shots);
        ConsoleCapture console;
        QVERIFY(panel.Take().isEmpty());
        QVERIFY2(console.Text().contains("KELD_ERROR : Screenshot directory " + shots.toUtf8() +
                                         " refused: " + reason),
                 console.Text().constData());
        QVERIFY(QDir(real).isEmpty() && (shots == "/" || Pictures(shots).isEmpty()));
    }

    // A picture per SIGUSR1 of a burst, each holding the GUI thread: signals already
    // waiting when a picture is taken must share it, and a later burst gets one more.
    void signalBurstMakesOnePicture() {
        QTemporaryDir dir;
        QWidget widget;
        widget.resize(40, 30);
        cPanelShots panel(&widget, dir.path());
        cSignalRelay relay;
        QVERIFY(relay.Watch(SIGUSR1));
        QObject::connect(&relay, &cSignalRelay::sigSignal, &relay, [&panel] { panel.Request(); });
        for (const int pictures : {1, 2}) {
            for (int i = 0; i < 100; ++i)
                raise(SIGUSR1);
            QTRY_COMPARE(Pictures(dir.path()).size(), pictures);
            QTest::qWait(3 * cPanelShots::kSpacingMs);
            QCOMPARE(Pictures(dir.path()).size(), pictures);
        }
    }

private:
    TestBusEnvironment mBus;
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
