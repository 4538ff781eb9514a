#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "imagestore/image.h"
#include "store_fixture.h"

namespace orvex {
namespace {

using ImageBlocks = StoreTest;

std::vector<uint8_t> Snapshot(const Image& image) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> row(static_cast<size_t>(image.Width()) * 2);
    for (int r = 0; r < image.Height(); ++r) {
        image.ReadLine(r, row.data(), 16);
        all.insert(all.end(), row.begin(), row.end());
    }
    return all;
}

TEST_F(ImageBlocks, ABlockReachingTheLastPixelIsTakenOneFurtherIsNot) {
    Image image;
    ASSERT_EQ(image.Allocate(10, 6, 8), 1);
    std::vector<uint8_t> block(4 * 3, 9);
    EXPECT_EQ(image.WriteBlock(6, 3, 4, 3, block.data(), 8), 1);
    EXPECT_EQ(image.ReadBlock(6, 3, 4, 3, block.data(), 8), 1);
    EXPECT_EQ(image.GetPixel(9, 5), 9);
    const auto before = Snapshot(image);
    EXPECT_EQ(image.WriteBlock(7, 3, 4, 3, block.data(), 8), 0);
    EXPECT_EQ(image.WriteBlock(6, 4, 4, 3, block.data(), 8), 0);
    EXPECT_EQ(image.ReadBlock(7, 3, 4, 3, block.data(), 8), 0);
    EXPECT_EQ(image.ReadBlock(6, 4, 4, 3, block.data(), 8), 0);
    EXPECT_EQ(Snapshot(image), before);
}

TEST_F(ImageBlocks, NegativeHugeAndOverflowingBlocksAreRefused) {
    Image image;
    ASSERT_EQ(image.Allocate(10, 6, 8), 1);
    image.SetModified(false);
    std::vector<uint8_t> block(64, 1);
    const int cases[][4] = {{-1, 0, 2, 2},     {0, -1, 2, 2},      {0, 0, -2, 2},
                            {0, 0, 2, -2},     {10, 0, 0, 1},      {0, 6, 1, 0},
                            {5, 0, INT_MAX, 1}, {0, 5, 1, INT_MAX}, {INT_MAX, 0, 1, 1},
                            {INT_MIN, 0, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(image.WriteBlock(c[0], c[1], c[2], c[3], block.data(), 8), 0)
            << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
        EXPECT_EQ(image.ReadBlock(c[0], c[1], c[2], c[3], block.data(), 8), 0);
    }
    EXPECT_EQ(image.WriteBlock(0, 0, 2, 2, block.data(), 3), 0);
    EXPECT_EQ(image.WriteBlock(0, 0, 2, 2, nullptr, 8), 0);
    EXPECT_FALSE(image.IsModified());
    for (int r = 0; r < 6; ++r) EXPECT_EQ(image.GetPixel(0, r), 0);
    EXPECT_EQ(image.GetPixel(10, 0), 0);
    EXPECT_EQ(image.GetPixel(-1, 0), 0);
    EXPECT_EQ(image.GetPixel(0, 6), 0);
    uint8_t value = 0;
    EXPECT_EQ(image.ReadPixel(0, INT_MAX, &value, 8), 0);
    EXPECT_EQ(image.PixelAddress(INT_MIN, 0), nullptr);
}

TEST_F(ImageBlocks, OneBitBlocksStartAtTheirColumnsBitAndKeepTheOtherBits) {
    Image image;
    ASSERT_EQ(image.Allocate(24, 2, 1), 1);
    std::vector<uint8_t> ones(24, 1);
    image.WriteLine(0, ones.data(), 8);
    image.WriteLine(1, ones.data(), 8);
    // Ten pixels from column 5 of rows 0 and 1, cleared every other pixel:
    // each buffer row takes two bytes.
    const uint8_t block[4] = {0b01010101, 0b01000000, 0b01010101, 0b01000000};
    ASSERT_EQ(image.WriteBlock(5, 0, 10, 2, block, 1), 1);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 24; ++c) {
            const bool inside = c >= 5 && c < 15;
            const int expected = inside ? ((c - 5) % 2 == 1) : 1;
            EXPECT_EQ(image.GetPixel(c, r), expected) << c << "," << r;
        }
    uint8_t back[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(image.ReadBlock(5, 0, 10, 2, back, 1), 1);
    EXPECT_EQ(back[0], 0b01010101);
    EXPECT_EQ(back[1] & 0xC0, 0b01000000);
    EXPECT_EQ(back[2], 0b01010101);
}

TEST_F(ImageBlocks, FourBitBlocksAtOddColumnsKeepTheNeighbouringNibbles) {
    Image image;
    ASSERT_EQ(image.Allocate(6, 1, 4), 1);
    const uint8_t line[6] = {1, 2, 3, 4, 5, 6};
    image.WriteLine(0, line, 8);
    const uint8_t block[3] = {12, 13, 14};
    ASSERT_EQ(image.WriteBlock(1, 0, 3, 1, block, 8), 1);
    const int expected[6] = {1, 12, 13, 14, 5, 6};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(image.GetPixel(c, 0), expected[c]);
    uint8_t packed[2] = {};
    ASSERT_EQ(image.ReadBlock(1, 0, 3, 1, packed, 4), 1);
    EXPECT_EQ(packed[0], 0xCD);
    EXPECT_EQ(packed[1] >> 4, 14);
}


}  // namespace
}  // namespace orvex
