// Cost of the visualiser's two steps per ED2 event: record to lists, and a
// full repaint of a busy scene.
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

namespace {

// 16 beds (every channel, some without a place) and 16 objects spread round the room.
dlb_pwk_pa_status BusyScene() {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    dlb_pwk_pa_presentation& p = status.presentations[0];
    std::strcpy(p.name, "Full Object Mix");
    p.num_speakers = 16;
    for (int i = 0; i < 16; ++i)
        p.speakers[i].source = i + 1;
    p.num_objects = 16;
    for (int i = 0; i < 16; ++i) {
        const float angle = static_cast<float>(i) * 0.3927f;
        p.objects[i].x = 0.8f * std::cos(angle);
        p.objects[i].y = 0.8f * std::sin(angle);
        p.objects[i].z = static_cast<float>(i) / 15.0f;
    }
    return status;
}

void BM_EventToLists(benchmark::State& state) {
    cPageDolbyVisualiser page;
    page.sltSetVisualiserView(state.range(0) ? "Top View" : "Front View");
    dlb_pwk_pa_status status = BusyScene();
    for (auto _ : state) {
        page.sltSetDolbyED2Data(&status);
        benchmark::DoNotOptimize(page.DynamicObjects().constData());
    }
}
BENCHMARK(BM_EventToLists)->Arg(1)->Arg(0)->ArgName("top");

void BM_FullPaint(benchmark::State& state) {
    // 16 labelled squares and 16 numbered circles, all visible, on the top-view room.
    RenderArea area;
    area.SetScalingFactor(0.7f, 1.037f);
    QPointF screen[4] = {{155, 25}, {316, 25}, {298, 45}, {174, 45}};
    area.SetScreenPoints(screen, Qt::black, QStringLiteral("Top View"));
    area.SetPresentationName(QStringLiteral("Full Object Mix"));
    QList<QVector3D> beds;
    QList<QString> names;
    QList<QVector3D> objects;
    const dlb_pwk_pa_status status = BusyScene();
    for (int i = 0; i < 16; ++i) {
        beds.append(QVector3D(-1.0f + 2.0f * static_cast<float>(i % 4) / 3.0f,
                              -1.0f + 2.0f * static_cast<float>(i / 4) / 3.0f, 0.68f));
        names.append(QStringLiteral("B%1").arg(i + 1));
        const dlb_pwk_pa_object& o = status.presentations[0].objects[i];
        objects.append(VisualiserProjection::ObjectPosition(o.x, o.y, o.z, 1));
    }
    area.SetBedObjectList(&beds, &names);
    area.SetDynamicObjectList(&objects);
    QImage image(area.sizeHint(), QImage::Format_RGB32);
    for (auto _ : state) {
        area.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans")));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
