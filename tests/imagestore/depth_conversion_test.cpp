#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <random>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/pixel_convert.h"
#include "store_fixture.h"

namespace orvex {
namespace {

// The conversion rules written out one pixel at a time, to check the fast
// paths against.
unsigned Get(const std::vector<uint8_t>& row, int depth, int i) {
    switch (depth) {
        case 1: return (row[i / 8] >> (7 - i % 8)) & 1;
        case 4: return i % 2 ? row[i / 2] & 15 : row[i / 2] >> 4;
        case 8: return row[i];
        default: return row[2 * i] | row[2 * i + 1] << 8;
    }
}

void Put(std::vector<uint8_t>& row, int depth, int i, unsigned v) {
    switch (depth) {
        case 1:
            row[i / 8] = static_cast<uint8_t>((row[i / 8] & ~(0x80 >> (i % 8))) | (v ? 0x80 >> (i % 8) : 0));
            break;
        case 4:
            row[i / 2] = static_cast<uint8_t>(i % 2 ? (row[i / 2] & 0xF0) | v : (row[i / 2] & 0x0F) | v << 4);
            break;
        case 8: row[i] = static_cast<uint8_t>(v); break;
        default:
            row[2 * i] = static_cast<uint8_t>(v);
            row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

unsigned Converted(unsigned value, int from, int to) {
    if (from == to) return value;
    if (from == 16 && to == 8) return value >> 8;
    if (from == 8 && to == 16) return value * 256;
    const unsigned v = from == 16 ? value >> 8 : value;
    switch (to) {
        case 1: return v != 0;
        case 4: return std::min(v, 15u);
        case 8: return v;
        default: return v << 8;
    }
}

const int kDepths[] = {1, 4, 8, 16};

// Every instruction set this processor has among those the kernels are built
// for, so the narrower paths are checked on a machine that would not pick them.
class DepthConversion : public ::testing::TestWithParam<int64_t> {
protected:
    void SetUp() override { hwy::SetSupportedTargetsForTest(GetParam()); }
    void TearDown() override { hwy::SetSupportedTargetsForTest(0); }
};

INSTANTIATE_TEST_SUITE_P(EveryInstructionSet, DepthConversion,
                         ::testing::ValuesIn(hwy::SupportedAndGeneratedTargets()),
                         [](const ::testing::TestParamInfo<int64_t>& info) {
                             return std::string(hwy::TargetName(info.param));
                         });

TEST_P(DepthConversion, EveryPairOfDepthsAtEveryOffsetMatchesThePixelRules) {
    std::mt19937 random(7);
    for (int from : kDepths)
        for (int to : kDepths)
            for (int trial = 0; trial < 60; ++trial) {
                // Short runs for the edges, long ones for the vector paths.
                const int n = 1 + static_cast<int>(random() % (trial < 30 ? 40 : 300));
                const int sourceFirst = static_cast<int>(random() % 9);
                const int destFirst = static_cast<int>(random() % 9);
                std::vector<uint8_t> source(PackedBytes(sourceFirst + n, from) + 1);
                std::vector<uint8_t> dest(PackedBytes(destFirst + n, to) + 1);
                for (auto& b : source) b = static_cast<uint8_t>(random());
                for (auto& b : dest) b = static_cast<uint8_t>(random());
                std::vector<uint8_t> expected = dest;
                for (int i = 0; i < n; ++i)
                    Put(expected, to, destFirst + i, Converted(Get(source, from, sourceFirst + i), from, to));
                ConvertPixels(source.data(), from, sourceFirst, dest.data(), to, destFirst, n);
                ASSERT_EQ(dest, expected) << from << "->" << to << " n=" << n << " at "
                                          << sourceFirst << "," << destFirst;
            }
}

using ImageDepth = StoreTest;

TEST_F(ImageDepth, SixteenBitLinesInAnEightBitImageKeepTheirHighBytes) {
    Image image;
    ASSERT_EQ(image.Allocate(3, 2, 8), 1);
    const uint16_t line[3] = {0x1234, 0xFF01, 0x00FF};
    ASSERT_EQ(image.WriteLine(1, line, 16), 1);
    EXPECT_EQ(image.GetPixel(0, 1), 0x12);
    EXPECT_EQ(image.GetPixel(1, 1), 0xFF);
    EXPECT_EQ(image.GetPixel(2, 1), 0x00);
    uint16_t back[3] = {};
    ASSERT_EQ(image.ReadLine(1, back, 16), 1);
    EXPECT_EQ(back[0], 0x1200);
    EXPECT_EQ(back[1], 0xFF00);
    EXPECT_EQ(back[2], 0);
}

TEST_F(ImageDepth, LargeValuesSaturateInFourBitsAndSetOneBit) {
    Image four, one;
    ASSERT_EQ(four.Allocate(3, 1, 4), 1);
    ASSERT_EQ(one.Allocate(3, 1, 1), 1);
    const uint8_t line[3] = {200, 7, 0};
    four.WriteLine(0, line, 8);
    one.WriteLine(0, line, 8);
    EXPECT_EQ(four.GetPixel(0, 0), 15);
    EXPECT_EQ(four.GetPixel(1, 0), 7);
    EXPECT_EQ(one.GetPixel(0, 0), 1);
    EXPECT_EQ(one.GetPixel(1, 0), 1);
    EXPECT_EQ(one.GetPixel(2, 0), 0);
    uint8_t pixel = 99;
    ASSERT_EQ(four.ReadPixel(0, 0, &pixel, 8), 1);
    EXPECT_EQ(pixel, 15);
}


}  // namespace
}  // namespace orvex
