// The visualiser: the room and markers it draws for either view, the lists the
// page builds from an ED2 record, and the stream metadata subscriber's lines,
// names and signals, the last over its real TCP port.
#include "tests/support/PixelProbe.h"
#include "tests/support/TestBus.h"
#include "visualiser/MarkerSprites.h"
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"
#include "visualiser/ZmqSubDolby.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

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

const QColor kBed(127, 0, 255);

// Objects of frame k of a moving scene; frame -1 puts them on the room's corners,
// edges and centre, the rest on top of each other.
void PlaceObjects(dlb_pwk_pa_presentation& p, int count, int k) {
    p.num_objects = static_cast<std::uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        const float a = 0.39f * static_cast<float>(i) + 0.4f * static_cast<float>(k);
        const bool grid = k < 0 && i < 9;
        p.objects[i].x = grid ? static_cast<float>(i % 3 - 1) : k < 0 ? 0.2f : 0.9f * std::sin(a);
        p.objects[i].y = grid ? static_cast<float>(i / 3 - 1) : k < 0 ? -0.2f : 0.9f * std::cos(a);
        p.objects[i].z = grid ? static_cast<float>(i % 2) : 0.5f + 0.5f * std::sin(a + 0.02f * i);
    }
}

// Pixels of the shown picture off the golden one: inside a marker's bounds, those more than 32
// from the range of the golden 3 x 3 pixels round them (a half-pixel shift blends neighbours);
// elsewhere, every pixel that differs at all, counted 100 times.
int FarFromNeighbours(const QImage& shown, const QImage& golden, const QList<QVector3D>& markers) {
    int far = 0;
    for (int y = 0; y < golden.height(); ++y)
        for (int x = 0; x < golden.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            if (pixel == golden.pixel(x, y))
                continue;
            if (std::none_of(markers.cbegin(), markers.cend(), [&](const QVector3D& p) {
                    return RoomGeometry::MarkerBounds(p).contains(x, y);
                })) {
                far += 100;
                continue;
            }
            int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if (!golden.valid(x + dx, y + dy))
                        continue;
                    const QRgb g = golden.pixel(x + dx, y + dy);
                    const int c[3] = {qRed(g), qGreen(g), qBlue(g)};
                    for (int k = 0; k < 3; ++k)
                        lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
                }
            const int c[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
            int off = 0;
            for (int k = 0; k < 3; ++k)
                off = std::max({off, lo[k] - c[k], c[k] - hi[k]});
            far += off > 32 ? 1 : 0;
        }
    return far;
}

} // namespace

class tstVisualiser final : public QObject {
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

