// Rotate/Flip, Resize and Crop on headless image windows.
#include "processing/geometry.h"

#include <cmath>

#include "app/commands/geometry.h"
#include "geometry_fixture.h"

namespace orvex {
namespace {

class Geometry : public testing::ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        RegisterGeometryCommands();
    }
};

TEST_F(Geometry, EveryTurnAndFlipTakesThePixelsOfItsTableAtEitherDepth) {
    for (int depth : {8, 16}) {
        for (auto [w, h] : {std::pair{7, 3}, std::pair{1, 5}, std::pair{70, 37}}) {
            const ImageHandle src = randomImage(w, h, depth);
            for (int i = 0; i < 5; ++i) {
                const auto choice = static_cast<RotateFlip>(i);
                const ImageHandle out = RotateFlipImage(src, choice);
                ASSERT_TRUE(out);
                const Image& o = *LiveImage(out);
                const bool quarter = i == 0 || i == 2;
                ASSERT_EQ(o.Width(), quarter ? h : w);
                ASSERT_EQ(o.Height(), quarter ? w : h);
                EXPECT_EQ(o.Depth(), depth);
                for (int r = 0; r < o.Height(); ++r)
                    for (int c = 0; c < o.Width(); ++c) {
                        int sc = 0, sr = 0;
                        sourcePixel(choice, w, h, c, r, sc, sr);
                        ASSERT_EQ(o.GetPixel(c, r), pixel(src, sc, sr)) << i << " " << c << "," << r;
                    }
                CloseImageWindow(out);
            }
        }
    }
    // Four quarter turns clockwise give the image back.
    const ImageHandle src = randomImage(9, 4, 8);
    ImageHandle turned = src;
    for (int k = 0; k < 4; ++k) turned = RotateFlipImage(turned, RotateFlip::Clockwise90);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(row(turned, r), row(src, r));
}

TEST_F(Geometry, TurnedResultsKeepPaletteZAndTheirSpecimenPoints) {
    const ImageHandle src = randomImage(6, 4, 8);
    std::vector<uint32_t> palette(256);
    for (uint32_t i = 0; i < 256; ++i) palette[i] = 0x00FF0000u | i;
    SetPalette(src, palette.data(), 256, PaletteCustom);
    ZRegistration z{1, 5.0, 25.0, "wt%"};
    SetZRegistration(src, z);
    SetRegistration(src, {100, 200}, {150, 230});  // 10 units per pixel both ways
    const Image& s = *LiveImage(src);
    for (auto choice : {RotateFlip::Half, RotateFlip::TopToBottom, RotateFlip::LeftToRight}) {
        const ImageHandle out = RotateFlipImage(src, choice);
        const Image& o = *LiveImage(out);
        std::vector<uint32_t> p;
        GetPalette(out, p);
        EXPECT_EQ(p, palette);
        EXPECT_EQ(o.GetZRegistration().units, "wt%");
        EXPECT_EQ(o.GetZRegistration().high, 25.0);
        ASSERT_TRUE(o.IsPositionRegistered());
        for (auto [c, r] : {std::pair{0, 0}, std::pair{5, 3}, std::pair{2, 1}}) {
            int sc = 0, sr = 0;
            sourcePixel(choice, 6, 4, c, r, sc, sr);
            const RealPoint a = o.PixelToReal(c, r), b = s.PixelToReal(sc, sr);
            EXPECT_NEAR(a.x, b.x, 1e-9) << static_cast<int>(choice);
            EXPECT_NEAR(a.y, b.y, 1e-9) << static_cast<int>(choice);
        }
    }
    // A quarter turn keeps the centre and the units per pixel of each axis.
    SetRegistration(src, {100, 200}, {150, 215});  // 10 across, 5 up
    const ImageHandle turned = RotateFlipImage(src, RotateFlip::CounterClockwise90);
    const Image& t = *LiveImage(turned);
    EXPECT_NEAR(t.UnitsPerPixelX(), 5.0, 1e-9);
    EXPECT_NEAR(t.UnitsPerPixelY(), 10.0, 1e-9);
    const RealPoint centre = t.PixelToReal(1.5, 2.5);
    EXPECT_NEAR(centre.x, 125.0, 1e-9);
    EXPECT_NEAR(centre.y, 207.5, 1e-9);
}

