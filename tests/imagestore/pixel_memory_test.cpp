// Pixel memory handed out again after an image is done with it must be as
// zero as fresh memory, whatever the image left in it; a reader that fills
// every row may keep its store of the same layout as it is.
#include "imagestore/pixel_memory.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "store_fixture.h"

namespace orvex {
namespace {

class PixelMemory : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ReleaseKeptPixelMemory();
    }
    void TearDown() override {
        ReleaseKeptPixelMemory();
        StoreTest::TearDown();
    }
    static bool allZero(const uint8_t* p, size_t n) {
        return std::all_of(p, p + n, [](uint8_t v) { return v == 0; });
    }
};

TEST_F(PixelMemory, MemoryComesZeroedAtEverySizeEvenWhenItWasUsedBefore) {
    for (size_t bytes : {size_t{0}, size_t{1}, size_t{4000}, size_t{1} << 20, (size_t{3} << 20) + 5}) {
        for (int round = 0; round < 3; ++round) {
            uint8_t* p = TakePixelMemory(bytes);
            ASSERT_NE(p, nullptr) << bytes;
            ASSERT_TRUE(allZero(p, bytes)) << bytes << " round " << round;
            std::memset(p, 0xA5, bytes);
            GivePixelMemory(p, bytes);
        }
    }
    // A store of another size within the same huge pages comes from the same
    // kept memory and is zero too.
    uint8_t* p = TakePixelMemory((size_t{3} << 20) + 100);
    EXPECT_TRUE(allZero(p, (size_t{3} << 20) + 100));
    GivePixelMemory(p, (size_t{3} << 20) + 100);
    GivePixelMemory(nullptr, 10);
}

TEST_F(PixelMemory, WhatIsKeptStaysWithinItsLimits) {
    const size_t block = size_t{2} << 20;
    std::vector<uint8_t*> taken;
    for (int i = 0; i < 12; ++i) taken.push_back(TakePixelMemory(block));
    for (uint8_t* p : taken) GivePixelMemory(p, block);
    if (KeptPixelBytes() == 0) GTEST_SKIP() << "this build gives every store straight back";
    EXPECT_EQ(KeptPixelBytes(), 8 * block);  // the eight given back last
    // A store larger than any kept goes straight back.
    const size_t huge = size_t{200} << 20;
    uint8_t* big = TakePixelMemory(huge);
    ASSERT_NE(big, nullptr);
    big[0] = 1;
    big[huge - 1] = 1;
    GivePixelMemory(big, huge);
    EXPECT_EQ(KeptPixelBytes(), 8 * block);
    // A store that is taken leaves the keep.
    uint8_t* again = TakePixelMemory(block);
    EXPECT_EQ(KeptPixelBytes(), 7 * block);
    GivePixelMemory(again, block);
    ReleaseKeptPixelMemory();
    EXPECT_EQ(KeptPixelBytes(), 0u);
}

TEST_F(PixelMemory, OnlyAReaderThatFillsEveryRowKeepsTheOldBytes) {
    Image image;
    ASSERT_EQ(image.Allocate(2048, 600, 8), 1);
    std::vector<uint8_t> line(2048, 77);
    image.WriteLine(5, line.data(), 8);
    // The same layout for a reader that writes every byte: nothing is zeroed.
    ASSERT_EQ(image.Allocate(2048, 600, 8, Image::PixelStart::Overwritten), 1);
    EXPECT_EQ(image.GetPixel(100, 5), 77);
    // A plain allocation of the same layout is zeroed.
    ASSERT_EQ(image.Allocate(2048, 600, 8), 1);
    EXPECT_EQ(image.GetPixel(100, 5), 0);
    // Another layout is a new store, zeroed, whatever the caller says.
    image.WriteLine(5, line.data(), 8);
    ASSERT_EQ(image.Allocate(1024, 1200, 8, Image::PixelStart::Overwritten), 1);
    EXPECT_EQ(image.GetPixel(100, 5), 0);
    image.WriteLine(5, line.data(), 8);
    image.ZeroPixels();
    EXPECT_EQ(image.GetPixel(100, 5), 0);
}

}  // namespace
}  // namespace orvex
