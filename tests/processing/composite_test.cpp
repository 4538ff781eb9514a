// Colour composites: the fixed 3-3-2 palette, the median-cut palette, and
// the Composite command with its picks and dialog.
#include "processing/composite.h"

#include "app/commands/composite.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

bool grey(uint32_t c) { return (c & 0xFF) == (c >> 8 & 0xFF) && (c & 0xFF) == (c >> 16 & 0xFF); }

TEST(CompositePalettes, QuickIndicesAndTheirColours) {
    const auto quick = QuickPalette();
    ASSERT_EQ(quick.size(), 256u);
    EXPECT_EQ(QuickIndex(255, 255, 255), 255);
    EXPECT_EQ(QuickIndex(200, 100, 50), 204);  // 192 + 3 x 4 + 0
    EXPECT_EQ(QuickIndex(31, 31, 63), 0);
    // 0x00BBGGRR: red steps of 32 by i / 32, green of 32 by (i / 4) mod 8, blue of 64 by i mod 4.
    EXPECT_EQ(quick[0], 0u);
    EXPECT_EQ(quick[1], 0x400000u);    // (0, 0, 64)
    EXPECT_EQ(quick[32], 0x000020u);   // (32, 0, 0)
    EXPECT_EQ(quick[204], 0x0060C0u);  // (192, 96, 0)
    EXPECT_EQ(quick[255], 0xC0E0E0u);  // (224, 224, 192): the top entry is not white
    // Every index maps back onto its own entry's levels.
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = quick[static_cast<size_t>(i)];
        EXPECT_EQ(QuickIndex(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF), i) << i;
    }
    EXPECT_EQ(CompositeSampleStep(1000, 1000, CompositeFullyOptimized), 10);
    EXPECT_EQ(CompositeSampleStep(1000, 1000, CompositeSlightlyOptimized), 30);
    EXPECT_EQ(CompositeSampleStep(50, 40, CompositeFullyOptimized), 1);
}

TEST(CompositePalettes, MedianCutFindsTheDataColoursByLuminance) {
    std::vector<ColourTriple> samples;
    for (int i = 0; i < 300; ++i) samples.push_back({200, 10, 10});
    for (int i = 0; i < 100; ++i) samples.push_back({10, 10, 240});
    for (int i = 0; i < 50; ++i) samples.push_back({250, 250, 250});
    const auto palette = MedianCutPalette(samples, 256);
    ASSERT_EQ(palette.size(), 256u);
    for (uint32_t c : {0x0A0AC8u, 0xF00A0Au, 0xFAFAFAu})
        EXPECT_NE(std::find(palette.begin(), palette.end(), c), palette.end()) << std::hex << c;
    for (size_t i = 1; i < palette.size(); ++i) {
        auto lum = [](uint32_t c) { return 0.30 * (c & 0xFF) + 0.59 * (c >> 8 & 0xFF) + 0.11 * (c >> 16 & 0xFF); };
        ASSERT_LE(lum(palette[i - 1]), lum(palette[i]));
    }
    EXPECT_EQ(palette.back(), 0xFAFAFAu);
    NearestColour nearest(palette);
    EXPECT_EQ(palette[nearest(198, 12, 9)], 0x0A0AC8u);
    EXPECT_EQ(palette[nearest(198, 12, 9)], 0x0A0AC8u);  // the remembered answer
    // The pruned search agrees with a plain search, ties going to the lowest
    // index (the empty leaves repeat black many times).
    for (uint32_t q = 0; q < 0x1000000u; q += 0x010305u) {
        const int r = q & 0xFF, g = q >> 8 & 0xFF, b = q >> 16 & 0xFF;
        int best = 0, bestDistance = -1;
        for (size_t i = 0; i < palette.size(); ++i) {
            const int dr = static_cast<int>(palette[i] & 0xFF) - r, dg = static_cast<int>(palette[i] >> 8 & 0xFF) - g,
                      db = static_cast<int>(palette[i] >> 16 & 0xFF) - b;
            if (bestDistance < 0 || dr * dr + dg * dg + db * db < bestDistance) {
                best = static_cast<int>(i);
                bestDistance = dr * dr + dg * dg + db * db;
            }
        }
        ASSERT_EQ(nearest(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)), best) << q;
    }
    // Sixteen colours take every sixteenth entry of the sorted leaves.
    std::vector<ColourTriple> again(samples);
    const auto sixteen = MedianCutPalette(again, 16);
    ASSERT_EQ(sixteen.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(sixteen[i], palette[i * 16]);
}

