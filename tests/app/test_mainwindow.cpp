#include "BusEndpoints.h"
#include "app/MainWindow.h"
#include "app/Notification.h"
#include "app/PageMainMenu.h"
#include "look/ButtonMain.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "messages/JsonParseNotifMessages.h"
#include "support/PixelProbe.h"
#include "support/TestBus.h"
#include "visualiser/PageDolbyVisualiser.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <cstring>

namespace {

Notification_s Record(int level, const char* pTitle) {
    Notification_s record{};
    record.level = level;
    std::snprintf(record.title, sizeof record.title, "%s", pTitle);
    std::snprintf(record.notifMsg, sizeof record.notifMsg, "%s body", pTitle);
    return record;
}

// Any pixel of the room's inner rectangle that no marker or screen covers.
const QPoint kInnerProbe(140, 82);

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void builtFramelessWithThreePages();
    void initLeavesItMinimisedOnTheVisualiser();
    void exitToPage_data();
    void exitToPage();
    void mainPageMinimisesAndShowsTheVisualiser();
    void menuButtonSwitchesPage();
    void notificationsNeedAnActiveWindow();
    void notificationLevelDecidesThePage();
    void secondNotificationKeepsTheReturnPage();
    void showNotificationRemembersTheCurrentPage();
    void showMetersMinimisesWithoutDual();
    void peerViewChangesTheDrawing();
    void decoderSettingsSetTheView();
    void systemUpdateMessageMinimises();

private:
    TestBusEnvironment mBus;
};

void TestMainWindow::initTestCase() {
    cSysColor::Init();
    cButtonStyle::Init();
    cLabelStyle::Init();
}

void TestMainWindow::builtFramelessWithThreePages() {
    MainWindow window;
    QCOMPARE(window.geometry(), QRect(0, 0, 472, 266));
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window.PageStack()->count(), 3);
    QCOMPARE(window.PageStack()->widget(0), static_cast<QWidget*>(window.MainMenuPage()));
    QCOMPARE(window.PageStack()->widget(1), static_cast<QWidget*>(window.VisualiserPage()));
    QCOMPARE(window.PageStack()->widget(2), static_cast<QWidget*>(window.NotificationPage()));
    QCOMPARE(window.PageStack()->currentIndex(), 1);
    const auto buttons = window.MainMenuPage()->findChildren<QPushButton*>();
    QStringList captions;
    for (const QPushButton* b : buttons)
        captions << b->text();
    QVERIFY2(captions.contains(QStringLiteral("Dolby Visualiser")), qPrintable(captions.join(',')));
    QVERIFY(!window.IsDual());
}

void TestMainWindow::initLeavesItMinimisedOnTheVisualiser() {
    MainWindow window;
    window.Init();
    window.show();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
    QCOMPARE(window.PageStack()->currentIndex(), 1);
}

void TestMainWindow::exitToPage_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("current");
    QTest::addColumn<QByteArray>("console");
    QTest::newRow("notification page") << 2 << 2 << QByteArray();
    QTest::newRow("main menu") << 0 << 0 << QByteArray();
    QTest::newRow("past the last page")
        << 3 << 0 << QByteArray("KELD_ERROR : sltExitToPage got an invalid page index: 3\n");
    QTest::newRow("negative names no page") << -1 << 1 << QByteArray();
}

void TestMainWindow::exitToPage() {
    QFETCH(int, index);
    QFETCH(int, current);
    QFETCH(QByteArray, console);
    MainWindow window;
    ConsoleCapture out(1);
    window.sltExitToPage(index);
    QCOMPARE(out.Text(), console);
    QCOMPARE(window.PageStack()->currentIndex(), current);
}

void TestMainWindow::mainPageMinimisesAndShowsTheVisualiser() {
    MainWindow window;
    window.show();
    window.sltMaximizeApp();
    window.sltSwitchPage(0);
    window.sltMainPage();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
    QCOMPARE(window.PageStack()->currentIndex(), 1);
}

// Guards connection 1: a menu button press reaches the page stack.
void TestMainWindow::menuButtonSwitchesPage() {
    MainWindow window;
    window.ConnectSignals();
    window.sltSwitchPage(0);
    const auto buttons = window.MainMenuPage()->findChildren<QPushButton*>();
    QPushButton* pButton = nullptr;
    for (QPushButton* b : buttons)
        if (b->text() == QLatin1String("Dolby Visualiser"))
            pButton = b;
    QVERIFY(pButton);
    pButton->click();
    QCOMPARE(window.PageStack()->currentIndex(), 1);
}

