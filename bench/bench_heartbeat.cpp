// What one heartbeat costs the GUI thread: sent to a monitor that takes it,
// and dropped because no monitor is there and the queue is full.
#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/AppLib/Include/HeartBeater.h"
#include "messages/JsonParseRotaryEncoder.h"
#include "messages/JsonParseSystemUpdate.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A private IPC directory for the run.
std::string MakeMqDir() {
    char dir[] = "/tmp/brisvel-bench-XXXXXX";
    if (!mkdtemp(dir))
        std::abort();
    setenv("BRISVEL_MQ_DIR", dir, 1);
    return dir;
}

cHeartBeater* Beater() {
    cHeartBeater* pBeater = cHeartBeater::GetInstance();
    pBeater->CloseMq();
    pBeater->SetHeartBeatJson("RoVodirAzazodovir", "1.0", PROCESS_STATUS_RUNNING);
    return pBeater;
}

void BM_SendBeatToMonitor(benchmark::State& state) {
    const std::string dir = MakeMqDir();
    zsock_t* pMonitor = zsock_new(ZMQ_PULL);
    zsock_bind(pMonitor, "%s", BusEndpoints::Ipc(cHeartBeater::kMonitorSocket).c_str());
    cHeartBeater* pBeater = Beater();
    pBeater->ConnectMqOverIpc();
    // Beats are dropped until the link is up: wait for the first one through.
    zsock_set_rcvtimeo(pMonitor, 10);
    zmsg_t* pFirst = nullptr;
    while (!pFirst) {
        pBeater->SendBeat();
        pFirst = zmsg_recv(pMonitor);
    }
    zmsg_destroy(&pFirst);
    zsock_set_rcvtimeo(pMonitor, 1000); // a lost beat must not hang the run
    for (auto _ : state) {
        pBeater->SendBeat();
        zmsg_t* pMessage = zmsg_recv(pMonitor);
        zmsg_destroy(&pMessage);
    }
    pBeater->CloseMq();
    zsock_destroy(&pMonitor);
    std::filesystem::remove_all(dir); // the socket file goes later, with the closed socket
}
BENCHMARK(BM_SendBeatToMonitor);

void BM_SendBeatNoMonitor(benchmark::State& state) {
    const std::string dir = MakeMqDir();
    cHeartBeater* pBeater = Beater();
    pBeater->ConnectMqOverIpc();
    for (int i = 0; i < 2000; ++i) // fill the queue: from here on every beat is dropped
        pBeater->SendBeat();
    for (auto _ : state)
        pBeater->SendBeat();
    pBeater->CloseMq();
    std::filesystem::remove_all(dir); // the socket file goes later, with the closed socket
}
BENCHMARK(BM_SendBeatNoMonitor);

void BM_ParseSystemUpdate(benchmark::State& state) {
    const char* pJson =
        R"({"Task":"install","VersionOnUnit":{"Version":"3.2.1","VersionFloat":3.21},)"
        R"("passcode":300,"Message":"Update ready","AvailablePackages":[)"
        R"({"PackageDesc":"Base","PackageVersion":"3.3","PackageFileName":"base.pkg"},)"
        R"({"PackageDesc":"Apps","PackageVersion":"3.3","PackageFileName":"apps.pkg"}]})";
    cJsonParseSystemUpdate parser;
    SystemUpdate_t update{};
    for (auto _ : state)
        benchmark::DoNotOptimize(parser.ParseSUPackage(pJson, &update));
}
BENCHMARK(BM_ParseSystemUpdate);

void BM_ParseRotaryEncoder(benchmark::State& state) {
    const char* pJson =
        R"({"SwitchChange": 0, "SwitchAbsolute": 0, "CountAbsolute": 12, "CountChange": -1})";
    cJsonParseRotaryEncoder parser;
    RotaryEncEvent_t event{};
    for (auto _ : state)
        benchmark::DoNotOptimize(parser.ParseRotaryEncodeData(pJson, &event));
}
BENCHMARK(BM_ParseRotaryEncoder);

} // namespace

BENCHMARK_MAIN();
