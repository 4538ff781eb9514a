// Row evaluation of a formula and nearest-colour classification of a
// composite, over rows of 4096 pixels: the per-pixel cost of the two toolkit
// loops once their programs and palettes are built.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "processing/composite.h"
#include "processing/formula.h"

namespace {

constexpr int kWidth = 4096;

void FormulaRow(benchmark::State& state, const char* expression) {
    const orvex::FormulaProgram program = orvex::CompileFormula(expression);
    orvex::FormulaEvaluator evaluator(program, kWidth);
    for (size_t v = 0; v < program.variables.size(); ++v)
        for (int x = 0; x < kWidth; ++x) evaluator.input(static_cast<int>(v))[x] = static_cast<float>((x * (v + 3)) & 255);
    std::vector<uint8_t> pixels(kWidth);
    for (auto _ : state) {
        orvex::FormulaToPixels8(evaluator.Evaluate(), kWidth, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK_CAPTURE(FormulaRow, ratio, "A/B");
BENCHMARK_CAPTURE(FormulaRow, normalised_difference, "(A-B)/(A+B)*100");

void CompositeNearest(benchmark::State& state) {
    std::vector<orvex::ColourTriple> samples;
    for (int i = 0; i < 100000; ++i)
        samples.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13), static_cast<uint8_t>(i >> 5)});
    const std::vector<uint32_t> palette = orvex::MedianCutPalette(samples, 256);
    orvex::NearestColour nearest(palette);
    std::vector<uint8_t> indices(kWidth);
    int row = 0;
    for (auto _ : state) {
        for (int x = 0; x < kWidth; ++x)
            indices[x] = nearest(static_cast<uint8_t>(x + row), static_cast<uint8_t>(x >> 4), static_cast<uint8_t>(row));
        benchmark::DoNotOptimize(indices.data());
        ++row;
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(CompositeNearest);

}  // namespace

BENCHMARK_MAIN();
