// Whole-row ReadLine and WriteLine over a 4096 x 4096 image at every depth
// pair the store converts, beside memcpy of the same bytes: for each row the
// wider of its two sides (image row or buffer), between a whole image's
// worth of rows and one row buffer, in the same direction.
//
// Each benchmark also times one memcpy pass beside every pass of its own and
// reports the counter vs_memcpy: the fastest memcpy pass over the fastest
// pass of the operation (1.0 = as fast as memcpy). Taking the two side by
// side and by their fastest passes keeps the ratio steady on a busy machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/pixel_convert.h"

namespace {

constexpr int kSide = 4096;
using Clock = std::chrono::steady_clock;

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

// One memcpy pass of rowBytes per row between kSide contiguous rows and a
// row buffer; returns its time in seconds.
double MemcpyPass(size_t rowBytes, bool toRows) {
    static std::vector<uint8_t> rows(static_cast<size_t>(kSide) * 8192, 1);
    static std::vector<uint8_t> buffer(8192, 2);
    const auto start = Clock::now();
    for (int r = 0; r < kSide; ++r) {
        uint8_t* row = rows.data() + static_cast<size_t>(r) * rowBytes;
        if (toRows)
            std::memcpy(row, buffer.data(), rowBytes);
        else
            std::memcpy(buffer.data(), row, rowBytes);
        // Keeps every copy: otherwise only the last one into the buffer survives.
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <class Pass>
void RunBesideMemcpy(benchmark::State& state, size_t movedBytes, bool toRows, Pass pass) {
    double fastestPass = 1e9, fastestMemcpy = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        pass();
        fastestPass = std::min(fastestPass, std::chrono::duration<double>(Clock::now() - start).count());
        state.PauseTiming();
        fastestMemcpy = std::min(fastestMemcpy, MemcpyPass(movedBytes, toRows));
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide *
                            static_cast<int64_t>(movedBytes));
    state.counters["vs_memcpy"] = fastestMemcpy / fastestPass;
}

// ReadLine: an image of sourceDepth into a buffer of destDepth.
void BM_ReadLine(benchmark::State& state) {
    const int sourceDepth = static_cast<int>(state.range(0));
    const int destDepth = static_cast<int>(state.range(1));
    const orvex::Image& image = ImageOfDepth(sourceDepth);
    std::vector<uint8_t> buffer(RowBytes(destDepth) + 8);
    RunBesideMemcpy(state, MovedBytes(sourceDepth, destDepth), false, [&] {
        for (int r = 0; r < kSide; ++r) image.ReadLine(r, buffer.data(), destDepth);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    });
}

// WriteLine: a buffer of sourceDepth into an image of destDepth.
void BM_WriteLine(benchmark::State& state) {
    const int sourceDepth = static_cast<int>(state.range(0));
    const int destDepth = static_cast<int>(state.range(1));
    orvex::Image& image = ImageOfDepth(destDepth);
    std::vector<uint8_t> buffer(RowBytes(sourceDepth) + 8);
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 13);
    RunBesideMemcpy(state, MovedBytes(sourceDepth, destDepth), true, [&] {
        for (int r = 0; r < kSide; ++r) image.WriteLine(r, buffer.data(), sourceDepth);
        benchmark::ClobberMemory();
    });
}

// memcpy of the same bytes at the image's own row addresses, top row first
// as ReadLine and WriteLine walk them: the rows are stored bottom-up, so the
// walk goes down through memory.
void BM_MemcpyImageRows(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const bool toRows = state.range(1) != 0;
    orvex::Image& image = ImageOfDepth(depth);
    const size_t rowBytes = RowBytes(depth);
    std::vector<uint8_t> buffer(rowBytes, 2);
    RunBesideMemcpy(state, rowBytes, toRows, [&] {
        for (int r = 0; r < kSide; ++r) {
            uint8_t* row = image.PixelAddress(r, 0);
            if (toRows)
                std::memcpy(row, buffer.data(), rowBytes);
            else
                std::memcpy(buffer.data(), row, rowBytes);
            benchmark::ClobberMemory();
        }
    });
}

void DepthPairs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"from", "to"});
    for (auto pair : {std::pair{8, 8}, {16, 16}, {8, 16}, {16, 8}, {8, 4}, {8, 1}})
        b->Args({pair.first, pair.second});
}

}  // namespace

BENCHMARK(BM_ReadLine)->Apply(DepthPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLine)->Apply(DepthPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyImageRows)
    ->ArgNames({"depth", "toRows"})
    ->ArgsProduct({{8, 16}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
