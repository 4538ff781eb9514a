// Files made by other programs (Pillow, libtiff, ImageMagick, GDAL; see
// tests/data/formats/README.md) read right.
#include <gtest/gtest.h>

#include <cstdlib>

#include "format_test_support.h"
#include "formats/bmp.h"
#include "formats/grid.h"
#include "formats/pcx.h"
#include "formats/tiff.h"

namespace orvex::formats {
namespace {

using testing::DataPath;
using testing::KeepingImage;
using testing::Pixels;
using testing::RecordingUi;

constexpr int kWidth = 12, kHeight = 10;

std::vector<int> Pattern(int (*f)(int)) {
    std::vector<int> values;
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c) values.push_back(f((16 * r + 3 * c) % 256));
    return values;
}
int Same(int v) { return v; }

TEST(ForeignFiles, TiffsOfOtherPrograms) {
    struct Case {
        const char* file;
        int depth;
        int (*value)(int);
    } cases[] = {
        {"pillow-grey8.tif", 8, Same},
        {"pillow-palette8.tif", 8, Same},
        {"pillow-bits.tif", 1, [](int v) { return v & 16 ? 1 : 0; }},
        {"pillow-grey16-big-endian.tif", 16, [](int v) { return v * 257; }},
        {"tiffcp-grey16-big-endian-strips4.tif", 16, [](int v) { return v * 257; }},
        {"tiffcp-strips3.tif", 8, Same},
        {"pillow-two-pages.tif", 8, [](int v) { return 255 - v; }},
        {"magick-grey4.tif", 4, [](int v) { return v * 15 / 255; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        KeepingImage image;
        ASSERT_TRUE(ReadTiff(image, DataPath(c.file)));
        EXPECT_EQ(image.Width(), kWidth);
        EXPECT_EQ(image.Height(), kHeight);
        EXPECT_EQ(image.Depth(), c.depth);
        EXPECT_EQ(Pixels(image), Pattern(c.value));
        EXPECT_FALSE(image.IsPositionRegistered());
    }
    KeepingImage palette;
    ASSERT_TRUE(ReadTiff(palette, DataPath("pillow-palette8.tif")));
    EXPECT_EQ(palette.GetPaletteEntry(200).red, 200);
    EXPECT_EQ(palette.GetPaletteEntry(200).green, 55);
    EXPECT_EQ(palette.GetPaletteEntry(200).blue, 100);
    KeepingImage grey;
    ASSERT_TRUE(ReadTiff(grey, DataPath("pillow-grey8.tif")));
    EXPECT_EQ(grey.GetPaletteEntry(128).green, 128);
    KeepingImage nibbles;
    ASSERT_TRUE(ReadTiff(nibbles, DataPath("magick-grey4.tif")));
    EXPECT_EQ(nibbles.PaletteCount(), 16);
    EXPECT_EQ(nibbles.GetPaletteEntry(15).red, 240);

    RecordingUi recording;
    KeepingImage lzw;
    EXPECT_FALSE(ReadTiff(lzw, DataPath("tiffcp-lzw.tif")));
    EXPECT_EQ(recording.ui.messageLines(),
              (std::vector<std::string>{"Error During Tiff Translation: Unrecognized compression format."}));
}

TEST(ForeignFiles, BmpsOfOtherPrograms) {
    KeepingImage grey;
    ASSERT_TRUE(ReadBmp(grey, DataPath("pillow-grey8.bmp")));
    EXPECT_EQ(Pixels(grey), Pattern(Same));
    EXPECT_EQ(grey.GetPaletteEntry(77).blue, 77);

    KeepingImage few;
    ASSERT_TRUE(ReadBmp(few, DataPath("pillow-palette-short.bmp")));
    EXPECT_EQ(Pixels(few), Pattern([](int v) { return v % 5; }));
    EXPECT_EQ(few.GetPaletteEntry(4).red, 130);
    EXPECT_EQ(few.GetPaletteEntry(4).green, 140);
    EXPECT_EQ(few.GetPaletteEntry(4).blue, 150);
    EXPECT_EQ(few.GetPaletteEntry(5).red, 0);

    KeepingImage bits;
    ASSERT_TRUE(ReadBmp(bits, DataPath("pillow-bits.bmp")));
    EXPECT_EQ(bits.Depth(), 1);
    EXPECT_EQ(Pixels(bits), Pattern([](int v) { return v & 16 ? 1 : 0; }));

    KeepingImage nibbles;
    ASSERT_TRUE(ReadBmp(nibbles, DataPath("magick-palette4.bmp")));
    EXPECT_EQ(nibbles.Depth(), 4);
    auto values = Pixels(nibbles);
    auto pattern = Pattern(Same);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR(nibbles.GetPaletteEntry(values[i]).red, pattern[i], 20) << i;

    KeepingImage red, green, blue;
    ASSERT_TRUE(ReadBmpColourSplitImages(DataPath("pillow-rgb24.bmp"), red, green, blue));
    EXPECT_EQ(Pixels(red), Pattern(Same));
    EXPECT_EQ(Pixels(green), Pattern([](int v) { return 255 - v; }));
    EXPECT_EQ(Pixels(blue), Pattern([](int v) { return v / 2; }));
}

TEST(ForeignFiles, PcxAndGridsOfOtherPrograms) {
    KeepingImage pillow;
    ASSERT_TRUE(ReadPcx(pillow, DataPath("pillow-palette8.pcx")));
    EXPECT_EQ(Pixels(pillow), Pattern(Same));
    EXPECT_EQ(pillow.GetPaletteEntry(10).green, 245);
    EXPECT_EQ(pillow.GetPaletteEntry(10).blue, 5);

    KeepingImage magick;
    ASSERT_TRUE(ReadPcx(magick, DataPath("magick-palette8.pcx")));
    auto values = Pixels(magick);
    auto pattern = Pattern(Same);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR(magick.GetPaletteEntry(values[i]).red, pattern[i], 20) << i;

    RecordingUi recording;
    KeepingImage rgb;
    EXPECT_FALSE(ReadPcx(rgb, DataPath("magick-rgb.pcx")));
    EXPECT_EQ(recording.ui.messageLines(), (std::vector<std::string>{"Warning: Unsupported PCX type"}));

    auto grid = testing::ReadBytes(DataPath("gdal-pattern.grd"));
    KeepingImage image;
    ASSERT_TRUE(ReadGridBytes(image, grid.data(), grid.size(), false, 2.0, "m"));
    EXPECT_EQ(Pixels(image),
              Pattern([](int v) { return static_cast<int>(v * 255.0 / 177.0 + 0.5); }));
    RealPoint ll, ur;
    image.GetLowerLeftUpperRight(ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 201.0);
    EXPECT_DOUBLE_EQ(ur.x, 223.0);
    EXPECT_DOUBLE_EQ(ll.y, 381.0);
    EXPECT_DOUBLE_EQ(ur.y, 399.0);
}

}  // namespace
}  // namespace orvex::formats
