#include "app_test_support.h"

using namespace orvex;
using namespace orvex::app;
using orvex::testing::AppTest;

namespace {
void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
}  // namespace

TEST_F(AppTest, TwentyFourBitBmpOpensAsThreeColourBands) {
    start();
    // A 2 x 1 24-bit BMP: rows padded to 8 bytes, pixels blue, green, red.
    std::string bmp = "BM";
    put32(bmp, 54 + 8);
    put32(bmp, 0);
    put32(bmp, 54);
    put32(bmp, 40);
    put32(bmp, 2);
    put32(bmp, 1);
    put16(bmp, 1);
    put16(bmp, 24);
    for (int i = 0; i < 6; ++i) put32(bmp, 0);
    bmp += std::string("\x0a\x14\x1e\x28\x32\x3c\0\0", 8);
    std::ofstream(path("rgb.bmp"), std::ios::binary) << bmp;
    ImageHandle red = application().OpenImageFile(path("rgb.bmp"), OpenBmp24);
    ASSERT_TRUE(red) << ::testing::PrintToString(ui.messageLines());
    EXPECT_EQ(windowList().Count(), 3);
    uint8_t row[2] = {0, 0};
    ReadLine8(red, 0, row);
    EXPECT_EQ(row[0], 0x1e);
    EXPECT_EQ(row[1], 0x3c);
    EXPECT_EQ(application().recentFiles.at(0).type, OpenBmp24);
}
