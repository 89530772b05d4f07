#include "support/PixelProbe.h"
#include "support/TestBus.h"

#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"

#include <QApplication>
#include <QtTest>

#include <cmath>
#include <cstring>

namespace {
const QColor kBed(127, 0, 255);
const QColor kObject(255, 0, 0);
const QColor kYellow(255, 255, 0);

// The worked example: two objects and the beds L and LFE in presentation 0.
dlb_pwk_pa_status Example() {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    dlb_pwk_pa_presentation& p = status.presentations[0];
    p.num_objects = 2;
    p.objects[0].x = 0, p.objects[0].y = 1, p.objects[0].z = 0;
    p.objects[1].x = 1, p.objects[1].y = -1, p.objects[1].z = 1;
    p.num_speakers = 2;
    p.speakers[0].source = 1;
    p.speakers[1].source = 4;
    std::strcpy(p.name, "Main");
    return status;
}

DolbyDecoderSettings_s Settings(const char* pView) {
    DolbyDecoderSettings_s settings{};
    std::strncpy(settings.VisualiserView, pView, sizeof settings.VisualiserView - 1);
    return settings;
}

// Markers carry black labels at their centres: sample away from them.
QPointF SquareSample(const QVector3D& position) {
    return RoomGeometry::MarkerCentre(position) +
           QPointF(-0.35, -0.35) * RoomGeometry::MarkerSide(position);
}
QPointF CircleSample(const QVector3D& position) {
    return RoomGeometry::MarkerCentre(position) +
           QPointF(0, -0.35) * RoomGeometry::MarkerSide(position);
}
} // namespace

Q_DECLARE_METATYPE(QList<QVector3D>)

