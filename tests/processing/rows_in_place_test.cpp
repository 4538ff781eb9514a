// The row operations read and write image rows where they lie, from the
// last row up, and fall back to row copies for images cut into several
// strips or of another depth. Both ways, on wide rows, must give the plain
// definitions pixel for pixel; a stopped filter leaves the source's rows
// above the last one done.
#include <algorithm>
#include <cstring>
#include <functional>

#include "geometry_fixture.h"
#include "processing/filters.h"
#include "processing/geometry.h"
#include "processing/histogram.h"
#include "processing/mask.h"

namespace orvex {
namespace {

class RowsInPlace : public testing::ProcessingTest {
protected:
    void TearDown() override {
        Image::SetMaxStripBytes(0);
        ProcessingTest::TearDown();
    }

    // The sizes each check runs on: rows narrower and wider than a page, and
    // rows of one to three pixels, in one strip and in strips of one row each.
    struct Case {
        int width, height, depth;
        bool strips;
    };
    static std::vector<Case> cases() {
        std::vector<Case> all;
        for (bool strips : {false, true}) {
            all.push_back({1100, 3, 8, strips});
            all.push_back({2100, 4, 8, strips});
            all.push_back({530, 3, 16, strips});
            all.push_back({1100, 2, 16, strips});
            // Rows with no inner columns, or only one.
            all.push_back({1, 4, 8, strips});
            all.push_back({2, 3, 16, strips});
            all.push_back({3, 5, 8, strips});
        }
        return all;
    }
    ImageHandle source(const Case& c) {
        Image::SetMaxStripBytes(c.strips ? static_cast<size_t>(c.width) * (c.depth / 8) : 0);
        return randomImage(c.width, c.height, c.depth);
    }
    static std::string name(const Case& c) {
        return std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.depth) +
               (c.strips ? " in strips" : "");
    }
    // The 3 x 3 neighbourhood, zero outside.
    static std::vector<int> neighbours(ImageHandle w, int c, int r) {
        const Image& i = *LiveImage(w);
        std::vector<int> n;
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int x = c + dc, y = r + dr;
                n.push_back(x < 0 || y < 0 || x >= i.Width() || y >= i.Height() ? 0 : i.GetPixel(x, y));
            }
        return n;
    }
};

TEST_F(RowsInPlace, NeighbourhoodFiltersMatchTheirDefinitionsOnWideRowsAndStrips) {
    const Kernel k{"sharpen", {0.5f, -1, 0.25f, -1, 5, -1, 0, -1.5f, 0}};
    for (const Case& c : cases()) {
        const ImageHandle src = source(c);
        const ImageHandle med = Median(src), ero = Erode(src), dil = Dilate(src), conv = Convolve(src, k);
        ASSERT_TRUE(med && ero && dil && conv) << name(c);
        const int high = c.depth == 16 ? 8 : 0;
        for (int r = 0; r < c.height; ++r)
            for (int x = 0; x < c.width; ++x) {
                std::vector<int> own = neighbours(src, x, r);
                std::vector<int> narrow = own;
                for (int& v : narrow) v >>= high;
                int sum = 0;
                for (int i = 0; i < 9; ++i) sum += static_cast<int>(narrow[i] * k.weights[i]);
                ASSERT_EQ(pixel(conv, x, r), std::clamp(sum, 0, 255) << high) << name(c) << " at " << x << "," << r;
                ASSERT_EQ(pixel(ero, x, r), *std::min_element(narrow.begin(), narrow.end())) << name(c);
                ASSERT_EQ(pixel(dil, x, r), *std::max_element(narrow.begin(), narrow.end())) << name(c);
                std::nth_element(own.begin(), own.begin() + 4, own.end());
                ASSERT_EQ(pixel(med, x, r), own[4]) << name(c) << " at " << x << "," << r;
            }
        windowList().Reset();
    }
}

