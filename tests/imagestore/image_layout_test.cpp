#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "imagestore/image.h"
#include "store_fixture.h"

namespace orvex {
namespace {

using ImageLayout = StoreTest;

TEST_F(ImageLayout, StridesPadRowsToFourBytes) {
    Image eight, sixteen, one, four;
    ASSERT_EQ(eight.Allocate(5, 3, 8), 1);
    ASSERT_EQ(sixteen.Allocate(5, 3, 16), 1);
    ASSERT_EQ(one.Allocate(33, 3, 1), 1);
    ASSERT_EQ(four.Allocate(9, 2, 4), 1);
    EXPECT_EQ(eight.Stride(), 8);
    EXPECT_EQ(sixteen.Stride(), 6);
    EXPECT_EQ(sixteen.RowBytes(), 12u);
    EXPECT_EQ(one.Stride(), 64);
    EXPECT_EQ(one.RowBytes(), 8u);
    EXPECT_EQ(four.RowBytes(), 8u);
    EXPECT_EQ(eight.ByteSize(), 24u);
    EXPECT_EQ(sixteen.ByteSize(), 36u);
    EXPECT_EQ(eight.Header().bitCount, 8);
    EXPECT_EQ(sixteen.Header().bitCount, 8);
    EXPECT_EQ(four.Header().bitCount, 4);
    EXPECT_EQ(eight.Strips().size(), 1u);
    EXPECT_TRUE(eight.IsModified());
    EXPECT_FALSE(eight.IsLarge());
}

TEST_F(ImageLayout, RowsAreStoredBottomUpWithinEachStrip) {
    // Three rows of 8 bytes per strip: a 7-row image takes strips of rows
    // 0-2, 3-5 and 6.
    Image::SetMaxStripBytes(24);
    Image image;
    ASSERT_EQ(image.Allocate(8, 7, 8), 1);
    ASSERT_EQ(image.Strips().size(), 3u);
    EXPECT_EQ(image.Strips()[1].firstRow, 3);
    EXPECT_EQ(image.Strips()[1].lastRow, 5);
    EXPECT_EQ(image.Strips()[2].firstRow, 6);
    EXPECT_EQ(image.Strips()[2].lastRow, 6);
    EXPECT_EQ(image.Strips()[2].bytes, 8u);
    EXPECT_EQ(image.ByteSize(), 56u);
    for (int row = 0; row < 7; ++row) {
        std::vector<uint8_t> line(8, static_cast<uint8_t>(10 + row));
        ASSERT_EQ(image.WriteLine(row, line.data(), 8), 1);
    }
    // The strip's last row comes first in its memory.
    EXPECT_EQ(image.Strips()[0].pixels[0], 12);
    EXPECT_EQ(image.Strips()[0].pixels[16], 10);
    EXPECT_EQ(image.Strips()[1].pixels[0], 15);
    EXPECT_EQ(image.Strips()[2].pixels[0], 16);
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(image.GetPixel(3, row), 10 + row);
        EXPECT_EQ(*image.PixelAddress(row, 3), 10 + row);
    }
    EXPECT_EQ(image.StripOfRow(5), 1);
    EXPECT_EQ(image.StripOfRow(7), -1);
}

TEST_F(ImageLayout, LargeImagesAreFlaggedAndSizesBeyondTheStoreAreRefusedFirst) {
    Image large;
    ASSERT_EQ(large.Allocate(2000, 1001, 8), 1);
    EXPECT_TRUE(large.IsLarge());

    Image image;
    ASSERT_EQ(image.Allocate(4, 4, 8), 1);
    const uint8_t row[4] = {1, 2, 3, 4};
    image.WriteLine(0, row, 8);
    EXPECT_EQ(image.Allocate(40000, 40000, 16), 0);
    EXPECT_EQ(image.Allocate(INT_MAX, 2, 8), 0);
    EXPECT_EQ(image.Allocate(2, INT_MAX, 16), 0);
    EXPECT_EQ(image.Allocate(0, 5, 8), 0);
    EXPECT_EQ(image.Allocate(5, -1, 8), 0);
    EXPECT_EQ(image.Allocate(5, 5, 24), 0);
    EXPECT_EQ(image.Allocate(5, 5, 12), 0);
    ASSERT_EQ(ui.messages.size(), 7u);
    EXPECT_EQ(ui.messages[0].caption, "Image::Allocate()");
    EXPECT_NE(ui.messages[0].text.find("larger than the image store takes"), std::string::npos);
    // A refused allocation leaves the image as it was.
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.GetPixel(3, 0), 4);
}



}  // namespace
}  // namespace orvex