class tstPageDolbyVisualiser final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"))); }

    // Guards against the object projection or the bed table being wrong in either view.
    void listsFromExample_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QList<QVector3D>>("objects");
        QTest::addColumn<QList<QVector3D>>("beds");
        QTest::newRow("top view") << QStringLiteral("Top View")
                                  << QList<QVector3D>{{0, -1, 0.7f}, {1, 1, 1.0f}}
                                  << QList<QVector3D>{{-1, -1, 0.68f}, {-0.13f, -1, 0.68f}};
        QTest::newRow("front view")
            << QStringLiteral("Front View") << QList<QVector3D>{{0, 1, 0.5f}, {1, -1, 1.0f}}
            << QList<QVector3D>{{-1, 1, 0.5f}, {-0.13f, 1, 0.5f}};
    }
    void listsFromExample() {
        QFETCH(QString, view);
        QFETCH(QList<QVector3D>, objects);
        QFETCH(QList<QVector3D>, beds);
        cPageDolbyVisualiser page;
        page.sltSetVisualiserView(view.toLatin1().constData());
        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.DynamicObjects(), objects);
        QCOMPARE(page.BedObjects(), beds);
        QCOMPARE(page.BedNames(), (QList<QString>{QStringLiteral("L"), QStringLiteral("LFE")}));
        QCOMPARE(page.Area()->Caption(), view + QStringLiteral(" : Main "));
    }

    // Guards against markers drawn away from their projected places, or a missing room/caption.
    void pixels_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QVector3D>("cornerBed");
        QTest::newRow("top view") << QStringLiteral("Top View") << QVector3D(-1, -1, 1.0f);
        QTest::newRow("front view") << QStringLiteral("Front View") << QVector3D(-1, -1, 0.5f);
    }
    void pixels() {
        QFETCH(QString, view);
        QFETCH(QVector3D, cornerBed);
        cPageDolbyVisualiser page;
        page.sltSetVisualiserView(view.toLatin1().constData());
        dlb_pwk_pa_status status = Example();
        status.presentations[0].speakers[2].source = 9; // "Ltf", the corner bed
        status.presentations[0].num_speakers = 3;
        page.sltSetDolbyED2Data(&status);
        QImage image = PixelProbe::Grab(page);

        if (view == QLatin1String("Top View"))
            QVERIFY(PixelProbe::At(image, QPointF(28.5 - 11, 16 - 11), kBed));
        for (const QVector3D& bed : page.BedObjects())
            QVERIFY2(PixelProbe::At(image, SquareSample(bed), kBed),
                     qPrintable(QStringLiteral("bed at %1,%2").arg(bed.x()).arg(bed.y())));
        QVERIFY(page.BedObjects().contains(cornerBed));
        for (const QVector3D& object : page.DynamicObjects())
            QVERIFY2(PixelProbe::At(image, CircleSample(object), kObject),
                     qPrintable(QStringLiteral("object at %1,%2").arg(object.x()).arg(object.y())));
        QVERIFY(PixelProbe::At(image, QPointF(4, 133), Qt::black));
        QVERIFY(PixelProbe::At(image, QPointF(468, 133), Qt::black));
        QVERIFY(PixelProbe::Count(image, QRect(106, 244, 260, 22), kYellow) > 20);

        page.sltResetDolbyGrid(true);
        image = PixelProbe::Grab(page);
        QCOMPARE(PixelProbe::Count(image, QRect(0, 0, 472, 266), kBed), 0);
        QCOMPARE(PixelProbe::Count(image, QRect(0, 0, 472, 266), kObject, 30), 0);

        page.sltResetDolbyGrid(false);
        image = PixelProbe::Grab(page);
        QVERIFY(PixelProbe::At(image, SquareSample(cornerBed), kBed));
    }

    // Guards against hidden markers staying hidden when the next event arrives.
    void nextEventShowsHiddenMarkers() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        page.sltResetDolbyGrid(true);
        QVERIFY(!page.Area()->DynamicObjects());
        QVERIFY(!page.Area()->BedObjects());
        QVERIFY(page.Area()->BedNames());
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.Area()->DynamicObjects(), &page.DynamicObjects());
        QCOMPARE(page.Area()->BedObjects(), &page.BedObjects());
    }

    // Guards against bad source indices crashing, or not being reported (once per lookup).
    void badSourceIndex_data() {
        QTest::addColumn<int>("source");
        QTest::newRow("just above the table") << 17;
        QTest::newRow("negative") << -1;
        QTest::newRow("huge") << 2000000000;
    }
    void badSourceIndex() {
        QFETCH(int, source);
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        status.presentations[0].speakers[1].source = source;
        QByteArray text;
        {
            ConsoleCapture capture(1);
            page.sltSetDolbyED2Data(&status);
            text = capture.Text();
        }
        const QByteArray line = QByteArrayLiteral("KELD_ERROR : Index ") +
                                QByteArray::number(source) +
                                QByteArrayLiteral(" or in GetTargetNameFromSources.\n");
        QCOMPARE(text.count(line), 2);
        QCOMPARE(page.BedNames(), (QList<QString>{QStringLiteral("L"), QString()}));
        QCOMPARE(page.BedObjects().at(1), QVector3D(0, 0, 0));
    }

    // Guards against unplaced channels being dropped, or lingering in the map after a switch.
    void channelWithoutPlace() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        status.presentations[0].speakers[1].source = 7;
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.BedNames().at(1), QStringLiteral("Lrs"));
        QCOMPARE(page.BedObjects().at(1), QVector3D(0, 0, 0));
        QVERIFY(page.BedMap().contains(QStringLiteral("Lrs")));
        DolbyDecoderSettings_s settings = Settings("Front View");
        page.sltSetDolbyDecoderMode(&settings);
        QVERIFY(!page.BedMap().contains(QStringLiteral("Lrs")));
        QCOMPARE(page.BedMap().size(), 10);
    }

    // Guards against a record without data, or a null one, leaving old markers on screen.
    void noData() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        dlb_pwk_pa_status empty = Example();
        empty.valid = 0;
        std::strcpy(empty.presentations[0].name, "Other");
        page.sltSetDolbyED2Data(&empty);
        QVERIFY(page.DynamicObjects().isEmpty());
        QVERIFY(page.BedObjects().isEmpty());
        QCOMPARE(page.Area()->Caption(), QStringLiteral("Top View : Main "));

        page.sltSetDolbyED2Data(&status);
        page.sltSetDolbyED2Data(nullptr);
        QVERIFY(page.DynamicObjects().isEmpty());
        QVERIFY(page.BedNames().isEmpty());
        // The last real record is still the one a view switch redraws.
        page.sltSetVisualiserView("Front View");
        QCOMPARE(page.DynamicObjects().size(), 2);
    }

    // Guards against reads outside the record for out-of-range counts, index or coordinates.
    void outOfRangeRecord() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        status.presentations[0].num_objects = 0xffffffffu;
        status.presentations[0].num_speakers = 17;
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.DynamicObjects().size(), 16);
        QCOMPARE(page.BedObjects().size(), 16);

        status = Example();
        status.presentations[0].objects[0].x = std::nanf("");
        status.presentations[0].objects[1].z = INFINITY;
        status.presentations[0].num_objects = 3;
        status.presentations[0].objects[2].z = 1;
        page.sltSetDolbyED2Data(&status);
        QCOMPARE(page.DynamicObjects(), (QList<QVector3D>{{0, 0, 0}, {0, 0, 0}, {0, 0, 1.0f}}));
        PixelProbe::Grab(page); // paints without trouble

        status.selected_presentation = 16;
        page.sltSetDolbyED2Data(&status);
        QVERIFY(page.DynamicObjects().isEmpty());
        QVERIFY(page.BedObjects().isEmpty());
    }

    // Guards against view switches forgetting the room, the screen or the last event.
    void viewSwitch_data() {
        QTest::addColumn<QByteArray>("view");
        QTest::addColumn<int>("expectedView");
        QTest::addColumn<float>("innerFactor");
        QTest::addColumn<QString>("viewName");
        QTest::newRow("front") << QByteArray("Front View") << 0 << 0.5f << "Front View";
        QTest::newRow("top") << QByteArray("Top View") << 1 << 0.7f << "Top View";
        // Unknown texts pick the top view and leave the room as the front view drew it.
        QTest::newRow("auto") << QByteArray("Auto") << 1 << 0.5f << "Top View";
    }
    void viewSwitch() {
        QFETCH(QByteArray, view);
        QFETCH(int, expectedView);
        QFETCH(float, innerFactor);
        QFETCH(QString, viewName);
        cPageDolbyVisualiser page;
        page.sltSetVisualiserView("Front View");
        page.sltSetVisualiserView(view.constData()); // before any event
        QCOMPARE(page.View(), expectedView);
        QCOMPARE(page.Area()->InnerFactor(), innerFactor);
        QCOMPARE(page.Area()->ViewName(), viewName);
        QVERIFY(page.DynamicObjects().isEmpty());
        QCOMPARE(page.Area()->ScreenPoints()[0],
                 expectedView == 1 ? QPointF(155, 25) : QPointF(165, 110));
        QCOMPARE(page.Area()->InnerColor(),
                 expectedView == 1 ? QColor(0, 0, 0) : QColor(92, 8, 99));

        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        page.sltSetVisualiserView(expectedView == 1 ? "Front View" : "Top View");
        page.sltSetVisualiserView(view.constData()); // with an event
        QCOMPARE(page.DynamicObjects().at(0),
                 expectedView == 1 ? QVector3D(0, -1, 0.7f) : QVector3D(0, 1, 0.5f));
        QCOMPARE(page.Area()->Caption(), viewName + QStringLiteral(" : Main "));
    }

    // Guards against the decoder settings re-projecting objects, or not moving beds and screen.
    void decoderModeMovesBedsOnly() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        const QList<QVector3D> topObjects = page.DynamicObjects();
        DolbyDecoderSettings_s settings = Settings("Front View");
        page.sltSetDolbyDecoderMode(&settings);
        QCOMPARE(page.View(), 0);
        QCOMPARE(page.DynamicObjects(), topObjects);
        QCOMPARE(page.BedObjects(), (QList<QVector3D>{{-1, 1, 0.5f}, {-0.13f, 1, 0.5f}}));
        QCOMPARE(page.Area()->ScreenPoints()[0], QPointF(165, 110));
        const QImage image = PixelProbe::Grab(page);
        QVERIFY(PixelProbe::At(image, SquareSample(QVector3D(-1, 1, 0.5f)), kBed));
        QVERIFY(PixelProbe::At(image, CircleSample(topObjects.at(1)), kObject));

        settings = Settings("Top View");
        settings.VisualiserView[sizeof settings.VisualiserView - 1] = 'x'; // no terminator
        page.sltSetDolbyDecoderMode(&settings);
        QCOMPARE(page.View(), 1);
        page.sltSetDolbyDecoderMode(nullptr);
        page.sltSetVisualiserView(nullptr);
        QCOMPARE(page.View(), 1);
    }
};

QTEST_MAIN(tstPageDolbyVisualiser)
#include "test_pagedolbyvisualiser.moc"
