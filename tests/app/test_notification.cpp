// Guards the notification page: the background and icon chosen per level,
// the hidden back button and the latch that keeps a CRITICAL notification up.
#include "app/Notification.h"
#include "look/ButtonMain.h"
#include "look/LabelMenu.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "support/PixelProbe.h"

#include <QLabel>
#include <QtTest>

namespace {
constexpr QPoint kFreeCorner(3, 3);   // no child widget covers it
constexpr QPoint kIconCentre(35, 32); // centre of the 50 x 50 icon label at (10, 7)

bool Shows(Notification& page, QPoint at, const QColor& colour) {
    return PixelProbe::At(PixelProbe::Grab(page), at, colour);
}
} // namespace

class cTestNotification final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void lookPerLevel_data();
    void lookPerLevel();
    void criticalLatch();
};

void cTestNotification::initTestCase() {
    cSysColor::Init();
    cLabelStyle::Init();
}

void cTestNotification::lookPerLevel_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<bool>("backHidden");
    QTest::addColumn<QString>("icon");
    QTest::newRow("info") << 20 << "BlueSky" << false << "./Images/Info.png";
    QTest::newRow("warning") << 30 << "Orange" << false << "./Images/Warn.png";
    QTest::newRow("error") << 40 << "Orange" << false << "./Images/Warn.png";
    QTest::newRow("critical") << 50 << "Red" << true << "./Images/Critical.png";
}

void cTestNotification::lookPerLevel() {
    // A level shown in the wrong colour or icon, or a critical one that can be left.
    QFETCH(int, level);
    QFETCH(QString, colour);
    QFETCH(QString, icon);
    Notification page;
    page.SetNotification(level, "T", "M", 1);
    QTEST(page.BackButton()->isHidden(), "backHidden");
    QVERIFY(Shows(page, kFreeCorner, cSysColor::GetColor(colour)));
    // The icon's own centre, as the 50 x 50 label shows it.
    QVERIFY(Shows(page, kIconCentre, QImage(icon).scaled(50, 50).pixelColor(25, 25)));
}

void cTestNotification::criticalLatch() {
    // A lesser notification must not replace a CRITICAL one; the next CRITICAL one must.
    Notification page;
    page.SetNotification(30, "first", "one", 1);
    page.SetNotification(25, "second", "two", 1); // no look of its own: keeps the orange
    QVERIFY(page.IconLabel()->pixmap().isNull());
    QVERIFY(Shows(page, kFreeCorner, cSysColor::GetColor("Orange")));
    page.SetNotification(50, "Fan failure", "Shut down now", 1);
    page.SetNotification(30, "Minor", "ignored", 0);
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("Fan failure"));
    QCOMPARE(page.PreviousPage(), 1);
    QVERIFY(Shows(page, kFreeCorner, cSysColor::GetColor("Red")));
    page.SetNotification(50, "Over temperature", "Still critical", 0);
    QCOMPARE(page.TitleLabel()->text(), QStringLiteral("Over temperature"));
    QCOMPARE(page.MessageLabel()->text(), QStringLiteral("Still critical"));
    QCOMPARE(page.PreviousPage(), 0);
}

QTEST_MAIN(cTestNotification)
#include "test_notification.moc"
