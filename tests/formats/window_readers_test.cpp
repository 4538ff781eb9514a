// The readers that make image windows of their own: grids and the colour
// split of 24-bit bitmaps.
#include <gtest/gtest.h>

#include "format_test_support.h"
#include "formats/bmp.h"
#include "formats/file_io.h"
#include "formats/grid.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"

namespace orvex::formats {
namespace {

struct WindowReaders : ::testing::Test {
    void SetUp() override { windowList().Reset(); }
    void TearDown() override {
        windowList().Reset();
    }
    testing::RecordingUi recording;
};

TEST_F(WindowReaders, GridBecomesARegisteredGridWindow) {
    ByteWriter w;
    w.raw("DSBB", 4);
    w.u16(3);
    w.u16(2);
    for (double v : {0.0, 2.0, 10.0, 11.0, -1.0, 1.0}) w.f64(v);
    for (float v : {-1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f}) w.f32(v);
    std::string path = testing::TempPath("window.grd");
    testing::WriteBytes(path, w.bytes);
    const GridContext context{2.0, "nA", {}};

    ImageHandle window = ReadGrid(path, true, context);
    ASSERT_TRUE(window);
    Image* image = LiveImage(window);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Depth(), 16);
    EXPECT_EQ(testing::Pixels(*image), (std::vector<int>{65535, 65535, 65535, 0, 32768, 65535}));
    EXPECT_EQ(OV_Info_GetType(window), IMAGETYPE_GRID);
    ImageSummary summary;
    ASSERT_EQ(GetImageSummary(window, summary), ImageDone);
    EXPECT_EQ(summary.name, path);
    ZRegistration z;
    GetZRegistration(window, z);
    EXPECT_EQ(z.flag, 1);
    EXPECT_EQ(z.units, "nA");
    RealPoint ll, ur;
    GetCorners(window, ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 0.0);
    EXPECT_DOUBLE_EQ(ur.x, 4.0);
    EXPECT_DOUBLE_EQ(ll.y, 20.0);
    EXPECT_DOUBLE_EQ(ur.y, 22.0);
    EXPECT_FALSE(image->IsModified());

    // Writing the active window's image gives back the grid's values.
    std::string out = testing::TempPath("window-out.grd");
    ASSERT_TRUE(WriteGrid(out, context.factor));
    auto bytes = testing::ReadBytes(out);
    ByteReader in(bytes.data(), bytes.size());
    EXPECT_DOUBLE_EQ(in.f64(16), 2.0);
    EXPECT_DOUBLE_EQ(in.f64(40), -1.0);
    EXPECT_DOUBLE_EQ(in.f64(48), 1.0);
    EXPECT_NEAR(in.f32(56 + 4), 0.0f, 1e-4);

    EXPECT_FALSE(ReadGrid(testing::TempPath("missing.grd"), false, context));
    windowList().Reset();
    EXPECT_FALSE(WriteGrid(out, context.factor));
    EXPECT_EQ(recording.ui.count("No active image?", "write_grd_menu"), 1);
}

TEST_F(WindowReaders, ColourSplitMakesThreeWindows) {
    ByteWriter w;
    w.raw("BM", 2);
    w.u32(0);
    w.u32(0);
    w.u32(54);
    w.u32(40);
    w.u32(1);
    w.u32(2);
    w.u16(1);
    w.u16(24);
    w.zeros(24);
    for (uint8_t v : {1, 2, 3, 0, 4, 5, 6, 0}) w.u8(v);
    std::string path = testing::TempPath("split.bmp");
    testing::WriteBytes(path, w.bytes);
    ImageHandle red = ReadBmpColourSplit(path);
    ASSERT_TRUE(red);
    auto windows = windowList().Windows();
    ASSERT_EQ(windows.size(), 3u);
    // Red, green, blue in that order: the red image has the lowest number.
    EXPECT_EQ(windows[0], red);
    EXPECT_LT(windows[0].number, windows[1].number);
    EXPECT_LT(windows[1].number, windows[2].number);
    EXPECT_EQ(testing::Pixels(*LiveImage(red)), (std::vector<int>{6, 3}));
    EXPECT_EQ(testing::Pixels(*LiveImage(windows[1])), (std::vector<int>{5, 2}));  // green
    EXPECT_EQ(testing::Pixels(*LiveImage(windows[2])), (std::vector<int>{4, 1}));  // blue
    EXPECT_EQ(LiveImage(red)->GetPaletteKind(), PaletteRed);
    EXPECT_EQ(LiveImage(windows[1])->GetPaletteKind(), PaletteGreen);
    EXPECT_EQ(LiveImage(windows[2])->GetPaletteKind(), PaletteBlue);

    w.put16(28, 8);
    testing::WriteBytes(path, w.bytes);
    EXPECT_FALSE(ReadBmpColourSplit(path));
    EXPECT_EQ(windowList().Count(), 3);
    EXPECT_EQ(recording.ui.count("Warning", "This is not a 24 Bit Bitmap.;\n"), 1);
}

}  // namespace
}  // namespace orvex::formats
