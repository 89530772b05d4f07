// Guards the notification page: the background and icon chosen per level,
// the hidden back button and the latch that keeps a CRITICAL notification
// up, and the back button returning to the stored page.
#include "app/Notification.h"
#include "look/ButtonMain.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelMenu.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"

#include <QLabel>
#include <QtTest>

namespace {

constexpr QPoint kFreeCorner(3, 3);   // no child widget covers it
constexpr QPoint kFreeEdge(470, 150); // right of the message label
constexpr QPoint kIconCentre(35, 32); // centre of the 50 x 50 icon label at (10, 7)

bool Near(const QColor& actual, const QColor& expected, int tolerance = 8) {
    return qAbs(actual.red() - expected.red()) <= tolerance &&
           qAbs(actual.green() - expected.green()) <= tolerance &&
           qAbs(actual.blue() - expected.blue()) <= tolerance;
}

QImage Grab(QWidget& page) {
    return page.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Centre colour of an icon file as the 50 x 50 label shows it.
QColor IconCentre(const QString& path) {
    const QImage icon = QImage(path).scaled(50, 50).convertToFormat(QImage::Format_RGB32);
    return icon.pixelColor(25, 25);
}

QColor Background(const QString& name) {
    return name.isEmpty() ? QColor(Qt::black) : cSysColor::GetColor(name);
}

} // namespace

class cTestNotification final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void placeholder();
    void lookPerLevel_data();
    void lookPerLevel();
    void otherLevelKeepsBackground();
    void criticalLatch();
    void backReturnsToPreviousPage();
    void longTitleIsElided();
};

void cTestNotification::initTestCase() {
    cSysColor::Init();
    cButtonStyle::Init();
    cLabelStyle::Init();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QVERIFY2(QFile::exists(QStringLiteral("./Images/Info.png")),
             "run from the source root so the run-time images are found");
}

void cTestNotification::placeholder() {
    Notification page;
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("Notification Title"));
    QVERIFY(!page.IconLabel()->pixmap().isNull());
    QVERIFY(!page.BackButton()->isHidden());
    QCOMPARE(page.BackButton()->text(), QStringLiteral("Back"));
    QCOMPARE(page.PreviousPage(), 0);
    QVERIFY(Near(Grab(page).pixelColor(kFreeCorner), Qt::black));
}

void cTestNotification::lookPerLevel_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("colour"); // empty: still the black page
    QTest::addColumn<QString>("icon");   // empty: no icon
    QTest::addColumn<bool>("backHidden");
    QTest::newRow("info") << 20 << "BlueSky"
                          << "./Images/Info.png" << false;
    QTest::newRow("warning") << 30 << "Orange"
                             << "./Images/Warn.png" << false;
    QTest::newRow("error") << 40 << "Orange"
                           << "./Images/Warn.png" << false;
    QTest::newRow("critical") << 50 << "Red"
                              << "./Images/Critical.png" << true;
    QTest::newRow("between levels") << 25 << ""
                                    << "" << false;
    QTest::newRow("debug") << 10 << ""
                           << "" << false;
}

void cTestNotification::lookPerLevel() {
    QFETCH(int, level);
    QFETCH(QString, colour);
    QFETCH(QString, icon);
    QFETCH(bool, backHidden);
    Notification page;
    page.SetNotification(level, "T", "M", 1);
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("T"));
    QCOMPARE(page.MessageLabel()->text(), QStringLiteral("M"));
    QCOMPARE(page.PreviousPage(), 1);
    QCOMPARE(page.BackButton()->isHidden(), backHidden);
    QCOMPARE(page.IsCriticalLatched(), level == 50);

    const QImage image = Grab(page);
    const QColor expected = Background(colour);
    QVERIFY2(Near(image.pixelColor(kFreeCorner), expected),
             qPrintable(image.pixelColor(kFreeCorner).name()));
    QVERIFY(Near(image.pixelColor(kFreeEdge), expected));
    QCOMPARE(page.IconLabel()->pixmap().isNull(), icon.isEmpty());
    const QColor iconColour = icon.isEmpty() ? expected : IconCentre(icon);
    if (!icon.isEmpty()) // the sample must tell icon from page
        QVERIFY(!Near(iconColour, expected, 40));
    QVERIFY2(Near(image.pixelColor(kIconCentre), iconColour),
             qPrintable(image.pixelColor(kIconCentre).name()));
}

void cTestNotification::otherLevelKeepsBackground() {
    // An unlisted level changes the texts but must not repaint the page.
    Notification page;
    page.SetNotification(30, "first", "one", 1);
    page.SetNotification(25, "second", "two", 0);
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("second"));
    QCOMPARE(page.MessageLabel()->text(), QStringLiteral("two"));
    QVERIFY(page.IconLabel()->pixmap().isNull());
    QVERIFY(Near(Grab(page).pixelColor(kFreeCorner), cSysColor::GetColor("Orange")));
}

void cTestNotification::criticalLatch() {
    Notification page;
    page.SetNotification(50, "Fan failure", "Shut down now", 1);
    page.SetNotification(30, "Minor", "ignored", 0);
    page.SetNotification(20, "Info", "ignored", 0);
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("Fan failure"));
    QCOMPARE(page.PreviousPage(), 1);
    QVERIFY(page.BackButton()->isHidden());
    QVERIFY(Near(Grab(page).pixelColor(kFreeCorner), cSysColor::GetColor("Red")));

    page.SetNotification(50, "Over temperature", "Still critical", 0);
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("Over temperature"));
    QCOMPARE(page.MessageLabel()->text(), QStringLiteral("Still critical"));
    QCOMPARE(page.PreviousPage(), 0);
    QVERIFY(page.BackButton()->isHidden());
}

void cTestNotification::backReturnsToPreviousPage() {
    Notification page;
    QSignalSpy spy(&page, &cPageBase::sigExitToPage);
    page.SetNotification(40, "T", "M", 1);
    QTest::mouseClick(page.BackButton(), Qt::LeftButton);
    page.SetPreviousPage(0);
    QTest::mouseClick(page.BackButton(), Qt::LeftButton);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), 0);
}

void cTestNotification::longTitleIsElided() {
    Notification page;
    const QByteArray title(120, 'W');
    page.SetNotification(20, title.constData(), nullptr, 1);
    const QString shown = page.TitleLabel()->text();
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QVERIFY(shown.size() < title.size());
    QVERIFY(page.MessageLabel()->text().isEmpty());
}

QTEST_MAIN(cTestNotification)
#include "test_notification.moc"
