// Burn In: the window's picture with its overlays, mapped back to palette indices.
#include "acquisition/commands_fixture.h"
#include "imagestore/orvex_view.h"

namespace orvex {
namespace {

class BurnInTest : public testing::CommandsTest {};

TEST_F(BurnInTest, ThePictureComesBackAsItsPaletteIndicesWithTheMarkerBurntIn) {
    ImageHandle w = CreateImage(40, 30, PaletteCustom, true, 8);
    std::vector<uint32_t> grey(256);
    for (uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101u;
    SetPalette(w, grey.data(), 256, PaletteCustom);
    std::vector<uint8_t> row(40);
    for (int r = 0; r < 30; ++r) {
        for (int c = 0; c < 40; ++c) row[c] = static_cast<uint8_t>(c * 3 + r);
        WriteLine8(w, r, row.data());
    }
    SetRegistration(w, {0, 0}, {39, 29});
    LiveView(w)->mapping.ShowExtents(*LiveImage(w), 2.0);
    windowList().SetActive(w);

    const ImageHandle burnt = BurnIn();
    ASSERT_TRUE(burnt);
    const Image& b = *LiveImage(burnt);
    EXPECT_EQ(b.Width(), 80);  // the window's picture at zoom 2
    EXPECT_EQ(b.Height(), 60);
    std::vector<uint32_t> p;
    GetPalette(burnt, p);
    EXPECT_EQ(p, grey);
    std::vector<uint8_t> line(80);
    ReadLine8(burnt, 21, line.data());  // image row 10
    for (int x = 0; x < 80; ++x) ASSERT_EQ(line[x], (x / 2) * 3 + 10) << x;

    // With a marker, its exclusive-or cross shows in the burnt-in pixels.
    StageSnapTo(w, 20, 15);
    windowList().SetActive(w);
    const ImageHandle marked = BurnIn();
    RealPoint at{20, 15};
    PixelToWindow(w, at);
    const int y = static_cast<int>(at.y), x = static_cast<int>(at.x);
    ReadLine8(marked, y, line.data());
    uint8_t original[80];
    ReadLine8(burnt, y, original);
    EXPECT_EQ(line[x - 5], 255 - original[x - 5]);  // white xor grey g is grey 255 - g
    EXPECT_EQ(line[x + 15], original[x + 15]);      // past the end of the stroke
    EXPECT_NE(GlobalHistoryText().find("burn in: "), std::string::npos);
}

TEST_F(BurnInTest, NothingWithoutAnActiveWindow) {
    EXPECT_FALSE(BurnIn());
    EXPECT_FALSE(app::commandTable().isEnabled("Advanced > &Burn In"));
}

}  // namespace
}  // namespace orvex
