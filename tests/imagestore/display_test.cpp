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

// The picture, the pixel conversions and the zoom rules share one mapping, so a
// pixel is found where it is drawn whatever the mirror settings.
TEST_F(ImageDisplay, MirroredPixelsAreFoundWhereTheyAreDrawn) {
    const ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    DisplayMapping& m = LiveView(a)->mapping;
    m.mirrorHorizontal = true;
    m.mirrorVertical = true;
    CapturingSurface surface;
    DrawImageWindow(a, surface);
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0], "strip 8x10@8 src 0 0 8 10 dst 8 10 0 0");
    // Unregistered too: the first pixel is drawn at the bottom right.
    RealPoint first{0, 0};
    ASSERT_EQ(PixelToWindow(a, first), ImageDone);
    EXPECT_DOUBLE_EQ(first.x, 7.5);
    EXPECT_DOUBLE_EQ(first.y, 9.5);
    const RealPoint back = m.WindowToPixel(*LiveImage(a), 7.5, 9.5);
    EXPECT_NEAR(back.x, 0, 1e-12);
    EXPECT_NEAR(back.y, 0, 1e-12);

    // Registered, zoomed to columns 1..2 and rows 6..7 of a 4 x 2 view: the
    // rectangle's mirrored outer corner lands at the window's top-left and its
    // pixels fill the view.
    ASSERT_EQ(SetRegistration(a, {100, 200}, {135, 245}), ImageDone);
    m.ZoomToPixels(*LiveImage(a), 2, 7, 1, 6, 4, 2);
    EXPECT_DOUBLE_EQ(m.zoom, 1.0);
    const RealPoint topLeft = m.PixelToWindow(*LiveImage(a), 2.5, 7.5);
    EXPECT_NEAR(topLeft.x, 0, 1e-9);
    EXPECT_NEAR(topLeft.y, 0, 1e-9);
    const RealPoint bottomRight = m.PixelToWindow(*LiveImage(a), 0.5, 5.5);
    EXPECT_NEAR(bottomRight.x, 2, 1e-9);
    EXPECT_NEAR(bottomRight.y, 2, 1e-9);
    // Zooming about a window position keeps the pixel under it.
    const RealPoint before = m.WindowToPixel(*LiveImage(a), 1.25, 0.75);
    m.ZoomAbout(*LiveImage(a), 8, 1.25, 0.75);
    const RealPoint after = m.WindowToPixel(*LiveImage(a), 1.25, 0.75);
    EXPECT_NEAR(after.x, before.x, 1e-9);
    EXPECT_NEAR(after.y, before.y, 1e-9);
    m.ZoomAbout(*LiveImage(a), 1e9, 0, 0);
    EXPECT_DOUBLE_EQ(m.zoom, DisplayMapping::kMaxZoom);
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
