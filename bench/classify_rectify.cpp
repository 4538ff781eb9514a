// Whole-image classification (3 bands of 1024 x 1024 into 12 classes) and
// rectification (1024 x 1024 turned by 30 degrees, both resamplings), each
// making and closing its new window. Bytes per second count the source pixels.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "imagestore/image_interface.h"
#include "processing/classify.h"
#include "processing/rectify.h"

namespace {

constexpr int kSize = 1024;

orvex::ImageHandle band(int seed) {
    orvex::ImageHandle w = orvex::CreateImage(kSize, kSize, orvex::PaletteGrey, true, 8);
    std::vector<uint8_t> row(kSize);
    for (int r = 0; r < kSize; ++r) {
        for (int c = 0; c < kSize; ++c) row[c] = static_cast<uint8_t>((c * 7 + r * 3 + seed * 61) ^ (c >> 3));
        orvex::WriteLine8(w, r, row.data());
    }
    return w;
}

void BM_ClassifyImages(benchmark::State& state) {
    const std::vector<orvex::ImageHandle> bands = {band(1), band(2), band(3)};
    std::vector<orvex::ClassItem> classes;
    for (int k = 0; k < 12; ++k)
        classes.push_back({"c", orvex::kDefaultClassColours[k % 14], {k * 20, 255 - k * 20, k * 11}, {}});
    for (auto _ : state) {
        orvex::ImageHandle result = orvex::ClassifyImages(bands, classes, 30, std::nullopt, "", "");
        orvex::CloseImageWindow(result);
    }
    state.SetBytesProcessed(state.iterations() * kSize * kSize * 3);
    for (auto b : bands) orvex::CloseImageWindow(b);
}
BENCHMARK(BM_ClassifyImages)->Unit(benchmark::kMillisecond);

void BM_RectifyImage(benchmark::State& state) {
    const orvex::ImageHandle source = band(4);
    const double a = 30 * 3.14159265358979 / 180;
    std::vector<orvex::ControlPoint> points;
    for (auto [c, r] : {std::pair{0, 0}, {kSize - 1, 0}, {0, kSize - 1}, {kSize - 1, kSize - 1}}) {
        const double b = kSize - 1 - r;
        points.push_back({"p", c, r, c * std::cos(a) - b * std::sin(a), c * std::sin(a) + b * std::cos(a), false});
    }
    const auto interpolation = state.range(0) ? orvex::RectifyInterpolation::InverseDistance
                                              : orvex::RectifyInterpolation::NearestNeighbour;
    for (auto _ : state) {
        orvex::ImageHandle result = orvex::RectifyImage(source, kSize, interpolation, points);
        orvex::CloseImageWindow(result);
    }
    state.SetBytesProcessed(state.iterations() * kSize * kSize);
    orvex::CloseImageWindow(source);
}
BENCHMARK(BM_RectifyImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
