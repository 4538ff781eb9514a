// One DEMO beam pass of 512 x 512 with one analog, one digital and one
// counter channel: pixels per second, and the share of the pass spent outside
// the simulated devices (the device calls of a pass timed on their own).
// Rates are per CPU second of the benchmark thread.
#include <benchmark/benchmark.h>

#include <ctime>

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "acquisition/scan_engine.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/sim/simprobe.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"

namespace {

using namespace orvex;

constexpr uint32_t kSize = 512;

// Thread CPU seconds: the machine is shared, so wall time says little.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

platform::HeadlessUi& benchUi() {
    static platform::HeadlessUi ui;
    return ui;
}

void setUpDemoScan() {
    platform::setUi(&benchUi());
    windowList().Reset();
    OV_Info_Reset();
    resetSoftwareSettings();
    ResetBoard();
    ResetSimProbe();
    ResetWin30pg();
    resetCalmag();
    resetChannelTables();
    resetRunState();
    installChannelSettings();
    board().daMax = 65535;
    softwareSettings().retrace = 0;

    ChannelTables& t = channelTables();
    t.analog[0].enabled = 1;
    t.analog[0].want16Bit = 1;
    t.digital[0].enabled = 1;
    t.counter[0].enabled = 1;
    t.counter[0].want16Bit = 1;
    CALMAG& c = calmag();
    c.SetXSize(kSize);
    c.SetYSize(kSize);
    c.scanType = SCAN_BEAM;
    c.ApplyMagnification();
    c.SetScan();
    t.PrepareAllImages(c, nullptr);
    runState().runState = RUN_RUNNING;
    runState().acquireMode = ACQUIRE_STORE;
}

// The device calls one pass makes, without the engine and the channels.
double deviceSecondsPerPass() {
    ChannelTables& t = channelTables();
    BOARD& b = board();
    CALMAG& c = calmag();
    const double start = cpuSeconds();
    unsigned sink = 0;
    for (uint32_t i = 0; i < kSize; ++i) {
        c.SetYPixel(i);
        for (uint32_t j = 0; j < kSize; ++j) {
            c.SetXPixel(j);
            b.Start(t.counterNumbers.data(), t.counterNumberCount);
            win30pg().ReadAnalogBlock(t.readList.data(), t.BurstLength(), t.sampleBuffer.data());
            sink += b.ReadDigital();
            while (b.IsCounting()) {
            }
            sink += static_cast<unsigned>(b.ReadCounter(0));
        }
    }
    benchmark::DoNotOptimize(sink);
    return cpuSeconds() - start;
}

void BM_DemoBeamPass(benchmark::State& state) {
    setUpDemoScan();
    double passSeconds = 0;
    for (auto _ : state) {
        benchUi().progress.clear();
        const double start = cpuSeconds();
        ScanPass();
        passSeconds += cpuSeconds() - start;
    }
    const double perPass = passSeconds / static_cast<double>(state.iterations());
    double device = 0;
    for (int k = 0; k < 3; ++k) device += deviceSecondsPerPass();
    device /= 3;
    state.counters["pixels_per_s"] = benchmark::Counter(
        static_cast<double>(kSize) * kSize * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["outside_devices"] = perPass > 0 ? 1.0 - device / perPass : 0.0;
    windowList().Reset();
    OV_Info_Reset();
    platform::setUi(nullptr);
}
BENCHMARK(BM_DemoBeamPass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
