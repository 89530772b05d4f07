// Cost of the visualiser's steps per ED2 event: record to lists, and the
// frames of bench/BusyScene.h, each through Qt's own repaint of a shown page.
#include "bench/BusyScene.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_EventToLists(benchmark::State& state) {
    cPageDolbyVisualiser page;
    page.sltSetVisualiserView(state.range(0) ? "Top View" : "Front View");
    dlb_pwk_pa_status status = cBusyScene::Scene(0);
    for (auto _ : state) {
        page.sltSetDolbyED2Data(&status);
        benchmark::DoNotOptimize(page.DynamicObjects().constData());
    }
}
BENCHMARK(BM_EventToLists)->Arg(1)->Arg(0)->ArgName("top");

// 16 labelled squares and 16 numbered circles moving on the top-view room.
template <cBusyScene::Kind kind> void BM_Frame(benchmark::State& state) {
    cBusyScene scene(kind);
    for (auto _ : state)
        scene.Frame();
    state.counters["pixels/frame"] =
        static_cast<double>(scene.Pixels()) / static_cast<double>(state.iterations());
}
BENCHMARK_TEMPLATE(BM_Frame, cBusyScene::Kind::Full)->Name("BM_FullRepaint");
BENCHMARK_TEMPLATE(BM_Frame, cBusyScene::Kind::ViewChange)->Name("BM_RepaintAfterViewChange");
BENCHMARK_TEMPLATE(BM_Frame, cBusyScene::Kind::ObjectsOnly)->Name("BM_ObjectsOnlyUpdate");
BENCHMARK_TEMPLATE(BM_Frame, cBusyScene::Kind::SomeObjects)->Name("BM_FourObjectsMove");
BENCHMARK_TEMPLATE(BM_Frame, cBusyScene::Kind::Event)->Name("BM_WholeEvent");

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