class CompositeCommand : public testing::ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        RegisterCompositeCommands();
    }
    void run(std::vector<ImageHandle> bands, const char* type, const char* colours) {
        for (ImageHandle w : bands) pick(w);
        dialog({choose(type), choose(colours), press("OK")});
        app::commandTable().run("Advanced > &Composite");
    }
};

TEST_F(CompositeCommand, QuickGivesTheThreeThreeTwoIndicesInACopyOfTheRedBand) {
    ImageHandle r = image(3, 2, 8, [](int c, int) { return c == 0 ? 255 : 200; });
    ImageHandle g = image(3, 2, 8, [](int c, int) { return c == 0 ? 255 : 100; });
    ImageHandle b = image(3, 2, 8, [](int c, int row) { return c == 0 ? 255 : 50 + 100 * row; });
    SetRegistration(r, {1, 2}, {3, 4});
    run({r, g, b}, "Quick", "16");  // the colour count does not apply to Quick
    const ImageHandle result = ActiveImageWindow();
    ASSERT_NE(result, b);
    EXPECT_EQ(row(result, 0), (std::vector<int>{255, 204, 204}));
    EXPECT_EQ(row(result, 1), (std::vector<int>{255, 206, 206}));  // blue 150: 2 of 3
    EXPECT_EQ(palette(result), QuickPalette());
    EXPECT_TRUE(LiveImage(result)->IsPositionRegistered());
    EXPECT_EQ(historyLines("duplicate: ").size(), 3u);
    EXPECT_EQ(historyLines("composite: "),
              (std::vector<std::string>{"composite: ", "  red band: " + name(r), "  green band: " + name(g),
                                        "  blue band: " + name(b)}));
    EXPECT_EQ(row(r, 0), (std::vector<int>{255, 200, 200}));  // the bands stay as they were
}

TEST_F(CompositeCommand, IdenticalBandsOptimiseToAGreyPalette) {
    auto ramp = [](int c, int r) { return (c * 7 + r * 31) % 256; };
    ImageHandle a = image(40, 20, 8, ramp), b = image(40, 20, 8, ramp), c = image(40, 20, 8, ramp);
    run({a, b, c}, "Fully Optimized", "32");
    const ImageHandle result = ActiveImageWindow();
    const auto p = palette(result);
    ASSERT_EQ(p.size(), 32u);
    EXPECT_EQ(LiveImage(result)->PaletteCount(), 32);
    for (uint32_t colour : p) EXPECT_TRUE(grey(colour)) << std::hex << colour;
    // Each pixel shows the nearest of the palette's greys.
    for (int y = 0; y < 20; y += 7) {
        const auto indices = row(result, y);
        for (int x = 0; x < 40; ++x) {
            const int v = ramp(x, y), shown = static_cast<int>(p[indices[x]] & 0xFF);
            for (uint32_t other : p) ASSERT_LE(std::abs(shown - v), std::abs(static_cast<int>(other & 0xFF) - v));
        }
    }
    EXPECT_EQ(ui.status[0], "Doing pixel classification...");
}

TEST_F(CompositeCommand, SixteenBitBandsGiveAnEightBitIndexImage) {
    ImageHandle r = image(2, 1, 16, [](int, int) { return 200 * 256; });
    ImageHandle g = image(2, 1, 16, [](int, int) { return 100 * 256 + 99; });
    ImageHandle b = image(2, 1, 8, [](int, int) { return 50; });
    run({r, g, b}, "Quick", "256");
    EXPECT_EQ(LiveImage(ActiveImageWindow())->Depth(), 8);
    EXPECT_EQ(row(ActiveImageWindow(), 0), (std::vector<int>{204, 204}));  // through the high bytes
}

TEST_F(CompositeCommand, CancellingOrABandOfAnotherSizeMakesNothing) {
    ImageHandle a = image(4, 4, 8, [](int, int) { return 9; });
    ImageHandle b = image(4, 5, 8, [](int, int) { return 9; });
    pick(a);
    pick(b);  // refused, then the picker is cancelled
    app::commandTable().run("Advanced > &Composite");
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"Error: Image needs to be the same dimensions as the previous image. (4 x 4)"}));
    for (int i = 0; i < 3; ++i) pick(a);
    ui.queue(platform::CancelAnswer{});  // the Convert Colors dialog
    app::commandTable().run("Advanced > &Composite");
    EXPECT_EQ(ui.dialogsRun, (std::vector<std::string>{"Convert Colors"}));
    EXPECT_FALSE(FindImageWindow(b.number + 1));
}

}  // namespace
}  // namespace orvex