// Bilinear resampling written out point by point from its description.
double bilinearAt(const std::vector<double>& s, double position) {
    const int n = static_cast<int>(s.size());
    if (n < 2) return s[0];
    double t = position - 0.5;
    int lower = static_cast<int>(std::floor(t));
    lower = std::clamp(lower, 0, n - 2);
    return s[lower] + (s[lower + 1] - s[lower]) * (t - lower);
}

TEST_F(Geometry, BilinearMatchesThePointwiseFormulaAndExtrapolatesAtTheEnds) {
    // Two pixels 0, 255 enlarged to four.
    const ImageHandle two = imageOf({{0, 255}});
    const ImageHandle four = ResampleImage(two, 4, 1, ResampleMethod::Bilinear);
    EXPECT_EQ(row(four, 0), (std::vector<int>{0, 63, 191, 255}));

    for (int depth : {8, 16}) {
        for (int trial = 0; trial < 12; ++trial) {
            std::uniform_int_distribution<int> size(1, 9);
            const int w = size(random), h = size(random), nw = size(random) * 2, nh = size(random);
            const ImageHandle src = randomImage(w, h, depth);
            const ImageHandle out = ResampleImage(src, nw, nh, ResampleMethod::Bilinear);
            ASSERT_TRUE(out);
            const double top = depth == 16 ? 65535 : 255;
            // Along the rows first, then down the columns.
            std::vector<std::vector<double>> along(static_cast<size_t>(h));
            for (int sr = 0; sr < h; ++sr) {
                const std::vector<int> line = row(src, sr);
                for (int c = 0; c < nw; ++c)
                    along[sr].push_back(bilinearAt({line.begin(), line.end()}, double(w) / nw * (c + 0.5)));
            }
            for (int r = 0; r < nh; ++r)
                for (int c = 0; c < nw; ++c) {
                    std::vector<double> down;
                    for (int sr = 0; sr < h; ++sr) down.push_back(along[sr][c]);
                    const double v = std::clamp(bilinearAt(down, double(h) / nh * (r + 0.5)), 0.0, top);
                    ASSERT_EQ(pixel(out, c, r), static_cast<int>(v)) << w << "x" << h << " -> " << nw << "x" << nh;
                }
        }
    }
}

TEST_F(Geometry, FastAndNearestKeepTheSizeAndCoverTheSameRealArea) {
    const ImageHandle src = randomImage(11, 7, 16);
    for (auto method : {ResampleMethod::Fast, ResampleMethod::NearestNeighbor}) {
        const ImageHandle same = ResampleImage(src, 11, 7, method);
        for (int r = 0; r < 7; ++r) EXPECT_EQ(row(same, r), row(src, r));
    }
    // Halving picks every second pixel, starting from the second.
    const ImageHandle half = ResampleImage(src, 5, 3, ResampleMethod::NearestNeighbor);
    EXPECT_EQ(pixel(half, 0, 0), pixel(src, 1, 1));
    EXPECT_EQ(pixel(half, 4, 2), pixel(src, 9, 5));

    // The result's tie points are the source's: corner pixel to corner pixel.
    SetRegistration(src, {0, 0}, {100, 60});
    const ImageHandle big = ResampleImage(src, 33, 20, ResampleMethod::Bilinear);
    const PositionRegistration tie = LiveImage(big)->GetPositionRegistration();
    EXPECT_EQ((std::vector<int>{tie.px1, tie.py1, tie.px2, tie.py2}), (std::vector<int>{0, 19, 32, 0}));
    EXPECT_EQ((std::vector<double>{tie.x1, tie.y1, tie.x2, tie.y2}), (std::vector<double>{0, 0, 100, 60}));
    EXPECT_DOUBLE_EQ(LiveImage(big)->UnitsPerPixelX(), 100.0 / 32);
    EXPECT_EQ(historyLines(big)[historyLines(big).size() - 3], "Resample:  ");
    // Tie points away from the corners, and an axis running backwards, carry over as the corners they give.
    PositionRegistration inner;
    inner.px1 = 1, inner.py1 = 5, inner.x1 = 40, inner.y1 = 10;
    inner.px2 = 9, inner.py2 = 1, inner.x2 = 0, inner.y2 = 30;
    LiveImage(src)->SetPositionRegistration(inner);  // 5 units per pixel, X growing to the left
    const ImageHandle smaller = ResampleImage(src, 4, 3, ResampleMethod::Fast);
    const PositionRegistration back = LiveImage(smaller)->GetPositionRegistration();
    EXPECT_EQ((std::vector<double>{back.x1, back.y1, back.x2, back.y2}), (std::vector<double>{45, 5, -5, 35}));

    const ImageHandle nibbles = CreateImage(4, 4, PaletteGrey, true, 4);
    EXPECT_FALSE(ResampleImage(nibbles, 8, 8, ResampleMethod::Fast));
    EXPECT_EQ(ui.count("Resize", "Method/Image depth not implemented"), 1);
}