        const QImage image = PixelProbe::Grab(page);
        for (int i = 0; i < 2; ++i)
            QVERIFY(PixelProbe::Marker(image, centres[i + 2], 32 * beds[i].z(), kBed, false) &&
                    PixelProbe::Marker(image, centres[i], 32 * objects[i].z(), Qt::red, true));
        QVERIFY(PixelProbe::At(image, QPointF(4, 133), Qt::black));
        QVERIFY(PixelProbe::Count(image, QRect(106, 244, 260, 22), Qt::yellow) > 20);
    }

    // Guards against an unbounded sprite cache, one that drops a sprite just used rather than the
    // least recently used, or sides quantised coarser or finer than a quarter pixel.
    void spriteCache() {
        cMarkerSprites sprites;
        QImage target(64, 64, QImage::Format_RGB32);
        QPainter painter(&target);
        int drawn = 0;
        const auto draw = [&](int iLabel, double dSide = 20.0) {
            sprites.Draw(painter, {32, 32}, dSide, iLabel, target,
                         [&](QPainter&, double) { ++drawn; });
        };
        const int capacity = cMarkerSprites::kCapacity;
        for (int label = 0; label <= capacity; ++label)
            draw(label);
        QCOMPARE(sprites.Size(), capacity);
        draw(capacity), draw(1), draw(1, 20.12); // kept, and 20.12 rounds to 20 in quarters
        QCOMPARE(drawn, capacity + 1);
        draw(0), draw(1), draw(1, 20.13); // the least recently used went; 20.13 rounds to 20.25
        QCOMPARE(drawn, capacity + 3);
    }

    // Guards against a kept room shown for the wrong view, or with the beds it had before.
    void viewsKept() {
        cPageDolbyVisualiser page;
        dlb_pwk_pa_status status = Example();
        page.sltSetDolbyED2Data(&status);
        QImage first[2];
        for (int round = 0; round < 2; ++round)
            for (const int view : {0, 1}) {
                page.sltSetVisualiserView(view ? "Front View" : "Top View");
                const QImage image = PixelProbe::Grab(page);
                QVERIFY(round == 0 ? (first[view] = image, true) : image == first[view]);
            }
        status.presentations[0].speakers[1].source = 2; // LFE becomes R while the front shows
        page.sltSetDolbyED2Data(&status);
        page.sltSetVisualiserView("Top View");
        // Worked: R sits at (1, -1) at scale 0.68, so 2 x 207.5 x 0.68 right of the plane's edge.
        QVERIFY(PixelProbe::Marker(PixelProbe::Grab(page), {377.1, 53.44}, 21.76, kBed, false));
    }

    // Guards against stale or partly repainted pictures: every step of one page's life shows on
    // screen what the original full repaint showed (BRISVEL_WRITE_SCENES=1 wrote them), markers
    // within their sprites' placement.
    void scenes() {
        cPageDolbyVisualiser page;
        page.resize(RoomGeometry::kWidth, RoomGeometry::kHeight);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        dlb_pwk_pa_status status = Example();
        dlb_pwk_pa_presentation& p = status.presentations[0];
        DolbyDecoderSettings_s settings{};
        std::strcpy(settings.VisualiserView, "Top View");
        const auto event = [&] { page.sltSetDolbyED2Data(&status); };
        const std::function<void()> steps[] = {
            [] {}, // no event yet: the room alone
            [&] { page.sltSetVisualiserView("Top View"), PlaceObjects(p, 1, 0), event(); },
            [&] {
                for (int i = 0; i < 16; ++i)
                    p.speakers[i].source = i + 1; // every channel, placed or not
                p.num_speakers = 16, PlaceObjects(p, 16, -1), event();
            },
            [&] { std::strcpy(p.name, "Second Mix"), event(); },
            [&] { p.num_speakers = 5, event(); },
            [&] { page.sltResetDolbyGrid(true); },
            [&] { page.sltResetDolbyGrid(false); },
            [&] { page.sltSetVisualiserView("Front View"); },
            [&] { page.sltResetDolbyGrid(true); },
            [&] { page.sltSetDolbyDecoderMode(&settings); },
            [&] { PlaceObjects(p, 0, 0), event(); },
        };
        for (int step = 0; step < 22; ++step) {
            if (step < 11)
                steps[step]();
            else // ten events of a moving scene, then none again
                PlaceObjects(p, step < 21 ? 16 : 0, step), event();
            QCoreApplication::processEvents();
            // What the window's backing store holds: unpainted regions show.
            const QImage shown = page.screen()->grabWindow(page.winId()).toImage();
            const QString file =
                QStringLiteral("tests/data/scenes/%1.png").arg(step, 2, 10, QChar('0'));
            if (qEnvironmentVariableIsSet("BRISVEL_WRITE_SCENES"))
                QVERIFY(shown.save(file));
            const QImage golden(file);
            QVERIFY2(shown.size() == golden.size(), qPrintable(file)); // both RGB32
            // Moving markers come from sprites placed to the nearest pixel and sized to the
            // nearest quarter pixel: inside their bounds a pixel may take any value its golden
            // neighbours span; everywhere else the picture is the same.
            const int far = FarFromNeighbours(shown, golden, page.DynamicObjects());
            QVERIFY2(far <= 16, qPrintable(file + QStringLiteral(": %1 pixels").arg(far)));
        }
    }

    // Bad records overreading the tables, going unreported or lingering.
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
        status.valid = 0;
        page.sltSetDolbyED2Data(&status);
        QVERIFY(page.DynamicObjects().isEmpty() && page.BedObjects().isEmpty());
    }
    void documents_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("streamType"); // empty: nothing emitted
        const QStringList kept{"kept\n"};        // the lines of the document before
        QTest::newRow("Atmos flag") << R"({"S337Type":{"Data":16},"IsAtmosPresent":true})"
                                    << QStringList{"\n"} << "Dolby Digital Plus with Atmos";
        QTest::newRow("unlisted code shows Type")
            << R"({"S337Type":{"Data":2},"Type":{"Desc":"C"}})" << QStringList{"\n", "\nC"} << "C";
        QTest::newRow("lists without counts")
            << R"({"Programs":[{"p":{}}],"Streams":[{"s":{}}]})" << QStringList{} << "Undefined";
        QTest::newRow("items, programmes, streams")
            << R"({"Streams":[{"s":{"Title":"S"}}],"NoOfStreams":1,"NoOfPrograms":1,)"
               R"("Programs":[{"p":{"Title":"P","Desc":"1"}},{"q":{"Desc":"2"}}],"Info":{"Title":"I"}})"
            << QStringList{"I\n", "P\n1", "\n2", "S\n"} << "Undefined";
        QTest::newRow("syntax error") << R"({"NoOfPrograms":)" << kept << "";
        QTest::newRow("string count") << R"({"NoOfPrograms":"1"})" << kept << "";
    }

    void documents() {
        // A member shown that should not be, one left out or out of order, or a bad document
        // that replaces the lines on show.
        QFETCH(QString, json);
        cZmqSubDolby subscriber;
        subscriber.ParseDolbyMetadata(R"({"Info":{"Title":"kept"},"NoOfPrograms":2})");
        QStringList types;
        connect(&subscriber, &cZmqSubDolby::sigDolbyStreamType, this,
                [&](const char* pType) { types << QString::fromUtf8(pType); });
        subscriber.ParseDolbyMetadata(json.toUtf8().constData());
        QTEST(QStringList(subscriber.DisplayLines()), "lines");
        QTEST(types.join(QLatin1Char('|')), "streamType");
    }
};

QTEST_MAIN(tstVisualiser)
#include "test_visualiser.moc"
