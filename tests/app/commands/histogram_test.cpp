// The 1-D and 2-D histograms, the normalisation, Kill pixel and the traceback.
#include "processing/histogram.h"

#include <tuple>

#include "app/commands/histogram.h"
#include "histogram_fixture.h"
#include "processing/histogram2d.h"

namespace orvex {
namespace {

using testing::HistogramTest;

// Lit rows of one column of a 1-D histogram: the first lit row and the count.
std::pair<int, int> bar(ImageHandle h, int column) {
    int first = -1, lit = 0;
    for (int r = 0; r < 256; ++r) {
        const int v = HistogramTest::pixel(h, column, r);
        if (v == 255 && first < 0) first = r;
        if (v == 255) ++lit;
    }
    return {first, lit};
}

TEST_F(HistogramTest, OneDimensionalBarsReachTheTopForTheFullestBin) {
    // 35 pixels of 10 and one of 20: a count whose scaling in floating point
    // falls just short of 255.
    ImageHandle source = image(6, 6, 8, [](int c, int r) { return c == 5 && r == 5 ? 20 : 10; });
    pick(source);
    const ImageHandle h = histo1();
    ASSERT_TRUE(h);
    EXPECT_EQ(name(h), "UNTLD1.TIF-1DHisto");
    EXPECT_EQ(OV_Info_GetType(h), IMAGETYPE_HISTOGRAM1D);
    EXPECT_EQ(LiveImage(h)->Width(), 256);
    EXPECT_EQ(bar(h, 10), std::make_pair(0, 256));
    EXPECT_EQ(bar(h, 20), std::make_pair(255 - 255 / 35, 255 / 35 + 1));
    EXPECT_EQ(bar(h, 0), std::make_pair(255, 1));  // an empty bin lights the bottom row
    EXPECT_NE(history(h).find("  source image: UNTLD1.TIF\n"), std::string::npos);

    // 16-bit data fall into the bins of their high bytes.
    ImageHandle wide = image(4, 1, 16, [](int c, int) { return c < 3 ? 0x1234 : 0x56FF; });
    pick(wide);
    const ImageHandle h16 = histo1();
    EXPECT_EQ(bar(h16, 0x12).second, 256);
    EXPECT_EQ(bar(h16, 0x56).second, 256 / 3 + 1);

    // Another depth leaves the histogram window blank.
    pick(CreateImage(4, 4, PaletteGrey, true, 4));
    EXPECT_EQ(pixel(histo1(), 0, 255), 0);
    EXPECT_EQ(ui.count("histo1()", "unsupported image depth"), 1);
    EXPECT_FALSE(histo1());  // cancelled
}

TEST_F(HistogramTest, NormaliseStretchesToTheFullScaleAndLeavesOneValueAlone) {
    ImageHandle eight = image(3, 1, 8, [](int c, int) { return 10 + 10 * c; });
    OVP_NormalizeImage(eight);
    EXPECT_EQ(rowOf(eight, 0), (std::vector<int>{0, 127, 255}));
    ImageHandle wide = image(3, 1, 16, [](int c, int) { return 100 + 50 * c; });
    OVP_NormalizeImage(wide);
    EXPECT_EQ(rowOf(wide, 0), (std::vector<int>{0, 32767, 65535}));
    ImageHandle flat = image(2, 2, 8, [](int, int) { return 42; });
    OVP_NormalizeImage(flat);
    EXPECT_EQ(ui.count("OVP_NormalizeImage", "no data: max=min"), 1);
    EXPECT_EQ(rowOf(flat, 1), (std::vector<int>{42, 42}));
}

TEST_F(HistogramTest, TwoDimensionalOfIdenticalImagesLiesOnTheAntiDiagonal) {
    // 20 x 20 pixels: 400 of them at (c + r) % 4 * 60, 100 per value.
    auto f = [](int c, int r) { return (c + r) % 4 * 60; };
    ImageHandle x = image(20, 20, 8, f), y = image(20, 20, 8, f);
    ZRegistration zx{1, 0.0, 10.0, "wt%"}, zy{1, 5.0, 25.0, "cps"};
    SetZRegistration(x, zx);
    SetZRegistration(y, zy);
    pick(x);
    pick(y);
    const ImageHandle h = histo2();
    ASSERT_TRUE(h);
    EXPECT_EQ(name(h), "UNTLD1.TIF-UNTLD2.TIF-2DHisto");
    EXPECT_EQ(OV_Info_GetType(h), IMAGETYPE_HISTOGRAM2D);
    for (int v : {0, 60, 120, 180}) EXPECT_EQ(pixel(h, v, 255 - v), 255) << v;
    EXPECT_EQ(pixel(h, 60, 255 - 120), 0);
    ZRegistration z;
    GetZRegistration(h, z);
    EXPECT_EQ((std::tuple{z.flag, z.low, z.high, z.units}), (std::tuple{1, 0.0, 100.0, std::string("pixel hits")}));
    // The axes read in the images' Z units.
    RealPoint lowerLeft, upperRight;
    GetCorners(h, lowerLeft, upperRight);
    EXPECT_EQ(lowerLeft.y, 5.0);
    EXPECT_EQ(upperRight.x, 10.0);
    EXPECT_EQ(TracebackTable()[0].histogram, h.number);
    EXPECT_EQ(TracebackTable()[0].xImage, x.number);
}

TEST_F(HistogramTest, TwoDimensionalCellsSaturateAndSizesMustMatch) {
    // 300 pairs of one cell, 1 of another: the hit count stops at 255.
    ImageHandle x = image(30, 10, 8, [](int c, int r) { return c + r == 0 ? 9 : 200; });
    pick(x);
    pick(x);
    const ImageHandle h = histo2();
    ZRegistration z;
    GetZRegistration(h, z);
    EXPECT_EQ(z.high, 255.0);
    EXPECT_EQ(pixel(h, 200, 55), 255);
    EXPECT_EQ(pixel(h, 9, 246), 1);  // (1 - 0) * 255 / 255 after normalising
    EXPECT_EQ(pixel(h, 0, 0), 0);

    ImageHandle small = image(5, 5, 8, [](int, int) { return 0; });
    pick(x);
    pick(small);
    EXPECT_FALSE(histo2());
    EXPECT_EQ(ui.count("Error", "Image needs to be the same dimensions as the previous image. (30 x 10)"), 1);
}

TEST_F(HistogramTest, TheTableReplacesTheOldestHistogramWhenFull) {
    for (int i = 0; i < kTracebackEntries; ++i) EXPECT_EQ(RecordTraceback({1, 2, 100 - i}), i);
    // The smallest number (91) sits in the last slot.
    EXPECT_EQ(RecordTraceback({3, 4, 200}), kTracebackEntries - 1);
    EXPECT_EQ(TracebackTable()[kTracebackEntries - 1].histogram, 200);
    EXPECT_EQ(RecordTraceback({3, 4, 201}), kTracebackEntries - 2);
}

TEST_F(HistogramTest, TracebackMarksThePixelsOfTheChosenCells) {
    EXPECT_FALSE(chi_traceback());
    EXPECT_EQ(ui.count("chi_traceback()", "There is no traceback information available"), 1);

    ImageHandle x = image(8, 4, 8, [](int c, int) { return c * 10; });
    ImageHandle y = image(8, 4, 8, [](int, int r) { return r * 20; });
    SetRegistration(x, {100, 200}, {107, 203});
    pick(x);
    pick(y);
    const ImageHandle h = histo2();
    // One cell: x = 30 and y = 40 (row 255 - 40).
    platform::DialogScript script;
    script.steps = {{platform::DialogStep::Op::SetText, "Left", "30"},
                    {platform::DialogStep::Op::SetText, "Top", "215"},
                    {platform::DialogStep::Op::SetText, "Right", "30"},
                    {platform::DialogStep::Op::SetText, "Bottom", "215"},
                    {platform::DialogStep::Op::Press, "OK"}};
    ui.queue(script);
    const ImageHandle trace = chi_traceback();
    ASSERT_TRUE(trace);
    EXPECT_EQ(name(trace), name(h) + "-trace");
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 8; ++c) EXPECT_EQ(pixel(trace, c, r), c == 3 && r == 2 ? 255 : 0) << c << "," << r;
    RealPoint lowerLeft, upperRight;
    GetCorners(trace, lowerLeft, upperRight);
    EXPECT_EQ(upperRight.x, 107.0);  // the x-axis image's registration

