// The vector row kernels against plain loops written out here, on random
// rows of every width up to 67 and a few longer ones, at 8 and 16 bits, once
// for every instruction set this processor offers among those built.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "processing/kernels/geometry_rows.h"
#include "processing/kernels/neighbourhood_rows.h"
#include "processing/kernels/point_rows.h"

namespace orvex {
namespace {

std::vector<int> widths() {
    std::vector<int> all;
    for (int w = 1; w <= 67; ++w) all.push_back(w);
    for (int w : {127, 128, 129, 255, 1000, 4099}) all.push_back(w);
    return all;
}

class RowKernels : public ::testing::TestWithParam<int64_t> {
protected:
    void SetUp() override { hwy::SetSupportedTargetsForTest(GetParam()); }
    void TearDown() override { hwy::SetSupportedTargetsForTest(0); }

    // Random values; `levels` small gives many ties.
    template <class T>
    std::vector<T> values(size_t n, unsigned levels = 0) {
        const unsigned top = levels ? levels - 1 : std::numeric_limits<T>::max();
        std::uniform_int_distribution<unsigned> pick(0, top);
        std::vector<T> v(n);
        for (T& x : v) x = static_cast<T>(pick(random));
        return v;
    }
    // Three padded rows of width + 2 values, zero at both ends.
    template <class T>
    std::vector<T> paddedRows(int width, unsigned levels = 0) {
        std::vector<T> rows = values<T>(3 * (static_cast<size_t>(width) + 2), levels);
        for (int r = 0; r < 3; ++r) rows[r * (width + 2)] = rows[r * (width + 2) + width + 1] = 0;
        return rows;
    }
    std::mt19937 random{19};
};

INSTANTIATE_TEST_SUITE_P(EveryInstructionSet, RowKernels, ::testing::ValuesIn(hwy::SupportedAndGeneratedTargets()),
                         [](const ::testing::TestParamInfo<int64_t>& info) {
                             return std::string(hwy::TargetName(info.param));
                         });

template <class T>
std::vector<T> neighbours(const std::vector<T>& rows, int width, int j) {
    std::vector<T> n;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) n.push_back(rows[r * (width + 2) + j + c]);
    return n;
}

template <class T>
void checkMedian(const std::vector<T>& rows, int width) {
    const T* a = rows.data();
    std::vector<T> out(static_cast<size_t>(width));
    MedianRow(a, a + width + 2, a + 2 * (width + 2), width, out.data());
    for (int j = 0; j < width; ++j) {
        std::vector<T> n = neighbours(rows, width, j);
        std::nth_element(n.begin(), n.begin() + 4, n.end());
        ASSERT_EQ(out[j], n[4]) << "width " << width << " at " << j;
    }
}

TEST_P(RowKernels, MedianMinimumAndMaximumAreThoseOfTheNineNeighbours) {
    for (int width : widths()) {
        for (unsigned levels : {0u, 3u}) {
            checkMedian(paddedRows<uint8_t>(width, levels), width);
            checkMedian(paddedRows<uint16_t>(width, levels), width);
            const std::vector<uint8_t> rows = paddedRows<uint8_t>(width, levels);
            const uint8_t* a = rows.data();
            std::vector<uint8_t> low(width), high(width);
            MinimumRow(a, a + width + 2, a + 2 * (width + 2), width, low.data());
            MaximumRow(a, a + width + 2, a + 2 * (width + 2), width, high.data());
            for (int j = 0; j < width; ++j) {
                const std::vector<uint8_t> n = neighbours(rows, width, j);
                ASSERT_EQ(low[j], *std::min_element(n.begin(), n.end())) << width << " at " << j;
                ASSERT_EQ(high[j], *std::max_element(n.begin(), n.end())) << width << " at " << j;
            }
        }
        // Values at the top of the 16-bit range, where a signed compare would go wrong.
        std::vector<uint16_t> bright = paddedRows<uint16_t>(width);
        for (auto& v : bright) v = static_cast<uint16_t>(v | 0x8000);
        checkMedian(bright, width);
    }
}

// Each product truncated on its own, held to the range of int; the nine summed
// without overflow and then limited to 0..255.
uint8_t convolved(const std::vector<uint8_t>& rows, int width, int j, const std::array<float, 9>& k) {
    long long sum = 0;
    const std::vector<uint8_t> n = neighbours(rows, width, j);
    for (int i = 0; i < 9; ++i) {
        const float p = n[i] * k[i];
        if (std::isnan(p)) continue;
        if (p >= 2147483648.0f)
            sum += std::numeric_limits<int>::max();
        else if (p <= -2147483648.0f)
            sum += std::numeric_limits<int>::min();
        else
            sum += static_cast<int>(p);
    }
    return static_cast<uint8_t>(std::clamp(sum, 0LL, 255LL));
}

TEST_P(RowKernels, ConvolutionTruncatesEachProductAndSaturatesInsteadOfOverflowing) {
    std::uniform_real_distribution<float> fraction(-3.0f, 3.0f);
    std::uniform_int_distribution<int> whole(-9, 9);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<std::array<float, 9>> kernels = {
        {0, -1, 0, -1, 5, -1, 0, -1, 0},  // small whole numbers
        {1, 1, 1, 1, 1, 1, 1, 1, 1},      // sums far beyond 255
        {0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f},
        {0, 0, 0, 0, 1e10f, 0, 0, 0, 0},           // products beyond int
        {1e10f, 0, 0, 0, -1e10f, 0, 0, 0, 1e10f},  // and sums
        {-2e9f, -2e9f, 0, 0, 0, 0, 0, 0, 0},       // a sum below int
        {0, 0, 0, 0, nan, 0, 0, 1, 0},             // not a number counts as 0
        {0, inf, 0, 0, -inf, 0, 0, 0, 0},
        {0, 0, 0, 0, 200, 0, 0, 0, 0},       // whole but too large for 16 bits
        {4e6f, 0, 0, 0, 0, 0, 0, 0, -4e6f},  // large enough for single precision to round
        // Fractions, summed in fixed point where that gives the same integers:
        {0.0625f, 0.125f, 0.0625f, 0.125f, 0.25f, 0.125f, 0.0625f, 0.125f, 0.0625f},
        {-0.125f, -0.125f, -0.125f, -0.125f, 2.0f, -0.125f, -0.125f, -0.125f, -0.125f},
        {0.99999994f, 1e-6f, -1e-6f, 0.1f, 0.2f, 0.3f, 1.0f / 3, -2.0f / 3, 0.7f},
        {100.5f, 0, 0, 0, -27.25f, 0, 0, 0, 0.01f},  // whole parts beside the fractions
        {64.3f, 64.3f, 0, 0, 0, 0, 0, 0, 0},         // positive products beyond 16 bits
    };
    // The smoothing kernels of the matrix list go through fixed point.
    EXPECT_EQ(PrepareConvolution(kernels[10]).path, ConvolutionPath::Fixed);
    EXPECT_EQ(PrepareConvolution(kernels[2]).path, ConvolutionPath::Fixed);
    EXPECT_EQ(PrepareConvolution(kernels[14]).path, ConvolutionPath::Floats);
    for (int trial = 0; trial < 6; ++trial) {
        std::array<float, 9> k{};
        for (float& w : k) w = trial % 2 ? fraction(random) : static_cast<float>(whole(random));
        kernels.push_back(k);
    }
    // Weights of every size from 0.001 to 200, some zero, either sign: each
    // kernel takes whichever path its weights allow.
    std::uniform_real_distribution<float> exponent(-3.0f, 2.3f), coin(0.0f, 1.0f);
    for (int trial = 0; trial < 24; ++trial) {
        std::array<float, 9> k{};
        for (float& w : k) {
            const float draw = coin(random);
            w = draw < 0.25f ? 0.0f
                             : (draw < 0.6f ? -1.0f : 1.0f) * std::pow(10.0f, exponent(random));
        }
        kernels.push_back(k);
    }
    for (const auto& k : kernels)
        for (int width : widths()) {
            const std::vector<uint8_t> rows = paddedRows<uint8_t>(width);
            const uint8_t* a = rows.data();
            std::vector<uint8_t> out(static_cast<size_t>(width));
            ConvolveRow(a, a + width + 2, a + 2 * (width + 2), width, k, out.data());
            for (int j = 0; j < width; ++j)
                ASSERT_EQ(out[j], convolved(rows, width, j, k)) << "width " << width << " at " << j << " k4 " << k[4];
        }
    // The case that used to wrap round: all 255 under a huge weight.
    const std::vector<uint8_t> bright(3 * 10, 255);
    std::vector<uint8_t> out(8);
    ConvolveRow(bright.data(), bright.data() + 10, bright.data() + 20, 8,
                std::array<float, 9>{0, 0, 0, 0, 1e10f, 0, 0, 0, 0}, out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(8, 255));
    EXPECT_EQ(TruncatedProduct(255, -1e10f), std::numeric_limits<int>::min());
    EXPECT_EQ(TruncatedProduct(3, -0.5f), -1);
}

template <class T>
void checkPointRules(std::mt19937& random, int width, std::vector<T> row) {
    constexpr int top = std::numeric_limits<T>::max();
    std::uniform_int_distribution<int> limit(-10, top + 10);
    for (int trial = 0; trial < 6; ++trial) {
        const int low = limit(random), high = trial == 5 ? low - 1 : limit(random);
        for (bool inside : {true, false})
            for (bool mask : {true, false}) {
                std::vector<T> kept = row;
                GreyWindowRow(kept.data(), width, low, high, inside, mask);
                for (int j = 0; j < width; ++j) {
                    const bool within = low <= row[j] && row[j] <= high;
                    const T expected = within == inside ? (mask ? static_cast<T>(top) : row[j]) : T{0};
                    ASSERT_EQ(kept[j], expected) << width << " at " << j << " window " << low << ".." << high;
                }
            }
        const unsigned level = static_cast<unsigned>(std::max(limit(random), 0));
        for (unsigned l : {level, 0u, static_cast<unsigned>(top), static_cast<unsigned>(top) + 1}) {
            std::vector<uint8_t> marks(static_cast<size_t>(width));
            ThresholdRow(row.data(), width, l, marks.data());
            for (int j = 0; j < width; ++j) ASSERT_EQ(marks[j], row[j] >= l ? 255 : 0) << width << " at " << j;
            if constexpr (sizeof(T) == 1) {
                // Streamed, into a row on a cache line and into one off it.
                std::vector<uint8_t> space(static_cast<size_t>(width) + 128);
                uint8_t* streamed =
                    space.data() + (64 - reinterpret_cast<uintptr_t>(space.data()) % 64) % 64;
                for (int offset : {0, 1}) {
                    std::fill(space.begin(), space.end(), uint8_t{7});
                    ThresholdRow(row.data(), width, l, streamed + offset, RowStores::Streamed);
                    FinishStreamedRows();
                    for (int j = 0; j < width; ++j)
                        ASSERT_EQ(streamed[offset + j], row[j] >= l ? 255 : 0)
                            << width << " streamed at " << j;
                    ASSERT_EQ(streamed[offset + width], 7) << width;
                }
            }
        }
    }
    std::vector<T> negative = row;
    NegateRow(negative.data(), width);
    for (int j = 0; j < width; ++j) ASSERT_EQ(negative[j], top - row[j]);
    SplitCounts split;
    CountRow(row.data(), width, split);
    CountRow(row.data(), width, split);
    uint32_t counts[256], expected[256] = {};
    SumCounts(split, counts);
    for (T v : row) expected[sizeof(T) == 1 ? v : v >> 8] += 2;
    ASSERT_TRUE(std::equal(counts, counts + 256, expected)) << width;
}

TEST_P(RowKernels, PointOperationsFollowTheirPerPixelRules) {
    for (int width : widths()) {
        checkPointRules(random, width, values<uint8_t>(static_cast<size_t>(width)));
        checkPointRules(random, width, values<uint16_t>(static_cast<size_t>(width)));
    }
}

template <class T>
void checkTurns(std::vector<T> source, int w, int h) {
    for (bool clockwise : {true, false}) {
        // Bands of several heights, so both the blocks and the leftover rows run.
        for (int band : {1, 7, 16, 64}) {
            std::vector<T> out(static_cast<size_t>(band) * h + 3, 0);
            for (int r0 = 0; r0 < w; r0 += band) {
                const int rows = std::min(band, w - r0);
                TurnBand(source.data(), static_cast<size_t>(w), w, h, clockwise, r0, rows, out.data(),
                         static_cast<size_t>(h));
                for (int k = 0; k < rows; ++k)
                    for (int c = 0; c < h; ++c) {
                        const int r = r0 + k;
                        const T expected = clockwise ? source[static_cast<size_t>(h - 1 - c) * w + r]
                                                     : source[static_cast<size_t>(c) * w + (w - 1 - r)];
                        ASSERT_EQ(out[static_cast<size_t>(k) * h + c], expected)
                            << w << "x" << h << (clockwise ? " cw" : " ccw") << " band " << band << " at " << c << "," << r;
                    }
            }
        }
    }
}

TEST_P(RowKernels, QuarterTurnsAndMirrorsPutEveryPixelWhereItBelongs) {
    std::uniform_int_distribution<int> side(1, 67);
    std::vector<std::pair<int, int>> sizes = {{1, 1}, {16, 16}, {8, 8}, {17, 33}, {64, 48}, {130, 67}, {67, 130}};
    for (int i = 0; i < 12; ++i) sizes.push_back({side(random), side(random)});
    for (auto [w, h] : sizes) {
        checkTurns(values<uint8_t>(static_cast<size_t>(w) * h), w, h);
        checkTurns(values<uint16_t>(static_cast<size_t>(w) * h), w, h);
    }
    for (int width : widths()) {
        const std::vector<uint8_t> narrow = values<uint8_t>(static_cast<size_t>(width));
        const std::vector<uint16_t> wide = values<uint16_t>(static_cast<size_t>(width));
        std::vector<uint8_t> narrowOut(narrow.size());
        std::vector<uint16_t> wideOut(wide.size());
        ReverseRow(narrow.data(), width, narrowOut.data());
        ReverseRow(wide.data(), width, wideOut.data());
        ASSERT_TRUE(std::equal(narrow.rbegin(), narrow.rend(), narrowOut.begin())) << width;
        ASSERT_TRUE(std::equal(wide.rbegin(), wide.rend(), wideOut.begin())) << width;
        // Copies, streamed or not, into rows that start on a cache line, off
        // it by a pixel, and off it by a byte (which a 16-bit row never streams).
        std::vector<uint8_t> space(2 * narrow.size() + 192, 7);
        uint8_t* line = space.data() + (64 - reinterpret_cast<uintptr_t>(space.data()) % 64) % 64;
        for (RowStores stores : {RowStores::Cached, RowStores::Streamed})
            for (int offset : {0, 1, 2}) {
                std::fill(space.begin(), space.end(), uint8_t{7});
                CopyRow(narrow.data(), width, line + offset, stores);
                FinishStreamedRows();
                ASSERT_TRUE(std::equal(narrow.begin(), narrow.end(), line + offset)) << width;
                ASSERT_EQ(line[offset + width], 7) << width;
                std::fill(space.begin(), space.end(), uint8_t{7});
                auto* words = reinterpret_cast<uint16_t*>(line + offset);
                CopyRow(wide.data(), width, words, stores);
                FinishStreamedRows();
                ASSERT_EQ(std::memcmp(words, wide.data(), wide.size() * 2), 0)
                    << width << " offset " << offset;
                ASSERT_EQ(line[offset + 2 * width], 7) << width;
            }
    }
}

TEST_P(RowKernels, BilinearPassesKeepTheDoubleArithmeticBitForBit) {
    std::uniform_real_distribution<double> weight(-0.75, 1.75);
    for (int width : widths()) {
        const int sourceWidth = width + 1 + static_cast<int>(random() % 5);
        // Values at both ends of the range, and room for the word-wide reads.
        std::vector<uint16_t> wide = values<uint16_t>(static_cast<size_t>(sourceWidth) + 4);
        std::vector<uint8_t> narrow = values<uint8_t>(static_cast<size_t>(sourceWidth) + 4);
        wide[0] = 65535;
        narrow[0] = 255;
        std::vector<int32_t> index(static_cast<size_t>(width));
        std::vector<double> weights(static_cast<size_t>(width)), along(static_cast<size_t>(width)),
            alongNarrow(static_cast<size_t>(width));
        for (int c = 0; c < width; ++c) {
            index[c] = static_cast<int32_t>(random() % static_cast<unsigned>(sourceWidth - 1));
            weights[c] = weight(random);
        }
        index[0] = sourceWidth - 2;  // the last pair of the row
        BlendAlongRow(wide.data(), index.data(), weights.data(), width, along.data());
        BlendAlongRow(narrow.data(), index.data(), weights.data(), width, alongNarrow.data());
        for (int c = 0; c < width; ++c) {
            const double lo = wide[index[c]], hi = wide[index[c] + 1];
            ASSERT_EQ(along[c], lo + (hi - lo) * weights[c]) << width << " at " << c;
            const double lo8 = narrow[index[c]], hi8 = narrow[index[c] + 1];
            ASSERT_EQ(alongNarrow[c], lo8 + (hi8 - lo8) * weights[c]) << width << " at " << c;
        }
        // Between two interpolated rows, beyond both ends of 0..1 too.
        std::vector<double> other(along.rbegin(), along.rend());
        for (double g : {0.0, 0.25, 0.7371, -0.6, 1.4}) {
            std::vector<uint8_t> out8(static_cast<size_t>(width));
            std::vector<uint16_t> out16(static_cast<size_t>(width));
            BlendBetweenRows(along.data(), other.data(), g, width, out16.data());
            for (int c = 0; c < width; ++c) {
                const double v = std::clamp(along[c] + (other[c] - along[c]) * g, 0.0, 65535.0);
                ASSERT_EQ(out16[c], static_cast<uint16_t>(v)) << width << " at " << c;
            }
            std::vector<double> a8(along), b8(other);
            for (auto& v : a8) v /= 200.0;
            for (auto& v : b8) v /= 200.0;
            BlendBetweenRows(a8.data(), b8.data(), g, width, out8.data());
            for (int c = 0; c < width; ++c) {
                const double v = std::clamp(a8[c] + (b8[c] - a8[c]) * g, 0.0, 255.0);
                ASSERT_EQ(out8[c], static_cast<uint8_t>(v)) << width << " at " << c;
            }
        }
    }
}

// Resampling weights of 2^-shift steps run on scaled integers; the results
// must be the double arithmetic's, extrapolation beyond both ends included.
template <class T>
void checkScaledBlend(std::mt19937& random, int width, int shift) {
    const int top = std::numeric_limits<T>::max();
    const int sourceWidth = width + 2;
    std::uniform_int_distribution<int> value(0, top), step(-(1 << shift) / 2, (1 << shift) + (1 << shift) / 2);
    std::vector<T> upper(static_cast<size_t>(sourceWidth) + 4), lower(upper.size());
    for (auto& v : upper) v = static_cast<T>(value(random));
    for (auto& v : lower) v = static_cast<T>(value(random));
    upper[1] = static_cast<T>(top);
    lower[2] = 0;
    std::vector<int32_t> index(static_cast<size_t>(width)), scaled(static_cast<size_t>(width));
    std::vector<double> weights(static_cast<size_t>(width));
    for (int c = 0; c < width; ++c) {
        index[c] = static_cast<int32_t>(random() % static_cast<unsigned>(sourceWidth - 1));
        scaled[c] = step(random);
        weights[c] = std::ldexp(scaled[c], -shift);
    }
    const int g = step(random);
    const double rowWeight = std::ldexp(g, -shift);
    ASSERT_GE(ExactShift(weights.data(), width, &rowWeight, 1, top), 0);
    std::vector<int32_t> a(static_cast<size_t>(width)), b(a.size());
    BlendAlongRowScaled(upper.data(), index.data(), scaled.data(), shift, width, a.data());
    BlendAlongRowScaled(lower.data(), index.data(), scaled.data(), shift, width, b.data());
    // Pairs as a halving reads them: the gathering path on the same taps agrees.
    std::vector<int32_t> pairIndex(static_cast<size_t>(width) / 2), paired(pairIndex.size()), gathered(pairIndex.size());
    for (size_t c = 0; c < pairIndex.size(); ++c) pairIndex[c] = static_cast<int32_t>(2 * c);
    const std::vector<int32_t> sameWeight(pairIndex.size(), scaled[0]);
    BlendPairsScaled(upper.data(), scaled[0], shift, static_cast<int>(pairIndex.size()), paired.data());
    BlendAlongRowScaled(upper.data(), pairIndex.data(), sameWeight.data(), shift, static_cast<int>(pairIndex.size()),
                        gathered.data());
    ASSERT_EQ(paired, gathered) << width;
    std::vector<T> out(static_cast<size_t>(width));
    BlendBetweenRowsScaled(a.data(), b.data(), g, shift, width, out.data());
    for (int c = 0; c < width; ++c) {
        const double lo = upper[index[c]], hi = upper[index[c] + 1];
        const double lo2 = lower[index[c]], hi2 = lower[index[c] + 1];
        const double x = lo + (hi - lo) * weights[c], y = lo2 + (hi2 - lo2) * weights[c];
        const T expected = static_cast<T>(std::clamp(x + (y - x) * rowWeight, 0.0, static_cast<double>(top)));
        ASSERT_EQ(out[c], expected) << width << " at " << c << " shift " << shift;
    }
}

TEST_P(RowKernels, ScaledIntegerResamplingGivesTheDoubleResults) {
    for (int width : widths())
        for (int shift : {0, 1, 2, 5}) {
            checkScaledBlend<uint8_t>(random, width, shift);
            checkScaledBlend<uint16_t>(random, width, shift);
        }
    // Weights of no power of two, or too fine for 31 bits, stay with doubles.
    const double third = 1.0 / 3, fine = std::ldexp(1.0, -7);
    EXPECT_EQ(ExactShift(&third, 1, &third, 1, 255), -1);
    EXPECT_EQ(ExactShift(&fine, 1, &fine, 1, 255), 7);
    EXPECT_EQ(ExactShift(&fine, 1, &fine, 1, 65535), -1);
    const double quarters[] = {-0.25, 0.25, 0.75, 1.25};
    EXPECT_EQ(ExactShift(quarters, 4, quarters, 4, 65535), 2);
}

}  // namespace
}  // namespace orvex
