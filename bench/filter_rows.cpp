// The 3 x 3 row kernels over 4096-pixel rows: convolution, minimum and
// median at 8 bits, median at 16 bits. Bytes per second count the one
// output row each call writes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "processing/filters.h"

namespace {

constexpr int kWidth = 4096;

template <class T>
std::vector<T> paddedRows() {
    std::vector<T> rows(3 * (kWidth + 2), 0);
    for (int r = 0; r < 3; ++r)
        for (int c = 1; c <= kWidth; ++c) rows[r * (kWidth + 2) + c] = static_cast<T>(c * 131 + r * 977);
    return rows;
}

void BM_ConvolveRow(benchmark::State& state) {
    const auto rows = paddedRows<uint8_t>();
    std::vector<uint8_t> out(kWidth);
    const std::array<float, 9> k = {0, -1, 0, -1, 5, -1, 0, -1, 0};
    for (auto _ : state) {
        orvex::ConvolveRow(rows.data(), rows.data() + kWidth + 2, rows.data() + 2 * (kWidth + 2), kWidth, k,
                           out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_ConvolveRow);

void BM_MinimumRow(benchmark::State& state) {
    const auto rows = paddedRows<uint8_t>();
    std::vector<uint8_t> out(kWidth);
    for (auto _ : state) {
        orvex::MinimumRow(rows.data(), rows.data() + kWidth + 2, rows.data() + 2 * (kWidth + 2), kWidth, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_MinimumRow);

template <class T>
void BM_MedianRow(benchmark::State& state) {
    const auto rows = paddedRows<T>();
    std::vector<T> out(kWidth);
    for (auto _ : state) {
        orvex::MedianRow(rows.data(), rows.data() + kWidth + 2, rows.data() + 2 * (kWidth + 2), kWidth, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * kWidth * static_cast<int64_t>(sizeof(T)));
}
BENCHMARK(BM_MedianRow<uint8_t>);
BENCHMARK(BM_MedianRow<uint16_t>);

}  // namespace

BENCHMARK_MAIN();
