#include "processing/contrast.h"

#include <gtest/gtest.h>

#include <vector>

#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"

namespace orvex {
namespace {

struct Stretch : ::testing::Test {
    void SetUp() override {
        previous = platform::setUi(&ui);
        windowList().Reset();
        for (uint32_t i = 0; i < 256; ++i) base.push_back(0x00010101u * i ^ 0x00400000u);
    }
    void TearDown() override {
        windowList().Reset();
        platform::setUi(previous);
    }
    std::vector<uint32_t> palette(ImageHandle w) {
        std::vector<uint32_t> p;
        GetPalette(w, p);
        return p;
    }
    platform::HeadlessUi ui;
    platform::Ui* previous = nullptr;
    std::vector<uint32_t> base;
};

TEST_F(Stretch, EightBitDataGetTheRampBetweenBlackAndWhite) {
    ImageHandle w = CreateImage(4, 2, PaletteCustom, true, 8);
    const uint8_t rows[2][4] = {{10, 50, 90, 200}, {11, 12, 13, 14}};
    WriteLine8(w, 0, rows[0]);
    WriteLine8(w, 1, rows[1]);
    ASSERT_EQ(StretchPalette(w, base.data()), ImageDone);
    const auto p = palette(w);
    ASSERT_EQ(p.size(), 256u);
    EXPECT_EQ(p[9], 0u);
    EXPECT_EQ(p[10], base[0]);
    EXPECT_EQ(p[105], base[(105 - 10) * 255 / 190]);
    EXPECT_EQ(p[200], base[255]);
    EXPECT_EQ(p[201], 0xFFFFFFu);
    EXPECT_EQ(p[255], 0xFFFFFFu);
}

TEST_F(Stretch, SixteenBitDataAreFittedThroughTheirHighByte) {
    ImageHandle w = CreateImage(2, 1, PaletteCustom, true, 16);
    const uint16_t row[2] = {4096, 12287};
    WriteLine16(w, 0, row);
    StretchPalette(w, base.data());
    const auto p = palette(w);
    EXPECT_EQ(p[15], 0u);
    EXPECT_EQ(p[16], base[0]);
    EXPECT_EQ(p[47], base[255]);
    EXPECT_EQ(p[48], 0xFFFFFFu);
}

TEST_F(Stretch, OneValueOrNoWindowChangesNothing) {
    ImageHandle w = CreateImage(3, 3, PaletteCustom, true, 8);
    const auto before = palette(w);
    EXPECT_EQ(StretchPalette(w, base.data()), ImageDone);
    EXPECT_EQ(palette(w), before);
    EXPECT_EQ(StretchPalette(ImageHandle{999}, base.data()), ImageNotLive);
    EXPECT_EQ(StretchPalette(w, nullptr), ImageRefused);
}

}  // namespace
}  // namespace orvex
