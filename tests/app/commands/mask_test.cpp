// Make mask, Mask Image and Negate Data.
#include "processing/mask.h"

#include "app/commands/histogram.h"
#include "histogram_fixture.h"

namespace orvex {
namespace {

using testing::HistogramTest;
using MaskTest = HistogramTest;

TEST_F(MaskTest, ThresholdAtAPickedLevel) {
    ImageHandle w = image(4, 2, 8, [](int c, int r) { return 50 * c + r; });
    const ImageHandle all = OV_Threshold(w, 0);
    for (int r = 0; r < 2; ++r) EXPECT_EQ(rowOf(all, r), std::vector<int>(4, 255));
    // The picked pixel (2, 1) holds 101: everything from 101 up is set.
    pick(w, 2.5, 1.5);
    const ImageHandle mask = MakeMask();
    ASSERT_TRUE(mask);
    EXPECT_EQ(rowOf(mask, 0), (std::vector<int>{0, 0, 0, 255}));
    EXPECT_EQ(rowOf(mask, 1), (std::vector<int>{0, 0, 255, 255}));

    // A 16-bit image is compared at its full values.
    ImageHandle wide = image(3, 1, 16, [](int c, int) { return 1000 + c; });
    pick(wide, 1, 0);
    EXPECT_EQ(rowOf(MakeMask(), 0), (std::vector<int>{0, 255, 255}));

    const int windows = windowList().Count();
    EXPECT_FALSE(OV_Threshold(CreateImage(2, 2, PaletteGrey, true, 4), 1));
    EXPECT_EQ(ui.count("OV_Threshold()", "unsupported image depth"), 1);
    EXPECT_EQ(windowList().Count(), windows + 1);  // the refused mask window is gone again
    EXPECT_FALSE(MakeMask());                      // cancelled
}

TEST_F(MaskTest, NegateTwiceRestoresTheData) {
    ImageHandle w = image(3, 1, 8, [](int c, int) { return c * 100; });
    OV_Negate(w);
    EXPECT_EQ(rowOf(w, 0), (std::vector<int>{255, 155, 55}));
    OV_Negate(w);
    EXPECT_EQ(rowOf(w, 0), (std::vector<int>{0, 100, 200}));
    ImageHandle wide = image(2, 1, 16, [](int c, int) { return c ? 0x1234 : 0; });
    windowList().SetActive(wide);
    NegateData();
    EXPECT_EQ(rowOf(wide, 0), (std::vector<int>{65535, 0xEDCB}));
    EXPECT_NE(history(wide).find("negate data: "), std::string::npos);
    OV_Negate(ImageHandle{999});
    OV_Negate(CreateImage(2, 2, PaletteGrey, true, 4));
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"OV_Negate(): Bad Image", "OV_Negate(): Unimplemented image depth"}));
}

TEST_F(MaskTest, MaskImageKeepsTheSourceWhereTheMaskIsSet) {
    ImageHandle source = image(4, 3, 16, [](int c, int r) { return 1000 * r + c + 1; });
    ImageHandle mask = image(4, 3, 8, [](int c, int) { return c % 2 ? 0 : 7; });
    pick(source);
    pick(mask);
    const ImageHandle result = MaskImage();
    ASSERT_TRUE(result);
    // The 16-bit values come through whole, low byte included.
    EXPECT_EQ(rowOf(result, 2), (std::vector<int>{2001, 0, 2003, 0}));
    const std::string h = history(result);
    const std::string lines = "  source image: UNTLD1.TIF\n  mask image: UNTLD2.TIF\n  result image: " + name(result) + "\n";
    EXPECT_LT(h.find("duplicate: "), h.find("mask result: "));
    EXPECT_EQ(h.substr(h.size() - lines.size()), lines);

    // An all-zero mask clears everything; a mask of another size makes nothing.
    ImageHandle zero = image(4, 3, 8, [](int, int) { return 0; });
    pick(source);
    pick(zero);
    const ImageHandle cleared = MaskImage();
    for (int r = 0; r < 3; ++r) EXPECT_EQ(rowOf(cleared, r), std::vector<int>(4, 0));
    const int windows = windowList().Count();
    pick(source);
    pick(image(3, 3, 8, [](int, int) { return 1; }));
    EXPECT_FALSE(MaskImage());
    EXPECT_EQ(windowList().Count(), windows + 1);
}

TEST_F(MaskTest, EscapeStopsMaskImageWithTheRestLeftAsCopied) {
    ImageHandle source = image(2, 3, 8, [](int, int r) { return 10 + r; });
    ImageHandle zero = image(2, 3, 8, [](int, int) { return 0; });
    pick(source);
    pick(zero);
    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::Yes);
    const ImageHandle result = MaskImage();
    EXPECT_EQ(ui.count("Verify", "Do you wish to cancel this operation?"), 1);
    EXPECT_EQ(rowOf(result, 0), (std::vector<int>{0, 0}));
    EXPECT_EQ(rowOf(result, 1), (std::vector<int>{11, 11}));
}

}  // namespace
}  // namespace orvex