TEST_F(Geometry, CropCutsTheInclusiveRectangleAndTiesItToTheSourcePoints) {
    const ImageHandle src = randomImage(10, 8, 8);
    SetRegistration(src, {0, 0}, {90, 70});
    ui.queue(platform::PixelRect{2, 1, 5, 6});
    const ImageHandle out = OnCrop();
    ASSERT_TRUE(out);
    const Image& o = *LiveImage(out);
    ASSERT_EQ(o.Width(), 4);
    ASSERT_EQ(o.Height(), 6);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 4; ++c) ASSERT_EQ(o.GetPixel(c, r), pixel(src, c + 2, r + 1));
    const RealPoint at = o.PixelToReal(0, 0), from = LiveImage(src)->PixelToReal(2, 1);
    EXPECT_NEAR(at.x, from.x, 1e-9);
    EXPECT_NEAR(at.y, from.y, 1e-9);
    const auto lines = historyLines(out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "cropped: ");
    EXPECT_EQ(lines[lines.size() - 2], "  old name:  " + LiveView(src)->name);
    EXPECT_EQ(lines.back(), "  new name:  " + LiveView(out)->name);

    // Esc with Yes to "Verify" stops after the row being copied: the rows
    // go from the last up.
    windowList().SetActive(src);
    ui.pendingEscapes = 1;
    ui.queue(platform::PixelRect{0, 0, 9, 7});
    ui.queue(platform::Answer::Yes);
    const ImageHandle stopped = OnCrop();
    EXPECT_EQ(row(stopped, 7), row(src, 7));
    EXPECT_EQ(row(stopped, 6), std::vector<int>(10, 0));
    EXPECT_EQ(ui.count("Verify", "Do you wish to cancel this operation?"), 1);

    // A single row or column is refused; so is a cancelled drag.
    const int windows = windowList().Count();
    windowList().SetActive(src);
    ui.queue(platform::PixelRect{3, 2, 3, 7});
    app::commandTable().run("Basic > &Crop");
    ui.queue(platform::PixelRect{0, 4, 9, 4});
    app::commandTable().run("Basic > &Crop");
    ui.queue(platform::CancelAnswer{});
    app::commandTable().run("Basic > &Crop");
    EXPECT_EQ(ui.count("Crop", "Crop area is too small.  Choose a larger area."), 2);
    EXPECT_EQ(windowList().Count(), windows);
}

TEST_F(Geometry, CommandsNeedAnActiveImageAndDoNothingWhenCancelled) {
    EXPECT_FALSE(app::commandTable().isEnabled("Basic > &Rotate/Flip"));
    EXPECT_FALSE(app::commandTable().isEnabled("Advanced > Modify Image > R&esize"));
    EXPECT_FALSE(OnRotateFlip());
    EXPECT_FALSE(OnResize());
    EXPECT_EQ(ui.count("Rotate", "No image active"), 1);
    EXPECT_EQ(ui.count("Resample", "No image active"), 1);

    const ImageHandle src = randomImage(5, 3, 8);
    EXPECT_TRUE(app::commandTable().isEnabled("Basic > &Crop"));
    ui.queue(script({choose("Flip left to right"), press("OK")}));
    const ImageHandle flipped = OnRotateFlip();
    ASSERT_TRUE(flipped);
    EXPECT_EQ(pixel(flipped, 0, 1), pixel(src, 4, 1));
    EXPECT_EQ(historyLines(flipped)[historyLines(flipped).size() - 3], "Flip left to right:  ");
    EXPECT_EQ(historyLines(flipped).back(), "  new image: " + LiveView(flipped)->name);

    windowList().SetActive(src);
    ui.queue(script({setValue("New Width", 10), setValue("New Height", 6), choose("Nearest Neighbor"), press("OK")}));
    const ImageHandle doubled = OnResize();
    ASSERT_TRUE(doubled);
    EXPECT_EQ(LiveImage(doubled)->Width(), 10);
    EXPECT_EQ(pixel(doubled, 9, 5), pixel(src, 4, 2));
    EXPECT_FALSE(OnResize());  // unanswered: cancelled
}

}  // namespace
}  // namespace orvex
