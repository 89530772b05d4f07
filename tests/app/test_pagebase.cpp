// Guards the page base: the volume/balance texts and visibility, the
// notification button's wiring, and the font search that must stop.
#include "app/PageBase.h"
#include "look/ButtonStylesheets.h"
#include "look/SystemColor.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

class cCountingPage final : public cPageBase {
public:
    using cPageBase::cPageBase;
    void sltShowNotification() override { ++miCalls; }
    int miCalls = 0;
};

const QString kFamily = QStringLiteral("DejaVu Sans");

QRect Box(int iPoints, const QSize& size, const QString& sText) {
    return QFontMetrics(QFont(kFamily, iPoints))
        .boundingRect(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::TextWordWrap, sText);
}

} // namespace

class tstPageBase final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        cButtonStyle::Init();
        QApplication::setFont(QFont(kFamily, 10));
    }

    void blackPage() {
        cPageBase page;
        QCOMPARE(page.geometry(), QRect(0, 0, 478, 270));
        QVERIFY(page.autoFillBackground());
        const QImage image = page.grab().toImage();
        QCOMPARE(image.pixelColor(200, 150), QColor(Qt::black));
    }

    void volumeBalanceText_data() {
        QTest::addColumn<int>("kind"); // 0 volume, 1 balance
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text");
        QTest::newRow("balance with minus sign") << 1 << -3 << 7 << "L : -3 / R : 7";
        QTest::newRow("volume zero") << 0 << 0 << 0 << "Volume : 0";
        QTest::newRow("volume negative") << 0 << -12 << 0 << "Volume : -12";
    }
    void volumeBalanceText() {
        QFETCH(int, kind);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, text);
        cPageBase page;
        page.show();
        if (kind == 0)
            page.SetVolume(first);
        else
            page.SetBalance(first, second);
        QCOMPARE(page.VolBaLabel()->text(), text);
        QVERIFY(!page.VolBaLabel()->isVisible());
        page.ShowVolBaLbl(true);
        QVERIFY(page.VolBaLabel()->isVisible());
        page.ShowVolBaLbl(false);
        QVERIFY(!page.VolBaLabel()->isVisible());
    }

    void volumeLabelLook() {
        cPageBase page;
        QLabel* pLabel = page.VolBaLabel();
        QCOMPARE(pLabel->geometry(), QRect(148, 10, 198, 30));
        QCOMPARE(pLabel->font().pointSize(), 16);
        QCOMPARE(pLabel->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(pLabel->styleSheet(), cButtonStyle::Get("Gray"));
        QVERIFY(pLabel->text().isEmpty());
    }

    void notificationButtonCallsSlot() {
        cCountingPage page;
        QPushButton* pButton = page.NotificationButton();
        QVERIFY(pButton->isHidden());
        QCOMPARE(pButton->geometry(), QRect(430, 220, 52, 44));
        QCOMPARE(pButton->iconSize(), QSize(52, 44));
        QVERIFY(!pButton->icon().isNull()); // ./Images/notification.png found
        pButton->click();
        QCOMPARE(page.miCalls, 1);
    }

    void notificationSignalCarriesPointer() {
        cPageBase page;
        QSignalSpy spy(&page, &cPageBase::sigSetShowNotification);
        QVERIFY(spy.isValid());
        auto* pRecord = reinterpret_cast<Notification_s*>(&page);
        emit page.sigSetShowNotification(pRecord);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<Notification_s*>(), pRecord);
    }

    void fontFitExact() {
        QLabel label;
        label.setFont(QFont(kFamily, 16));
        const QString text = QStringLiteral("Volume");
        label.resize(Box(16, QSize(1000, 1000), text).size());
        QCOMPARE(Box(16, label.size(), text).size(), label.size());
        QCOMPARE(cPageBase::GetFontSizeForLabel(text, &label), 16);
    }

    void fontFitConvergesFromEitherSide_data() {
        QTest::addColumn<int>("start");
        QTest::newRow("grows from small") << 6;
        QTest::newRow("shrinks from large") << 40;
    }
    void fontFitConvergesFromEitherSide() {
        QFETCH(int, start);
        QLabel label;
        label.resize(198, 30);
        label.setFont(QFont(kFamily, start));
        const QString text = QStringLiteral("L : -3 / R : 7");
        const int size = cPageBase::GetFontSizeForLabel(text, &label);
        // The largest size at which the label is still wider and taller.
        const QRect fit = Box(size, label.size(), text);
        QVERIFY(fit.width() < 198 && fit.height() < 30);
        const QRect over = Box(size + 1, label.size(), text);
        QVERIFY(over.width() >= 198 || over.height() >= 30);
        QCOMPARE(label.font().pointSize(), start); // the label is left alone
    }

    void fontFitTooLargeIsBounded() {
        QLabel label;
        label.resize(198, 30);
        label.setFont(QFont(kFamily, 16));
        const int size = cPageBase::GetFontSizeForLabel(QString(2000, QChar('W')), &label);
        QVERIFY(size >= 1 && size >= 16 - 101);
        QVERIFY(size < 16);
    }

    void fontFitNullLabel() { QCOMPARE(cPageBase::GetFontSizeForLabel("x", nullptr), -1); }
};

QTEST_MAIN(tstPageBase)
#include "test_pagebase.moc"