TEST_F(RowsInPlace, PointOperationsAndTheHistogramMatchTheirDefinitions) {
    for (const Case& c : cases()) {
        const ImageHandle src = source(c);
        const int top = c.depth == 16 ? 65535 : 255;
        const unsigned level = c.depth == 16 ? 30000 : 120;
        const ImageHandle mask = OV_Threshold(src, level);
        const ImageHandle kept = FilterImage(src, {top / 4, top / 2, true, false});
        ASSERT_TRUE(mask && kept);
        std::vector<std::vector<int>> before;
        for (int r = 0; r < c.height; ++r) before.push_back(row(src, r));
        OV_Negate(src);
        std::vector<uint32_t> counts(256, 0), expected(256, 0);
        if (c.depth == 8) OVP_Histogram8(src, counts.data());
        for (int r = 0; r < c.height; ++r)
            for (int x = 0; x < c.width; ++x) {
                const int v = before[r][x];
                ASSERT_EQ(pixel(mask, x, r), v >= static_cast<int>(level) ? 255 : 0) << name(c);
                ASSERT_EQ(pixel(kept, x, r), v >= top / 4 && v <= top / 2 ? v : 0) << name(c);
                ASSERT_EQ(pixel(src, x, r), top - v) << name(c) << " at " << x << "," << r;
                if (c.depth == 8) ++expected[static_cast<size_t>(top - v)];
            }
        EXPECT_EQ(counts, expected) << name(c);
        windowList().Reset();
    }
}

TEST_F(RowsInPlace, TurnsFlipsCropAndNearestResamplingTakeTheRightPixels) {
    for (const Case& c : cases()) {
        const ImageHandle src = source(c);
        const int w = c.width, h = c.height;
        for (int i = 0; i < 5; ++i) {
            const auto choice = static_cast<RotateFlip>(i);
            const ImageHandle out = RotateFlipImage(src, choice);
            ASSERT_TRUE(out);
            const Image& o = *LiveImage(out);
            for (int r = 0; r < o.Height(); ++r)
                for (int x = 0; x < o.Width(); ++x) {
                    int sc = 0, sr = 0;
                    sourcePixel(choice, w, h, x, r, sc, sr);
                    ASSERT_EQ(o.GetPixel(x, r), pixel(src, sc, sr)) << name(c) << " turn " << i << " at " << x << "," << r;
                }
            CloseImageWindow(out);
        }
        if (w > 5) {
            const ImageHandle cut = CropImage(src, {3, 0, w - 2, h - 1});
            ASSERT_TRUE(cut);
            for (int r = 0; r < h; ++r)
                for (int x = 0; x < w - 4; ++x)
                    ASSERT_EQ(pixel(cut, x, r), pixel(src, x + 3, r)) << name(c);
        }
        // Twice as high and a little wider: most result rows repeat the one above.
        const ImageHandle grown = ResampleImage(src, w + 7, 2 * h, ResampleMethod::NearestNeighbor);
        ASSERT_TRUE(grown);
        for (int r = 0; r < 2 * h; ++r)
            for (int x = 0; x < w + 7; ++x) {
                const int sc = std::min(static_cast<int>(static_cast<double>(w) / (w + 7) * (x + 0.5)), w - 1);
                ASSERT_EQ(pixel(grown, x, r), pixel(src, sc, r / 2)) << name(c) << " at " << x << "," << r;
            }
        windowList().Reset();
    }
}

TEST_F(RowsInPlace, AStoppedConvolutionOrFilterKeepsTheSourceAboveTheRowsDone) {
    // The rows go from the last up and Esc is looked at after the first
    // step: stopping there leaves only the last row done.
    const ImageHandle src = randomImage(30, 45, 8);
    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::Yes);
    const ImageHandle conv = Convolve(src, Kernel{"twice", {0, 0, 0, 0, 2, 0, 0, 0, 0}});
    ASSERT_TRUE(conv);
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(pixel(conv, x, 44), std::min(2 * pixel(src, x, 44), 255));
    for (int r = 0; r < 44; ++r) ASSERT_EQ(row(conv, r), row(src, r)) << r;

    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::Yes);
    const ImageHandle kept = FilterImage(src, {0, 100, true, true});
    ASSERT_TRUE(kept);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(pixel(kept, x, 44), pixel(src, x, 44) <= 100 ? 255 : 0);
    for (int r = 0; r < 44; ++r) ASSERT_EQ(row(kept, r), row(src, r)) << r;
    EXPECT_EQ(ui.count("Verify", "Do you wish to cancel this operation?"), 2);
}