    // A rectangle dragged past the canvas edge: x 0..25, rows 235..255.
    script.steps.clear();
    script.inspect = [](platform::DialogModel& d) {
        auto& area = *d.find("Area");
        EXPECT_FALSE(d.find("OK")->enabled);
        d.mouse(area, {platform::CanvasMouse::Kind::Down, 25, 255, true});
        d.mouse(area, {platform::CanvasMouse::Kind::Move, 0, 230, true});
        d.mouse(area, {platform::CanvasMouse::Kind::Up, -5, 235, true});
        EXPECT_EQ(d.find("Left")->text, "0");
        EXPECT_EQ(d.find("Bottom")->text, "255");
        EXPECT_TRUE(d.find("OK")->enabled);
        d.press("OK");
    };
    ui.queue(script);
    const ImageHandle dragged = chi_traceback();
    ASSERT_TRUE(dragged);
    EXPECT_EQ(rowOf(dragged, 1), (std::vector<int>{255, 255, 255, 0, 0, 0, 0, 0}));
    EXPECT_EQ(rowOf(dragged, 2), std::vector<int>(8, 0));

    // With the x-axis image closed, the source is missing.
    CloseImageWindow(x);
    ui.queue(script);
    EXPECT_FALSE(chi_traceback());
    EXPECT_EQ(ui.count("chi_traceback", "source image is missing"), 1);
}

TEST_F(HistogramTest, KillPixelZeroesThePickedPixel) {
    ImageHandle w = image(4, 3, 8, [](int, int) { return 9; });
    pick(w, 2.7, 1.2);
    OVP_KillPixel();
    EXPECT_EQ(rowOf(w, 1), (std::vector<int>{9, 9, 0, 9}));
    ImageHandle wide = image(2, 2, 16, [](int, int) { return 4000; });
    pick(wide, 1.99, 1.0);
    OVP_KillPixel();
    EXPECT_EQ(rowOf(wide, 1), (std::vector<int>{4000, 0}));
}

TEST_F(HistogramTest, TheCommandsNeedAnImageWindow) {
    app::commandTable().clear();
    RegisterHistogramCommands();
    EXPECT_EQ(app::commandTable().all().size(), 7u);
    for (const auto& c : app::commandTable().all()) EXPECT_FALSE(c.enabled()) << c.path;
    ImageHandle w = image(2, 1, 8, [](int c, int) { return c; });
    app::commandTable().run("Advanced > Special Effects > Negate Data");
    EXPECT_EQ(rowOf(w, 0), (std::vector<int>{255, 254}));
    app::commandTable().clear();
}

}  // namespace
}  // namespace orvex
