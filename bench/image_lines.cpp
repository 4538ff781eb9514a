// Whole-row ReadLine and WriteLine over a 4096 x 4096 image at every depth
// pair the store converts, beside memcpy of the same bytes in the same
// pattern (every row of the image against one row buffer).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/pixel_convert.h"

namespace {

constexpr int kSide = 4096;

orvex::Image& ImageOfDepth(int depth) {
    static orvex::Image images[17];
    orvex::Image& image = images[depth];
    if (!image.IsAllocated()) {
        image.Allocate(kSide, kSide, depth);
        std::vector<uint8_t> row(kSide);
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) row[c] = static_cast<uint8_t>(r * 7 + c);
            image.WriteLine(r, row.data(), 8);
        }
    }
    return image;
}

size_t RowBytes(int depth) { return orvex::PackedBytes(kSide, depth); }

// The bytes a copy of one row moves: the wider of its two sides.
size_t MovedBytes(int sourceDepth, int destDepth) {
    return std::max(RowBytes(sourceDepth), RowBytes(destDepth));
}

// ReadLine: an image of sourceDepth into a buffer of destDepth.
void BM_ReadLine(benchmark::State& state) {
    const int sourceDepth = static_cast<int>(state.range(0));
    const int destDepth = static_cast<int>(state.range(1));
    const orvex::Image& image = ImageOfDepth(sourceDepth);
    std::vector<uint8_t> buffer(RowBytes(destDepth) + 8);
    for (auto _ : state) {
        for (int r = 0; r < kSide; ++r) image.ReadLine(r, buffer.data(), destDepth);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide *
                            static_cast<int64_t>(MovedBytes(sourceDepth, destDepth)));
}

// WriteLine: a buffer of sourceDepth into an image of destDepth.
void BM_WriteLine(benchmark::State& state) {
    const int sourceDepth = static_cast<int>(state.range(0));
    const int destDepth = static_cast<int>(state.range(1));
    orvex::Image& image = ImageOfDepth(destDepth);
    std::vector<uint8_t> buffer(RowBytes(sourceDepth) + 8);
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 13);
    for (auto _ : state) {
        for (int r = 0; r < kSide; ++r) image.WriteLine(r, buffer.data(), sourceDepth);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide *
                            static_cast<int64_t>(MovedBytes(sourceDepth, destDepth)));
}

// memcpy of rowBytes per row between a whole image's worth of rows and one
// row buffer, in the direction of arg 1 (0: rows to buffer, 1: buffer to rows).
void BM_Memcpy(benchmark::State& state) {
    const size_t rowBytes = static_cast<size_t>(state.range(0));
    const bool toRows = state.range(1) != 0;
    std::vector<uint8_t> rows(rowBytes * kSide, 1);
    std::vector<uint8_t> buffer(rowBytes, 2);
    for (auto _ : state) {
        for (int r = 0; r < kSide; ++r) {
            uint8_t* row = rows.data() + static_cast<size_t>(r) * rowBytes;
            if (toRows)
                std::memcpy(row, buffer.data(), rowBytes);
            else
                std::memcpy(buffer.data(), row, rowBytes);
            // Keeps every copy: otherwise only the last one into the buffer survives.
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide *
                            static_cast<int64_t>(rowBytes));
}

// memcpy of the same bytes at the same addresses: every row of an 8- or
// 16-bit image, top row first, as ReadLine and WriteLine walk them (the
// rows are stored bottom-up, so the walk goes down through memory).
void BM_MemcpyImageRows(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const bool toRows = state.range(1) != 0;
    orvex::Image& image = ImageOfDepth(depth);
    const size_t rowBytes = RowBytes(depth);
    std::vector<uint8_t> buffer(rowBytes, 2);
    for (auto _ : state) {
        for (int r = 0; r < kSide; ++r) {
            uint8_t* row = image.PixelAddress(r, 0);
            if (toRows)
                std::memcpy(row, buffer.data(), rowBytes);
            else
                std::memcpy(buffer.data(), row, rowBytes);
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide *
                            static_cast<int64_t>(rowBytes));
}

// The machine is shared: the fastest of the repetitions is the figure that
// says what the code can do.
double Fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

void DepthPairs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"from", "to"});
    b->ComputeStatistics("min", Fastest);
    for (auto pair : {std::pair{8, 8}, {16, 16}, {8, 16}, {16, 8}, {8, 4}, {8, 1}})
        b->Args({pair.first, pair.second});
}

}  // namespace

BENCHMARK(BM_ReadLine)->Apply(DepthPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLine)->Apply(DepthPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)
    ->ArgNames({"bytes", "toRows"})
    ->ArgsProduct({{4096, 8192}, {0, 1}})
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_MemcpyImageRows)
    ->ArgNames({"depth", "toRows"})
    ->ArgsProduct({{8, 16}, {0, 1}})
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