TEST_F(RowsInPlace, ResultsLargerThanTheCachesAreStreamedPastThemAndComeOutTheSame) {
    // 2900 x 2900 bytes: more than the 8 MB from which results are streamed.
    const int side = 2900;
    const ImageHandle src = randomImage(side, side, 8);
    const ImageHandle flipped = RotateFlipImage(src, RotateFlip::TopToBottom);
    const ImageHandle cut = CropImage(src, {1, 1, side - 1, side - 1});
    const ImageHandle mask = OV_Threshold(src, 100);
    ASSERT_TRUE(flipped && cut && mask);
    std::vector<uint8_t> in(side), out(side), expected(side);
    for (int r = 0; r < side; ++r) {
        ReadLine8(src, r, in.data());
        ReadLine8(flipped, side - 1 - r, out.data());
        ASSERT_EQ(out, in) << "flipped row " << r;
        if (r > 0) {
            ReadLine8(cut, r - 1, out.data());
            ASSERT_TRUE(std::equal(in.begin() + 1, in.end(), out.begin())) << "cut row " << r;
        }
        ReadLine8(mask, r, out.data());
        for (int c = 0; c < side; ++c) expected[c] = in[c] >= 100 ? 255 : 0;
        ASSERT_EQ(out, expected) << "mask row " << r;
    }
}

// The source a listener of each new window closes on the window's first
// written row, and how many rows it was told of.
ImageHandle g_closedOnFirstRow;
int g_rowsTold = 0;
void closeSourceOnFirstRow(const ImageEvent& event) {
    if (event.code != ImageEventLine) return;
    ++g_rowsTold;
    if (g_closedOnFirstRow) CloseImageWindow(g_closedOnFirstRow);
    g_closedOnFirstRow = {};
}
void listenToNewWindows(const ImageEvent& event) {
    if (event.code == ImageEventCreated) AddImageListener(event.window, closeSourceOnFirstRow);
}

TEST_F(RowsInPlace, ClosingTheSourceWhileARowOperationRunsEndsIt) {
    // A result in strips of one row is redrawn strip by strip, and this
    // redraw closes the source, as a user can while the window system runs.
    const std::vector<std::pair<const char*, std::function<ImageHandle(ImageHandle)>>> ops = {
        {"median", [](ImageHandle s) { return Median(s); }},
        {"convolution",
         [](ImageHandle s) {
             return Convolve(s, Kernel{"same", {0, 0, 0, 0, 1, 0, 0, 0, 0}});
         }},
        {"filter",
         [](ImageHandle s) {
             return FilterImage(s, {0, 100, true, false});
         }},
        {"flip", [](ImageHandle s) { return RotateFlipImage(s, RotateFlip::TopToBottom); }},
        {"crop",
         [](ImageHandle s) {
             return CropImage(s, {2, 2, 30, 25});
         }},
        {"nearest",
         [](ImageHandle s) { return ResampleImage(s, 60, 45, ResampleMethod::NearestNeighbor); }},
        {"bilinear",
         [](ImageHandle s) { return ResampleImage(s, 60, 45, ResampleMethod::Bilinear); }},
    };
    for (const auto& [op, run] : ops) {
        Image::SetMaxStripBytes(0);
        const ImageHandle src = randomImage(40, 30, 8);
        Image::SetMaxStripBytes(40);
        int redraws = 0;
        windowList().hooks.repaintStrip = [&, src = src](ImageHandle, int) {
            ++redraws;
            CloseImageWindow(src);
        };
        const ImageHandle out = run(src);
        windowList().hooks.repaintStrip = nullptr;
        EXPECT_TRUE(out) << op;
        EXPECT_FALSE(LiveImage(src)) << op;
        EXPECT_EQ(redraws, 1) << op;
        windowList().Reset();
    }
    // Results in one strip, where rows are written in place and told to the
    // listeners after the fact: a listener closes the source on the first.
    for (const auto& [op, run] : ops) {
        Image::SetMaxStripBytes(0);
        const ImageHandle src = randomImage(40, 30, 8);
        windowList().AddApplicationListener(listenToNewWindows);
        g_closedOnFirstRow = src;
        g_rowsTold = 0;
        const ImageHandle out = run(src);
        windowList().RemoveApplicationListener(listenToNewWindows);
        EXPECT_TRUE(out) << op;
        EXPECT_FALSE(LiveImage(src)) << op;
        // A batch of rows may have been done before they were told.
        EXPECT_GE(g_rowsTold, 1) << op;
        EXPECT_LE(g_rowsTold, 21) << op;
        windowList().Reset();
    }
}

}  // namespace
}  // namespace orvex
