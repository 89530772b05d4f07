// Guards the page base: the volume/balance texts and visibility, and the font
// search that must stop.
#include "app/PageBase.h"

#include <QLabel>
#include <QtTest>

class tstPageBase final : public QObject {
    Q_OBJECT

private slots:
    // Guards against wrong volume/balance texts, or the label showing before it is asked to.
    void volumeBalanceLabel() {
        cPageBase page;
        page.show();
        page.SetBalance(-3, 7);
        QCOMPARE(page.VolBaLabel()->text(), QString("L : -3 / R : 7"));
        QVERIFY(!page.VolBaLabel()->isVisible());
        page.ShowVolBaLbl(true);
        QVERIFY(page.VolBaLabel()->isVisible());
        page.SetVolume(0);
        QCOMPARE(page.VolBaLabel()->text(), QString("Volume : 0"));
    }

    // Guards against the font search leaving an exact fit, or running unbounded on huge text.
    void fontSearch_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        QTest::newRow("exact fit") << "Volume" << 16 << 16;
        QTest::newRow("too large stops at one point") << QString(2000, QChar('W')) << 16 << 1;
        QTest::newRow("too large stops after 101 steps") << QString(2000, QChar('W')) << 200 << 99;
    }
    void fontSearch() {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, expected);
        QLabel label;
        // Exactly the box of "Volume" at 16 points.
        label.resize(
            QFontMetrics(QFont(QStringLiteral("DejaVu Sans"), 16))
                .boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft | Qt::TextWordWrap, "Volume")
                .size());
        label.setFont(QFont(QStringLiteral("DejaVu Sans"), start));
        QCOMPARE(cPageBase::GetFontSizeForLabel(text, &label), expected);
    }

    // Guards against a null label being dereferenced.
    void fontSearchNullLabel() { QCOMPARE(cPageBase::GetFontSizeForLabel("x", nullptr), -1); }
};

QTEST_MAIN(tstPageBase)
#include "test_pagebase.moc"
