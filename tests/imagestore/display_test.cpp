#include <gtest/gtest.h>

#include <vector>

#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "store_fixture.h"

namespace orvex {
namespace {

// Keeps a copy of every strip it is asked to draw.
class CapturingSurface : public platform::RecordingSurface {
public:
    struct Drawn {
        platform::BitmapStrip strip;
        std::vector<uint8_t> bits;
        platform::Rect source, target;
    };
    void drawStrip(const platform::BitmapStrip& strip, const platform::Rect& source,
                   const platform::Rect& target) override {
        RecordingSurface::drawStrip(strip, source, target);
        drawn.push_back({strip,
                         std::vector<uint8_t>(strip.bits, strip.bits + strip.rowBytes * strip.rows),
                         source, target});
    }
    std::vector<Drawn> drawn;
};

using ImageDisplay = StoreTest;

TEST_F(ImageDisplay, EachStripLandsInItsBandOfTheWindow) {
    Image::SetMaxStripBytes(8 * 4);
    const ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    CapturingSurface surface;
    ASSERT_EQ(DrawImageWindow(a, surface), ImageDone);
    ASSERT_EQ(surface.calls.size(), 3u);
    EXPECT_EQ(surface.calls[0], "strip 8x4@8 src 0 0 8 4 dst 0 0 8 4");
    EXPECT_EQ(surface.calls[1], "strip 8x4@8 src 0 0 8 4 dst 0 4 8 8");
    EXPECT_EQ(surface.calls[2], "strip 8x2@8 src 0 0 8 2 dst 0 8 8 10");
    EXPECT_EQ(LiveImage(a)->Header().height, 2);  // the last strip drawn
    // Strips outside the clip box are skipped.
    surface.calls.clear();
    surface.clip = {0, 5, 100, 7};
    DrawImageWindow(a, surface);
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0], "strip 8x4@8 src 0 0 8 4 dst 0 4 8 8");
    // One strip on its own, as the row updates ask for it.
    surface.calls.clear();
    surface.clip = {0, 0, 100, 100};
    DrawImageWindow(a, surface, 2);
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(DrawImageWindow(a, surface, 3), ImageRefused);
}

TEST_F(ImageDisplay, MirroringNegatesTheTargetAndMovesTheStripsAcross) {
    Image::SetMaxStripBytes(8 * 4);
    const ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    LiveView(a)->mapping.mirrorHorizontal = true;
    LiveView(a)->mapping.mirrorVertical = true;
    CapturingSurface surface;
    DrawImageWindow(a, surface);
    ASSERT_EQ(surface.calls.size(), 3u);
    EXPECT_EQ(surface.calls[0], "strip 8x4@8 src 0 0 8 4 dst 8 10 0 6");
    EXPECT_EQ(surface.calls[2], "strip 8x2@8 src 0 0 8 2 dst 8 2 0 0");
}

TEST_F(ImageDisplay, SixteenBitImagesAreShownByTheirHighBytes) {
    const ImageHandle a = CreateImage(5, 2, PaletteGrey, true, 16);
    const uint16_t top[5] = {0x0100, 0x0200, 0x0300, 0x0400, 0xFFFF};
    const uint16_t bottom[5] = {0x1000, 0, 0, 0, 0x20FF};
    WriteLine16(a, 0, top);
    WriteLine16(a, 1, bottom);
    CapturingSurface surface;
    DrawImageWindow(a, surface);
    ASSERT_EQ(surface.drawn.size(), 1u);
    const auto& d = surface.drawn[0];
    EXPECT_EQ(d.strip.bitCount, 8);
    EXPECT_EQ(d.strip.rowBytes, 8);
    // Bottom-up: the image's last row comes first.
    EXPECT_EQ(d.bits[0], 0x10);
    EXPECT_EQ(d.bits[4], 0x20);
    EXPECT_EQ(d.bits[8], 0x01);
    EXPECT_EQ(d.bits[12], 0xFF);
    EXPECT_EQ(d.strip.palette, LiveImage(a)->PaletteBytes());
}


void CountPaint(const ImageEvent& event) {
    if (event.code == ImageEventPainted && event.surface) event.surface->text(0, 0, "overlay");
}

TEST_F(ImageDisplay, EscStopsAfterAStripOfTheActiveWindowAndPaintingCallsTheOverlays) {
    Image::SetMaxStripBytes(8 * 4);
    const ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    ui.pendingEscapes = 1;
    CapturingSurface surface;
    DrawImageWindow(a, surface);
    EXPECT_EQ(surface.calls.size(), 1u);
    surface.calls.clear();
    AddImageListener(a, &CountPaint);
    ASSERT_EQ(PaintImageWindow(a, surface), ImageDone);
    ASSERT_EQ(surface.calls.size(), 4u);
    EXPECT_EQ(surface.calls[3], "text 0 0 overlay");
    CloseImageWindow(a);
    EXPECT_EQ(PaintImageWindow(a, surface), ImageNotLive);
}

}  // namespace
}  // namespace orvex
