// Guards the visualiser drawing: the room's geometry for both views, the
// projection of markers and what an area draws with and without lists.
#include "support/PixelProbe.h"

#include "visualiser/RenderArea.h"

#include <QApplication>
#include <QtTest>

const QColor kBed(127, 0, 255);
const QColor kObject(255, 0, 0);

class tstRenderArea final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"))); }

    // Guards against the inner rectangle or the depth rings drifting from the views' factors.
    void roomGeometry_data() {
        QTest::addColumn<float>("inner");
        QTest::addColumn<float>("ring");
        QTest::addColumn<QRect>("innerRect");
        QTest::addColumn<QSize>("outerRing");
        QTest::newRow("top view") << 0.7f << 1.037f << QRect(91, 52, 290, 163) << QSize(417, 234);
        QTest::newRow("front view") << 0.5f << 1.07f << QRect(133, 75, 207, 117) << QSize(407, 230);
    }
    void roomGeometry() {
        QFETCH(float, inner);
        QFETCH(float, ring);
        QFETCH(QRect, innerRect);
        QFETCH(QSize, outerRing);
        RenderArea area;
        area.SetScalingFactor(inner, ring);
        QCOMPARE(area.InnerRectangle(), innerRect);
        const QSizeF off =
            RoomGeometry::RingRect(innerRect, ring, RoomGeometry::kRingCount - 1).size() -
            outerRing;
        QVERIFY(qAbs(off.width()) <= 1 && qAbs(off.height()) <= 1);
    }

    // Guards against a bad caption or room, misplaced, hollow or z = 0 markers, numbering from 0.
    void drawing() {
        RenderArea area;
        area.SetScreenPoints(nullptr, Qt::black, QStringLiteral("Top View"));
        area.SetPresentationName(QStringLiteral("Main"));
        QCOMPARE(area.Caption(), QStringLiteral("Top View : Main "));
        QImage image = PixelProbe::Grab(area);
        QVERIFY(PixelProbe::At(image, QPointF(3, 133), Qt::black));
        QCOMPARE(PixelProbe::Count(image, QRect(0, 0, 472, 240), kBed), 0);
        QVERIFY(PixelProbe::Count(image, QRect(0, 0, 472, 240), Qt::gray, 20) > 200);
        QVERIFY(PixelProbe::Count(image, QRect(106, 244, 260, 22), Qt::yellow) > 20);

        QList<QVector3D> beds{{-1, -1, 1}, {1, 1, 0}};
        QList<QVector3D> objects{{1, 1, 1}, {0, 0, 1}};
        area.SetBedObjectList(&beds, nullptr);
        area.SetDynamicObjectList(&objects);
        image = PixelProbe::Grab(area);
        // Without a name the square's centre is filled too.
        QVERIFY(PixelProbe::At(image, QPointF(28.5, 16), kBed));
        QVERIFY(PixelProbe::At(image, QPointF(28.5 + 11, 16 + 11), kBed));
        QVERIFY(PixelProbe::At(image, QPointF(443.5, 250 - 11), kObject));
        QVERIFY(PixelProbe::At(image, QPointF(236, 133 - 11), kObject));
        // Object 1 carries a black "1" at its centre.
        QVERIFY(PixelProbe::Count(image, QRect(437, 244, 13, 13), Qt::black) > 3);
        // The z = 0 bed is nowhere.
        QCOMPARE(PixelProbe::Count(image, QRect(200, 100, 72, 66), kBed), 0);
    }
};

QTEST_MAIN(tstRenderArea)
#include "test_renderarea.moc"
