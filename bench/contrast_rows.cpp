// Whole-image contrast work on a 1024 x 1024 window, headless: the
// percentage histogram, Linear Stretch into a copy (8 and 16 bits) and the
// false-colour palette. Bytes per second count the pixels read.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "processing/contrast.h"
#include "processing/contrast_histogram.h"
#include "processing/false_colour.h"

namespace {

constexpr int kSide = 1024;

orvex::ImageHandle filled(int depth) {
    orvex::ImageHandle w = orvex::CreateImage(kSide, kSide, orvex::PaletteCustom, false, depth);
    std::vector<uint16_t> row16(kSide);
    std::vector<uint8_t> row8(kSide);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            row16[c] = static_cast<uint16_t>(c * 37 + r * 11 + 3000);
            row8[c] = static_cast<uint8_t>(20 + (c + r) % 180);
        }
        if (depth == 16) orvex::WriteLine16(w, r, row16.data());
        else orvex::WriteLine8(w, r, row8.data());
    }
    return w;
}

void BM_PercentHistogram(benchmark::State& state) {
    orvex::windowList().Reset();
    const orvex::ImageHandle w = filled(8);
    for (auto _ : state) benchmark::DoNotOptimize(orvex::PercentHistogram(w));
    state.SetBytesProcessed(state.iterations() * kSide * kSide);
    orvex::windowList().Reset();
}
BENCHMARK(BM_PercentHistogram)->Unit(benchmark::kMillisecond);

void BM_LinearStretchImage(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    orvex::windowList().Reset();
    const orvex::ImageHandle w = filled(depth);
    for (auto _ : state) {
        const orvex::ImageHandle copy = orvex::LinearStretch(w, true, 1.0, 1.0, orvex::ContrastTransform::Image);
        state.PauseTiming();
        orvex::CloseImageWindow(copy);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kSide * kSide * (depth / 8));
    orvex::windowList().Reset();
}
BENCHMARK(BM_LinearStretchImage)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_FalseColourPalette(benchmark::State& state) {
    orvex::FalseColourDefinition d{1, {}};
    for (int i = 0; i < 256; i += 16) d.items.push_back({i, i, static_cast<uint32_t>(i * 0x010203), "level"});
    std::vector<uint32_t> base(256, 0);
    for (auto _ : state) benchmark::DoNotOptimize(orvex::BuildFalseColourPalette(d, base));
}
BENCHMARK(BM_FalseColourPalette);

}  // namespace

BENCHMARK_MAIN();
