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

namespace {

Notification_s Record(int level, const char* pTitle) {
    Notification_s record{};
    record.level = level;
    std::snprintf(record.title, sizeof record.title, "%s", pTitle);
    std::snprintf(record.notifMsg, sizeof record.notifMsg, "%s body", pTitle);
    return record;
}

bool Activate(MainWindow& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

const char* const kFrontViewSettings =
    "{\"DecoderConfig\":{\"VisualiserView\":\"Front View\"},\"DDPlusConfig\":{"
    "\"CompressionMode\":\"Line\",\"CompressionCut\":0,\"CompressionBoost\":0},"
    "\"ED2Config\":{\"AudioPresentation\":0},\"IsDecModulePresent\":true,"
    "\"DecModuleStatus\":\"OK\"}";

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void builtFramelessWithThreePages();
    void exitToPage_data();
    void exitToPage();
    void pageSlotsAndMenu();
    void notificationLevelDecidesThePage();
    void secondNotificationKeepsTheReturnPage();
    void busMessagesReachTheWindow_data();
    void busMessagesReachTheWindow();

private:
    TestBusEnvironment mBus;
};

void TestMainWindow::initTestCase() {
    cSysColor::Init();
    cButtonStyle::Init();
    cLabelStyle::Init();
}

// Guards construction and start-up: geometry, frame, page order, the menu
// button, and the window left minimised on the visualiser.
void TestMainWindow::builtFramelessWithThreePages() {
    MainWindow window;
    QCOMPARE(window.geometry(), QRect(0, 0, 472, 266));
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    const QList<QWidget*> pages{window.MainMenuPage(), window.VisualiserPage(),
                                window.NotificationPage()};
    for (int i = 0; i < pages.size(); ++i)
        QCOMPARE(window.PageStack()->widget(i), pages.at(i));
    QCOMPARE(window.PageStack()->count(), 3);
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

// Guards connection 1 and the page slots: the menu button reaches the stack,
// sltMainPage minimises onto the visualiser, sltShowNotification remembers
// where it came from.
void TestMainWindow::pageSlotsAndMenu() {
    MainWindow window;
    window.ConnectSignals();
    window.show();
    window.sltSwitchPage(0);
    QPushButton* pButton = nullptr;
    for (QPushButton* b : window.MainMenuPage()->findChildren<QPushButton*>())
        pButton = b->text() == QLatin1String("Dolby Visualiser") ? b : pButton;
    QVERIFY(pButton);
    pButton->click();
    QCOMPARE(window.PageStack()->currentIndex(), 1);

    window.sltMaximizeApp();
    window.sltSwitchPage(0);
    window.sltMainPage();
    QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
    QCOMPARE(window.PageStack()->currentIndex(), 1);

    window.sltSwitchPage(0);
    window.sltShowNotification();
    QCOMPARE(window.PageStack()->currentIndex(), 2);
    QCOMPARE(window.NotificationPage()->PreviousPage(), 0);
}

// An inactive window ignores records; an active one shows only 30 and above.
void TestMainWindow::notificationLevelDecidesThePage() {
    MainWindow window;
    Notification_s critical = Record(50, "Critical");
    window.show(); // shown but not yet active
    window.sltSetShowNotification(&critical);
    QVERIFY(!window.NotificationPage()->IsCriticalLatched());

    QVERIFY(Activate(window));
    window.sltSetShowNotification(nullptr);
    Notification_s info = Record(20, "Info");
    window.sltSetShowNotification(&info);
    QCOMPARE(window.PageStack()->currentIndex(), 1); // updated, not shown
    QCOMPARE(window.NotificationPage()->PreviousPage(), 1);
    window.sltSetShowNotification(&critical);
    QCOMPARE(window.PageStack()->currentIndex(), 2);
    QVERIFY(window.NotificationPage()->IsCriticalLatched());
}

// Two warnings in a row: leaving the page returns to where the first came from.
void TestMainWindow::secondNotificationKeepsTheReturnPage() {
    MainWindow window;
    QVERIFY(Activate(window));
    window.sltSwitchPage(0);
    Notification_s first = Record(30, "First");
    Notification_s second = Record(30, "Second");
    window.sltSetShowNotification(&first);
    window.sltSetShowNotification(&second);
    QCOMPARE(window.NotificationPage()->PreviousPage(), 0);
    window.NotificationPage()->BackButton()->click();
    QCOMPARE(window.PageStack()->currentIndex(), 0);
}

void TestMainWindow::busMessagesReachTheWindow_data() {
    QTest::addColumn<QByteArray>("socket");
    QTest::addColumn<QByteArray>("topic");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("frontView"); // else: the window minimises
    QTest::newRow("peer view") << QByteArray("DoRiduyPub.ipc") << QByteArray("FpSetDolbyVisualView")
                               << QByteArray("{\"VisualiserView\":\"Front View\"}") << true;
    QTest::newRow("decoder settings")
        << QByteArray("appServer.ipc") << QByteArray("AppDolbyDecoderSettings")
        << QByteArray(kFrontViewSettings) << true;
    QTest::newRow("system update")
        << QByteArray("hbMonPubMq.ipc") << QByteArray("SiSystemUpdate")
        << QByteArray("{\"Message\":\"Ready\",\"AvailablePackages\":[]}") << false;
}

// Guards connections 6 to 8 end to end over real sockets; the view change
// must show in the drawing (the front view's inner wall is purple).
void TestMainWindow::busMessagesReachTheWindow() {
    QFETCH(QByteArray, socket);
    QFETCH(QByteArray, topic);
    QFETCH(QByteArray, payload);
    QFETCH(bool, frontView);
    ZsockPtr publisher = BindSocket(ZMQ_PUB, mBus.Ipc(socket.constData()));
    QVERIFY(publisher);
    MainWindow window;
    window.Init();
    window.show();
    window.sltMaximizeApp();
    cPageDolbyVisualiser* pPage = window.VisualiserPage();
    const QPoint innerWall(140, 82);
    QVERIFY(PixelProbe::At(PixelProbe::Grab(*pPage), innerWall, Qt::black));
    const auto arrived = [&] {
        return frontView ? pPage->View() == 0 : window.windowState().testFlag(Qt::WindowMinimized);
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        (SendTopic(publisher.get(), topic.constData(), payload.constData()), arrived()), 10000);
    if (frontView)
        QVERIFY(PixelProbe::At(PixelProbe::Grab(*pPage), innerWall, QColor(92, 8, 99)));
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
