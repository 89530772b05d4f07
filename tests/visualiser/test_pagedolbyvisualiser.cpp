// Guards the visualiser page: the lists it builds from a record in either
// view, what it draws from them, and records it must not trust.
#include "support/PixelProbe.h"
#include "support/PublishUntil.h"

#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"

#include <QApplication>
#include <QtTest>

#include <cstring>

const QColor kBed(127, 0, 255);

namespace {
// The worked example: two objects and the beds L and LFE in presentation 0.
dlb_pwk_pa_status Example() {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    dlb_pwk_pa_presentation& p = status.presentations[0];
    p.num_objects = p.num_speakers = 2;
    p.objects[0].x = 0, p.objects[0].y = 1, p.objects[0].z = 0;
    p.objects[1].x = 1, p.objects[1].y = -1, p.objects[1].z = 1;
    p.speakers[0].source = 1;
    p.speakers[1].source = 4;
    std::strcpy(p.name, "Main");
    return status;
}

} // namespace

class tstPageDolbyVisualiser final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"))); }

    // Guards against wrong lists, room or markers after any kind of view change, or stale ones.
    void views_data() {
        QTest::addColumn<QByteArray>("view");
        QTest::addColumn<float>("innerFactor");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<QVector3D>>("objects");
        QTest::addColumn<QList<QVector3D>>("beds");
        QTest::addColumn<QList<QPointF>>("centres"); // objects then beds, in widget pixels
        const QList<QVector3D> topObjects{{0, -1, 0.7f}, {1, 1, 1.0f}};
        const QList<QVector3D> topBeds{{-1, -1, 0.68f}, {-0.13f, -1, 0.68f}};
        // Worked: at scale z the 415 x 234 plane sits at ((472 - 415z) / 2, (266 - 234z) / 2)
        // and a unit of x or y spans 207.5z or 117z pixels from its -1 edge.
        const QList<QPointF> topCentres{{236, 51.1}, {443.5, 250}, {94.9, 53.44}, {217.66, 53.44}};
        QTest::newRow("top") << QByteArray("Top View") << 0.7f << "Top View : Main " << topObjects
                             << topBeds << topCentres;
        QTest::newRow("front") << QByteArray("Front View") << 0.5f << "Front View : Main "
                               << QList<QVector3D>{{0, 1, 0.5f}, {1, -1, 1.0f}}
                               << QList<QVector3D>{{-1, 1, 0.5f}, {-0.13f, 1, 0.5f}}
                               << QList<QPointF>{
                                      {236, 191.5}, {443.5, 16}, {132.25, 191.5}, {222.51, 191.5}};
        // Unknown texts pick the top view and leave the room as the front view drew it.
        QTest::newRow("auto") << QByteArray("Auto") << 0.5f << "Top View : Main " << topObjects
                              << topBeds << topCentres;
    }
    void views() {
        QFETCH(QByteArray, view);
        QFETCH(float, innerFactor);
        QFETCH(QString, caption);
        QFETCH(QList<QVector3D>, objects);
        QFETCH(QList<QVector3D>, beds);
        QFETCH(QList<QPointF>, centres);
        cPageDolbyVisualiser page;
        page.sltSetVisualiserView(view.constData()); // before any event: the room alone
        QCOMPARE(page.Area()->InnerFactor(), innerFactor);
        const bool top = caption.startsWith(QLatin1String("Top"));
        page.sltSetVisualiserView(top ? "Front View" : "Top View");
        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        const QList<QVector3D> otherObjects = page.DynamicObjects();
        DolbyDecoderSettings_s settings{};
        std::strcpy(settings.VisualiserView, view.constData());
        page.sltSetDolbyDecoderMode(&settings); // the beds move at once, objects at the next event
        QCOMPARE(page.DynamicObjects(), otherObjects);
        QCOMPARE(page.BedObjects(), beds);
        page.sltSetDolbyED2Data(nullptr); // clears the markers but is not the last record
        QVERIFY(page.DynamicObjects().isEmpty() && page.BedNames().isEmpty());
        page.sltSetVisualiserView(view.constData()); // with an event
        QCOMPARE(page.Area()->InnerFactor(), innerFactor);
        QCOMPARE(page.DynamicObjects(), objects);
        QCOMPARE(page.BedNames(), (QList<QString>{QStringLiteral("L"), QStringLiteral("LFE")}));
        QCOMPARE(page.Area()->Caption(), caption);

        QImage image = PixelProbe::Grab(page);
        for (int i = 0; i < 2; ++i)
            QVERIFY(PixelProbe::Marker(image, centres[i + 2], 32 * beds[i].z(), kBed, false) &&
                    PixelProbe::Marker(image, centres[i], 32 * objects[i].z(), Qt::red, true));
        QVERIFY(PixelProbe::At(image, QPointF(4, 133), Qt::black));
        QVERIFY(PixelProbe::Count(image, QRect(106, 244, 260, 22), Qt::yellow) > 20);
        page.sltResetDolbyGrid(true);
        image = PixelProbe::Grab(page);
        QCOMPARE(PixelProbe::Count(image, image.rect(), kBed), 0);
        QCOMPARE(PixelProbe::Count(image, image.rect(), Qt::red, 30), 0);
        status.presentations[0].speakers[1].source = 9; // "Ltf", in a corner of the room
        page.sltSetDolbyED2Data(&status);               // the next event shows the markers again
        // Inside the Ltf square, clear of its label: centred at (28.5, 16) in the top view.
        const QPointF corner = top ? QPointF(28.5 - 11, 16 - 11) : QPointF(132.25 - 5, 74.5 - 5);
        QVERIFY(PixelProbe::At(PixelProbe::Grab(page), corner, kBed));
    }

    // Guards against bad records or settings crashing, overreading, going unreported or lingering.
    void untrustedInput() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        for (const int source : {17, -1}) { // just above the table, and negative
            status.presentations[0].speakers[1].source = source;
            const QByteArray line = "KELD_ERROR : Index " + QByteArray::number(source) +
                                    " or in GetTargetNameFromSources.\n";
            QCOMPARE(CaptureStdout([&] { page.sltSetDolbyED2Data(&status); }).count(line), 2);
            QCOMPARE(page.BedNames(), (QList<QString>{QStringLiteral("L"), QString()}));
        }
        status.presentations[0].speakers[1].source = 7; // "Lrs" has no place in the room
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.BedNames().at(1), QStringLiteral("Lrs"));
        QCOMPARE(page.BedObjects().at(1), QVector3D(0, 0, 0));

        status.presentations[0].num_objects = 0xffffffffu;
        status.presentations[0].num_speakers = 17;
        page.sltSetDolbyED2Data(&status);
        QVERIFY(page.DynamicObjects().size() == 16 && page.BedObjects().size() == 16);
        status.selected_presentation = 16;
        page.sltSetDolbyED2Data(&status);
        QVERIFY(page.DynamicObjects().isEmpty() && page.BedObjects().isEmpty());

        status = Example();
        status.presentations[0].objects[0].x = qQNaN();
        status.presentations[0].objects[1].z = qInf();
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.DynamicObjects(), (QList<QVector3D>{{0, 0, 0}, {0, 0, 0}}));
        PixelProbe::Grab(page); // paints without trouble
        status.valid = 0;
        page.sltSetDolbyED2Data(&status);
        QVERIFY(page.DynamicObjects().isEmpty() && page.BedObjects().isEmpty());

        DolbyDecoderSettings_s settings{};
        std::memset(settings.VisualiserView, 'x', sizeof settings.VisualiserView); // unterminated
        page.sltSetDolbyDecoderMode(&settings); // read no further than the field
    }
};

QTEST_MAIN(tstPageDolbyVisualiser)
#include "test_pagedolbyvisualiser.moc"
