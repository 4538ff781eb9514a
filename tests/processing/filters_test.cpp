// Convolution, Erode, Dilate, Median and Filter against plain references.
#include "processing/filters.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/commands/filters.h"
#include "geometry_fixture.h"
#include "processing/filters_dialogs.h"
#include "processing/geometry.h"

namespace orvex {
namespace {

class Filters : public testing::ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        RegisterFilterCommands();
    }
    // The 3 x 3 neighbourhood of (c, r), zero outside, at 8 bits (16-bit
    // images through their high byte) or at the image's own depth.
    static std::vector<int> neighbours(ImageHandle w, int c, int r, bool ownDepth = false) {
        const Image& i = *LiveImage(w);
        std::vector<int> n;
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int x = c + dc, y = r + dr;
                int v = x < 0 || y < 0 || x >= i.Width() || y >= i.Height() ? 0 : i.GetPixel(x, y);
                if (i.Depth() == 16 && !ownDepth) v >>= 8;
                n.push_back(v);
            }
        return n;
    }
};

TEST_F(Filters, EveryNeighbourhoodOperationMatchesItsPlainDefinition) {
    std::uniform_int_distribution<int> size(1, 23);
    std::uniform_real_distribution<float> weight(-2.0f, 2.0f);
    for (int trial = 0; trial < 8; ++trial) {
        const int depth = trial % 2 ? 16 : 8;
        const int w = size(random), h = size(random);
        const ImageHandle src = randomImage(w, h, depth);
        Kernel k{"random", {}};
        for (float& x : k.weights) x = weight(random);
        const ImageHandle conv = Convolve(src, k), ero = Erode(src), dil = Dilate(src), med = Median(src);
        ASSERT_TRUE(conv && ero && dil && med);
        EXPECT_EQ(LiveImage(ero)->Depth(), 8);
        EXPECT_EQ(LiveImage(med)->Depth(), depth);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const std::vector<int> n = neighbours(src, c, r);
                int sum = 0;
                for (int i = 0; i < 9; ++i) sum += static_cast<int>(n[i] * k.weights[i]);
                const int expected = std::clamp(sum, 0, 255);
                // The convolution writes 8-bit rows into its copy of the source.
                ASSERT_EQ(pixel(conv, c, r), depth == 16 ? expected << 8 : expected) << c << "," << r;
                ASSERT_EQ(pixel(ero, c, r), *std::min_element(n.begin(), n.end()));
                ASSERT_EQ(pixel(dil, c, r), *std::max_element(n.begin(), n.end()));
                std::vector<int> own = neighbours(src, c, r, true);
                std::sort(own.begin(), own.end());
                ASSERT_EQ(pixel(med, c, r), own[4]) << w << "x" << h << " at " << c << "," << r;
            }
        windowList().Reset();
    }
}

TEST_F(Filters, ThePartOfAWholeImageMatchesTheSameCutOutAwayFromItsEdge) {
    const ImageHandle whole = randomImage(40, 30, 8, 8);  // few values: many ties
    const ImageHandle part = CropImage(whole, {7, 5, 26, 21});
    const ImageHandle wholeMedian = Median(whole), partMedian = Median(part);
    const ImageHandle wholeErode = Erode(whole), partErode = Erode(part);
    for (int r = 1; r < 16; ++r)
        for (int c = 1; c < 19; ++c) {
            ASSERT_EQ(pixel(partMedian, c, r), pixel(wholeMedian, c + 7, r + 5));
            ASSERT_EQ(pixel(partErode, c, r), pixel(wholeErode, c + 7, r + 5));
        }
}

