// Cost of copying one ED2 event into the record, against the bare cost of
// walking the same 2371 frames.
#include "visualiser/DolbyED2Frames.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

dlb_pwk_pa_status FullScene() {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    for (std::uint32_t p = 0; p < 16; ++p) {
        auto& pres = status.presentations[p];
        pres.num_speakers = 16;
        pres.num_objects = 16;
        for (std::uint32_t i = 0; i < 16; ++i) {
            pres.speakers[i].source = static_cast<std::int32_t>(i + 1);
            pres.objects[i] = {i, 0.1f * static_cast<float>(i) - 0.8f, 0.5f, 0.25f, 1, 2};
        }
        std::snprintf(pres.name, sizeof pres.name, "Presentation %u", p);
    }
    return status;
}

void BM_DecodeEvent(benchmark::State& state) {
    zmsg_t* pMessage = DolbyED2Frames::Encode(FullScene());
    dlb_pwk_pa_status record{};
    for (auto _ : state) {
        DolbyED2Frames::Decode(pMessage, &record);
        benchmark::DoNotOptimize(record);
    }
    zmsg_destroy(&pMessage);
}
BENCHMARK(BM_DecodeEvent);

void BM_WalkFramesOnly(benchmark::State& state) {
    zmsg_t* pMessage = DolbyED2Frames::Encode(FullScene());
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (zframe_t* f = zmsg_first(pMessage); f; f = zmsg_next(pMessage))
            bytes += zframe_size(f);
        benchmark::DoNotOptimize(bytes);
    }
    zmsg_destroy(&pMessage);
}
BENCHMARK(BM_WalkFramesOnly);

void BM_EncodeEvent(benchmark::State& state) {
    const dlb_pwk_pa_status scene = FullScene();
    for (auto _ : state) {
        zmsg_t* pMessage = DolbyED2Frames::Encode(scene);
        benchmark::DoNotOptimize(pMessage);
        zmsg_destroy(&pMessage);
    }
}
BENCHMARK(BM_EncodeEvent);

} // namespace

BENCHMARK_MAIN();