void TestMainWindow::notificationsNeedAnActiveWindow() {
    MainWindow window;
    window.show(); // shown but never activated
    Notification_s record = Record(50, "Ignored");
    window.sltSetShowNotification(&record);
    QCOMPARE(window.PageStack()->currentIndex(), 1);
    QVERIFY(!window.NotificationPage()->IsCriticalLatched());
}

void TestMainWindow::notificationLevelDecidesThePage() {
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    window.sltSetShowNotification(nullptr);
    QCOMPARE(window.PageStack()->currentIndex(), 1);

    Notification_s info = Record(20, "Info");
    window.sltSetShowNotification(&info);
    QCOMPARE(window.PageStack()->currentIndex(), 1); // updated, not shown
    QCOMPARE(window.NotificationPage()->PreviousPage(), 1);

    Notification_s critical = Record(50, "Critical");
    window.sltSetShowNotification(&critical);
    QCOMPARE(window.PageStack()->currentIndex(), 2);
    QVERIFY(window.NotificationPage()->IsCriticalLatched());
}

// Two warnings in a row: leaving the page returns to where the first came from.
void TestMainWindow::secondNotificationKeepsTheReturnPage() {
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.sltSwitchPage(0);
    Notification_s first = Record(30, "First");
    Notification_s second = Record(30, "Second");
    window.sltSetShowNotification(&first);
    window.sltSetShowNotification(&second);
    QCOMPARE(window.PageStack()->currentIndex(), 2);
    QCOMPARE(window.NotificationPage()->PreviousPage(), 0);
    window.NotificationPage()->BackButton()->click();
    QCOMPARE(window.PageStack()->currentIndex(), 0);
}

void TestMainWindow::showNotificationRemembersTheCurrentPage() {
    MainWindow window;
    window.sltSwitchPage(0);
    window.sltShowNotification();
    QCOMPARE(window.PageStack()->currentIndex(), 2);
    QCOMPARE(window.NotificationPage()->PreviousPage(), 0);
}

void TestMainWindow::showMetersMinimisesWithoutDual() {
    MainWindow window;
    window.show();
    window.sltMaximizeApp();
    window.sltShowMeters();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
}

// Guards connection 7 end to end: the peer's view request reaches the drawing.
void TestMainWindow::peerViewChangesTheDrawing() {
    ZsockPtr peer = BindSocket(ZMQ_PUB, mBus.Ipc("DoRiduyPub.ipc"));
    QVERIFY(peer);
    MainWindow window;
    window.Init();
    window.sltSwitchPage(1);
    cPageDolbyVisualiser* pPage = window.VisualiserPage();
    QVERIFY(PixelProbe::At(PixelProbe::Grab(*pPage), kInnerProbe, Qt::black));
    QTRY_VERIFY_WITH_TIMEOUT(
        (SendTopic(peer.get(), "FpSetDolbyVisualView", "{\"VisualiserView\":\"Front View\"}"),
         pPage->View() == 0),
        10000);
    QVERIFY(PixelProbe::At(PixelProbe::Grab(*pPage), kInnerProbe, QColor(92, 8, 99)));
}

void TestMainWindow::decoderSettingsSetTheView() {
    ZsockPtr server = BindSocket(ZMQ_PUB, mBus.Ipc("appServer.ipc"));
    QVERIFY(server);
    MainWindow window;
    window.Init();
    const char* pSettings =
        "{\"DecoderConfig\":{\"VisualiserView\":\"Front View\"},\"DDPlusConfig\":{"
        "\"CompressionMode\":\"Line\",\"CompressionCut\":0,\"CompressionBoost\":0},"
        "\"ED2Config\":{\"AudioPresentation\":0},\"IsDecModulePresent\":true,"
        "\"DecModuleStatus\":\"OK\"}";
    QTRY_VERIFY_WITH_TIMEOUT((SendTopic(server.get(), "AppDolbyDecoderSettings", pSettings),
                              window.VisualiserPage()->View() == 0),
                             10000);
}

void TestMainWindow::systemUpdateMessageMinimises() {
    ZsockPtr monitor = BindSocket(ZMQ_PUB, mBus.Ipc("hbMonPubMq.ipc"));
    QVERIFY(monitor);
    MainWindow window;
    window.Init();
    window.show();
    window.sltMaximizeApp();
    QTRY_VERIFY_WITH_TIMEOUT((SendTopic(monitor.get(), "SiSystemUpdate",
                                        "{\"Message\":\"Update ready\",\"AvailablePackages\":[]}"),
                              window.windowState().testFlag(Qt::WindowMinimized)),
                             10000);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