TEST_F(Filters, TheDescribedSmallCases) {
    const ImageHandle src = imageOf({{3, 9, 200}, {40, 3, 7}, {1, 2, 250}});
    Kernel identity{"identity", {0, 0, 0, 0, 1, 0, 0, 0, 0}};
    const ImageHandle same = Convolve(src, identity);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(row(same, r), row(src, r));
    Kernel half{"half", {0, 0, 0, 0, 0.5f, 0, 0, 0, 0}};
    EXPECT_EQ(pixel(Convolve(src, half), 1, 1), 1);  // 3 x 0.5 truncates to 1
    const auto lines = historyLines(same);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"convolution: ", "  filter: identity", "  source: " + LiveView(src)->name,
                                        "  destination: " + LiveView(same)->name}));

    // No zero pixel in the image, yet the border of the erosion is zero.
    const ImageHandle bright = imageOf({{9, 9, 9, 9, 9}, {9, 8, 9, 9, 9}, {9, 9, 9, 9, 9}, {9, 9, 9, 9, 9}});
    const ImageHandle eroded = Erode(bright);
    EXPECT_EQ(row(eroded, 0), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(row(eroded, 2), (std::vector<int>{0, 8, 8, 9, 0}));
    EXPECT_EQ(row(eroded, 3), (std::vector<int>{0, 0, 0, 0, 0}));
    // A single bright pixel on a dark background goes away.
    const ImageHandle spot = imageOf({{5, 5, 5}, {5, 250, 5}, {5, 5, 5}});
    EXPECT_EQ(pixel(Median(spot), 1, 1), 5);
}

