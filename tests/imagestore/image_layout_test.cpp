#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imagestore/image.h"
#include "platform/headless_ui.h"

namespace orvex {
namespace {

TEST(ImageLayout, StridesPadRowsToFourBytes) {
    Image eight, sixteen, one;
    ASSERT_EQ(eight.Allocate(5, 3, 8), 1);
    ASSERT_EQ(sixteen.Allocate(5, 3, 16), 1);
    ASSERT_EQ(one.Allocate(33, 3, 1), 1);
    EXPECT_EQ(eight.Stride(), 8);
    EXPECT_EQ(sixteen.Stride(), 6);
    EXPECT_EQ(sixteen.RowBytes(), 12u);
    EXPECT_EQ(one.Stride(), 64);
    EXPECT_EQ(one.RowBytes(), 8u);
    EXPECT_EQ(eight.ByteSize(), 24u);
}

TEST(ImageLines, SameDepthRoundTrip) {
    Image image;
    ASSERT_EQ(image.Allocate(7, 4, 8), 1);
    std::vector<uint8_t> row{1, 2, 3, 4, 5, 6, 7}, back(7);
    ASSERT_EQ(image.WriteLine(2, row.data(), 8), 1);
    ASSERT_EQ(image.ReadLine(2, back.data(), 8), 1);
    EXPECT_EQ(row, back);
    EXPECT_EQ(image.ReadLine(4, back.data(), 8), 0);
    EXPECT_EQ(image.ReadLine(-1, back.data(), 8), 0);
}

}  // namespace
}  // namespace orvex
