#include "support/PixelProbe.h"

#include "visualiser/RenderArea.h"

#include <QApplication>
#include <QtTest>

namespace {
const QColor kBed(127, 0, 255);
const QColor kObject(255, 0, 0);
const QColor kYellow(255, 255, 0);
} // namespace

class tstRenderArea final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"))); }

    // Guards against the room's inner rectangle drifting from the two views' factors.
    void innerRectangle_data() {
        QTest::addColumn<float>("factor");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("top view") << 0.7f << QRect(91, 52, 290, 163);
        QTest::newRow("front view") << 0.5f << QRect(133, 75, 207, 117);
    }
    void innerRectangle() {
        QFETCH(float, factor);
        QFETCH(QRect, expected);
        QCOMPARE(RoomGeometry::InnerRect(factor), expected);
        RenderArea area;
        area.SetScalingFactor(factor, 1.0f);
        QCOMPARE(area.InnerRectangle(), expected);
    }

    // Guards against markers landing off the plane the position names.
    void markerProjection_data() {
        QTest::addColumn<QVector3D>("position");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<double>("side");
        QTest::newRow("near top-left corner") << QVector3D(-1, -1, 1) << QPointF(28.5, 16) << 32.0;
        QTest::newRow("near bottom-right corner")
            << QVector3D(1, 1, 1) << QPointF(443.5, 250) << 32.0;
        QTest::newRow("centre at any depth") << QVector3D(0, 0, 0.6f) << QPointF(236, 133) << 19.2;
        QTest::newRow("half depth corner")
            << QVector3D(-1, -1, 0.5f) << QPointF(132.25, 74.5) << 16.0;
        QTest::newRow("zero scale") << QVector3D(1, 1, 0) << QPointF(236, 133) << 0.0;
    }
    void markerProjection() {
        QFETCH(QVector3D, position);
        QFETCH(QPointF, centre);
        QFETCH(double, side);
        const QPointF got = RoomGeometry::MarkerCentre(position);
        QVERIFY2(qAbs(got.x() - centre.x()) < 1e-3 && qAbs(got.y() - centre.y()) < 1e-3,
                 qPrintable(QStringLiteral("%1,%2").arg(got.x()).arg(got.y())));
        QCOMPARE(qRound(RoomGeometry::MarkerSide(position) * 10), qRound(side * 10));
    }

    // Guards against the depth rings not reaching the nearest plane in either view.
    void outerRing_data() {
        QTest::addColumn<float>("inner");
        QTest::addColumn<float>("ring");
        QTest::addColumn<QSize>("size");
        QTest::newRow("top view") << 0.7f << 1.037f << QSize(417, 234);
        QTest::newRow("front view") << 0.5f << 1.07f << QSize(407, 230);
    }
    void outerRing() {
        QFETCH(float, inner);
        QFETCH(float, ring);
        QFETCH(QSize, size);
        RenderArea area;
        area.SetScalingFactor(inner, ring);
        PixelProbe::Grab(area);
        const QSize got = area.RingRectangle(RenderArea::kRingCount - 1).size();
        QVERIFY2(qAbs(got.width() - size.width()) <= 1 && qAbs(got.height() - size.height()) <= 1,
                 qPrintable(QStringLiteral("%1x%2").arg(got.width()).arg(got.height())));
    }

    // Guards against a caption that misses the view name, the separator or the trailing space.
    void caption() {
        RenderArea area;
        QPointF points[4];
        area.SetScreenPoints(points, Qt::black, QStringLiteral("Top View"));
        area.SetPresentationName(QStringLiteral("Main"));
        QCOMPARE(area.Caption(), QStringLiteral("Top View : Main "));
    }

    // Guards against an empty area drawing stray markers or no room at all.
    void emptyAreaDrawsRoomAndCaption() {
        RenderArea area;
        area.SetPresentationName(QStringLiteral("Nothing"));
        const QImage image = PixelProbe::Grab(area);
        QCOMPARE(image.size(), QSize(472, 266));
        QVERIFY(PixelProbe::At(image, QPointF(3, 133), Qt::black));
        QVERIFY(PixelProbe::Count(image, QRect(0, 0, 472, 240), kBed) == 0);
        QVERIFY(PixelProbe::Count(image, QRect(0, 0, 472, 240), kObject, 30) == 0);
        QVERIFY(PixelProbe::Count(image, QRect(0, 0, 472, 240), Qt::gray, 20) > 200);
        QVERIFY(PixelProbe::Count(image, QRect(106, 244, 260, 22), kYellow) > 20);
    }

    // Guards against unlabelled beds, object numbering and zero-scale markers going wrong.
    void markersWithoutNames() {
        RenderArea area;
        QList<QVector3D> beds{{-1, -1, 1}, {1, 1, 0}};
        QList<QVector3D> objects{{1, 1, 1}, {0, 0, 1}};
        area.SetBedObjectList(&beds, nullptr);
        area.SetDynamicObjectList(&objects);
        const QImage image = PixelProbe::Grab(area);
        // Without a name the square's centre is filled too.
        QVERIFY(PixelProbe::At(image, QPointF(28.5, 16), kBed));
        QVERIFY(PixelProbe::At(image, QPointF(28.5 + 11, 16 + 11), kBed));
        QVERIFY(PixelProbe::At(image, QPointF(443.5, 250 - 11), kObject));
        QVERIFY(PixelProbe::At(image, QPointF(236, 133 - 11), kObject));
        // Object 1 carries a black "1" at its centre.
        QVERIFY(PixelProbe::Count(image, QRect(437, 244, 13, 13), Qt::black, 60) > 3);
        // The z = 0 bed is nowhere.
        QCOMPARE(PixelProbe::Count(image, QRect(200, 100, 72, 66), kBed), 0);
    }
};

QTEST_MAIN(tstRenderArea)
#include "test_renderarea.moc"