TEST_F(Filters, AConvolutionBeyondTheRangeOfIntSaturatesInsteadOfWrapping) {
    const ImageHandle white = imageOf({{255, 255, 255}, {255, 255, 255}});
    EXPECT_EQ(row(Convolve(white, {"huge", {0, 0, 0, 0, 1e10f, 0, 0, 0, 0}}), 1), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(row(Convolve(white, {"negative", {0, 0, 0, 0, -1e10f, 0, 0, 0, 0}}), 0), (std::vector<int>{0, 0, 0}));
    // Two saturated products of opposite sign still sum without wrapping.
    EXPECT_EQ(row(Convolve(white, {"both", {0, 0, 0, 1e10f, 0, -1e10f, 0, 0, 0}}), 0), (std::vector<int>{0, 0, 255}));
    // The upper left neighbour lies outside for the first column: 0 whatever the weight.
    EXPECT_EQ(row(Convolve(white, {"corner", {1e10f, 0, 0, 0, 0, 0, 0, 0, 0}}), 1), (std::vector<int>{0, 255, 255}));
}

TEST_F(Filters, TheKernelLibraryFeedsTheConvolutionsDialog) {
    const auto file = std::filesystem::temp_directory_path() / "orvex_geom_matrix.txt";
    {
        std::ofstream out(file, std::ios::binary);
        out << "\r\n BEGIN Matrix\r\n Name=Sharpen\r\n ROW1=0 -1 0\r\n ROW2=-1 5 -1\r\n ROW3=0 -1 0\r\n"
               " Name=Blur\r\n ROW1=0.111 0.111 0.111\r\n ROW2=0.111 0.111 0.111\r\n ROW3=0.111 0.111 0.111\r\n"
               " Name=Broken\r\n ROW1=1 1 1\r\nEND Matrix\r\n";
    }
    const std::vector<Kernel> kernels = ReadKernels(file.string());
    std::filesystem::remove(file);
    ASSERT_EQ(kernels.size(), 2u);  // the last one has no ROW3
    EXPECT_EQ(kernels[0].name, "Sharpen");
    EXPECT_EQ(kernels[0].weights[4], 5.0f);
    EXPECT_TRUE(ReadKernels("/nonexistent/matrix.txt").empty());

    ConvolutionDialog dialog(kernels);
    dialog.initialize();
    EXPECT_EQ(dialog.find("k3")->text, "-1.000");
    dialog.setValue("Name", 1);
    EXPECT_EQ(dialog.find("k0")->text, "0.111");
    dialog.setText("k8", "heavy");
    EXPECT_FALSE(dialog.press("OK"));
    EXPECT_EQ(ui.count("k8", "Entry must be numeric"), 1);
    dialog.setText("k8", "2");
    EXPECT_TRUE(dialog.press("OK"));
    EXPECT_EQ(dialog.kernel().name, "Blur");
    EXPECT_EQ(dialog.kernel().weights[8], 2.0f);

    // Without a library the weights can still be typed.
    const ImageHandle src = randomImage(6, 5, 8);
    ui.queue(script({setText("k4", "1"), press("OK")}));
    const ImageHandle out = OnConvolution();
    ASSERT_TRUE(out);
    EXPECT_EQ(row(out, 2), row(src, 2));
    windowList().SetActive(src);
    ui.queue(script({press("Cancel")}));
    EXPECT_FALSE(OnConvolution());
}

TEST_F(Filters, FilterKeepsItsWindowOfGreyLevels) {
    const ImageHandle src = imageOf({{99, 100, 101, 0}, {255, 100, 7, 50}});
    const ImageHandle mask = FilterImage(src, {100, 100, true, true});
    EXPECT_EQ(row(mask, 0), (std::vector<int>{0, 255, 0, 0}));
    EXPECT_EQ(row(mask, 1), (std::vector<int>{0, 255, 0, 0}));
    const ImageHandle outside = FilterImage(src, {50, 100, false, false});
    EXPECT_EQ(row(outside, 0), (std::vector<int>{0, 0, 101, 0}));
    EXPECT_EQ(row(outside, 1), (std::vector<int>{255, 0, 7, 0}));
    const auto lines = historyLines(outside);
    EXPECT_EQ(lines[lines.size() - 3], "filter: ");
    EXPECT_EQ(lines.back(), "  new name:  " + LiveView(outside)->name);

    const ImageHandle wide = imageOf({{1000, 40000, 65535}}, 16);
    EXPECT_EQ(row(FilterImage(wide, {30000, 65535, true, true}), 0), (std::vector<int>{0, 65535, 65535}));
}

TEST_F(Filters, TheFilterDialogPicksItsLimitsAndChecksThem) {
    EXPECT_FALSE(app::commandTable().isEnabled("Advanced > Special Effects > &Erode"));
    const ImageHandle wide = imageOf({{1000, 3000, 40000}, {2000, 5000, 7}}, 16);
    FilterDialog dialog(wide);
    EXPECT_EQ(dialog.find("High Value")->text, "65535");
    EXPECT_EQ(dialog.find("range")->text, "range: 0 - 65535");
    // "Pick Low" takes the mean of the rectangle, remainder dropped, into the low limit.
    ui.queue(platform::PixelRect{0, 0, 1, 1});
    dialog.press("Pick Low");
    EXPECT_EQ(dialog.find("Low Value")->text, "2750");
    // "Pick High" takes the pixel picked.
    platform::ImagePickEvent click;
    click.kind = platform::ImagePickEvent::Kind::Picked;
    click.imageNumber = wide.number;
    click.column = 2.5;
    click.row = 0.25;
    ui.queue(click);
    dialog.press("Pick High");
    EXPECT_EQ(dialog.find("High Value")->text, "40000");

    dialog.setText("Low Value", "12.5");
    EXPECT_FALSE(dialog.press("OK"));
    dialog.setText("Low Value", "70000");
    EXPECT_FALSE(dialog.press("OK"));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Low Value: Entry must be a integral number",
                                                           "Low Value: Entry must be between 0 and 65535"}));
    dialog.setText("Low Value", "2000");
    dialog.choose("Keep Outside");
    EXPECT_TRUE(dialog.press("OK"));
    EXPECT_EQ(dialog.window().low, 2000);
    EXPECT_FALSE(dialog.window().keepInside);

    // The command, enabled with an image, takes the dialog's window.
    const ImageHandle narrow = randomImage(3, 3, 8);
    EXPECT_TRUE(app::commandTable().isEnabled("Advanced > Modify Image > &Filter"));
    ui.queue(script({setText("Low Value", "0"), setText("High Value", "255"), press("OK")}));
    const ImageHandle all = OnFilter();
    ASSERT_TRUE(all);
    EXPECT_EQ(row(all, 1), row(narrow, 1));
}

}  // namespace
}  // namespace orvex
