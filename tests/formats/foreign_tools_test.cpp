// Files Orvex writes, read by other programs: libtiff's tools, Pillow and
// GDAL. Each test is skipped when its program is not installed.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "format_test_support.h"
#include "formats/bmp.h"
#include "formats/grid.h"
#include "formats/tiff.h"

namespace orvex::formats {
namespace {

using testing::HaveTool;
using testing::KeepingImage;
using testing::Pixels;
using testing::RunCommand;

constexpr const char* kPython = "/usr/bin/python3";

bool HavePillow() {
    int status = -1;
    RunCommand(std::string(kPython) + " -c 'import PIL' 2>/dev/null", &status);
    return status == 0;
}

// An image of every feature the TIFF writer stores.
void MakeFull(KeepingImage& image, int width, int height, int depth) {
    ASSERT_TRUE(image.Allocate(width, height, depth));
    testing::FillPattern(image, depth);
    image.SetPaletteCount(depth == 1 ? 2 : depth == 4 ? 16 : 256);
    for (int i = 0; i < image.PaletteCount(); ++i) image.SetPaletteEntry(i, i, 255 - i, i / 2);
    if (depth == 1) {  // black and white: a min-is-black file
        image.SetGreyEntry(0, 0);
        image.SetGreyEntry(1, 255);
    }
    image.SavePalette();
    image.SetText(TextArtist, "An Analyst");
    image.SetText(TextImageDescription, "Fe K-alpha map");
    image.SetText(TextSoftware, "Orvex 4.0");
    image.SetText(TextMake, "ab");
    image.SetPositionRegistration({0.0, 0.0, 10.0, 5.0, 0, height - 1, width - 1, 0});
    image.SetZRegistration({1, 0.0, 42.0, "wt%"});
    image.SetForeignData({9, 8, 7});
}

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> values;
    std::istringstream in(text);
    long v;
    while (in >> v) values.push_back(static_cast<int>(v));
    return values;
}

// The values of an ASCII grid GDAL printed, without its header lines.
std::string GridValues(const std::string& text) {
    std::istringstream in(text);
    std::string line, values;
    while (std::getline(in, line))
        if (!line.empty() && !std::isalpha(static_cast<unsigned char>(line[0]))) values += line + "\n";
    return values;
}

TEST(ForeignTools, LibtiffReadsAndRewritesOurTiffs) {
    if (!HaveTool("tiffinfo") || !HaveTool("tiffcp")) GTEST_SKIP() << "libtiff tools not installed";
    for (int depth : {1, 4, 8, 16}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        MakeFull(image, 37, 41, depth);
        std::string path = testing::TempPath("tools" + std::to_string(depth) + ".tif");
        ASSERT_TRUE(WriteTiff(image, path, depth));
        int status = -1;
        std::string info = RunCommand("tiffinfo " + path + " 2>&1", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("Error"), std::string::npos) << info;
        EXPECT_NE(info.find("Image Width: 37 Image Length: 41"), std::string::npos) << info;
        EXPECT_NE(info.find("Bits/Sample: " + std::to_string(depth)), std::string::npos) << info;
        EXPECT_NE(info.find("ImageDescription: Fe K-alpha map"), std::string::npos) << info;
        EXPECT_NE(info.find("Make: ab"), std::string::npos) << info;
        EXPECT_NE(info.find("Artist: An Analyst"), std::string::npos) << info;
        EXPECT_NE(info.find("Resolution: 72, 72 pixels/inch"), std::string::npos) << info;

        // libtiff rewrites it big-endian in strips of 3 rows: we read the same pixels.
        std::string big = testing::TempPath("tools-big" + std::to_string(depth) + ".tif");
        RunCommand("tiffcp -B -r 3 " + path + " " + big + " 2>&1", &status);
        ASSERT_EQ(status, 0);
        KeepingImage back;
        ASSERT_TRUE(ReadTiff(back, big));
        EXPECT_EQ(Pixels(back), Pixels(image));
        EXPECT_EQ(back.GetPaletteEntry(1).green, depth == 1 ? 255 : 254);
    }
}

TEST(ForeignTools, PillowReadsOurTiffsAndBmps) {
    if (!HavePillow()) GTEST_SKIP() << "Pillow not installed";
    for (int depth : {1, 4, 8, 16}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        MakeFull(image, 13, 7, depth);
        std::string path = testing::TempPath("pillow" + std::to_string(depth) + ".tif");
        ASSERT_TRUE(WriteTiff(image, path, depth));
        std::vector<std::string> files = {path};
        if (depth != 16) {
            std::string bmp = testing::TempPath("pillow" + std::to_string(depth) + ".bmp");
            ASSERT_TRUE(WriteBmp(image, bmp, depth));
            files.push_back(bmp);
        }
        for (const std::string& file : files) {
            SCOPED_TRACE(file);
            int status = -1;
            // Palette indexes (or grey values) row by row; 1-bit images as 0/1.
            std::string out = RunCommand(
                std::string(kPython) + " -c \"import sys; from PIL import Image; "
                "im = Image.open(sys.argv[1]); im.load(); "
                "print(im.size[0], im.size[1]); "
                "print(' '.join(str(v if im.mode != '1' else v // 255) for v in im.getdata()))\" " +
                    file + " 2>&1",
                &status);
            ASSERT_EQ(status, 0) << out;
            std::vector<int> numbers = Numbers(out);
            ASSERT_GE(numbers.size(), 2u) << out;
            EXPECT_EQ(numbers[0], 13);
            EXPECT_EQ(numbers[1], 7);
            EXPECT_EQ(std::vector<int>(numbers.begin() + 2, numbers.end()), Pixels(image)) << out;
        }
    }
}

TEST(ForeignTools, PillowSeesAWhiteFirstEntryAsMinIsWhite) {
    if (!HavePillow()) GTEST_SKIP() << "Pillow not installed";
    KeepingImage image;
    ASSERT_TRUE(image.Allocate(8, 1, 1));
    uint8_t row[8] = {0, 1, 0, 1, 1, 1, 0, 0};
    image.WriteLine(0, row, 8);
    image.SetPaletteCount(2);
    image.SetGreyEntry(0, 255);
    image.SetGreyEntry(1, 0);
    image.SavePalette();
    std::string path = testing::TempPath("white.tif");
    ASSERT_TRUE(WriteTiff(image, path, 1));
    int status = -1;
    std::string out = RunCommand(std::string(kPython) +
                                     " -c \"import sys; from PIL import Image; "
                                     "print(' '.join(str(v) for v in Image.open(sys.argv[1]).getdata()))\" " +
                                     path + " 2>&1",
                                 &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(Numbers(out), (std::vector<int>{255, 0, 255, 0, 0, 0, 255, 255}));
}

TEST(ForeignTools, GdalReadsOurTiffsAndGrids) {
    if (!HaveTool("gdalinfo") || !HaveTool("gdal_translate")) GTEST_SKIP() << "GDAL not installed";
    KeepingImage image;
    MakeFull(image, 9, 6, 16);
    std::string tif = testing::TempPath("gdal.tif");
    ASSERT_TRUE(WriteTiff(image, tif, 16));
    int status = -1;
    std::string info = RunCommand("gdalinfo " + tif + " 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Size is 9, 6"), std::string::npos) << info;
    EXPECT_NE(info.find("Type=UInt16"), std::string::npos) << info;
    // x y value lines in row order.
    std::string xyz = RunCommand("gdal_translate -q -of XYZ " + tif + " /vsistdout/ 2>/dev/null", &status);
    ASSERT_EQ(status, 0) << xyz;
    std::vector<int> values;
    std::istringstream lines(xyz);
    double x, y, v;
    while (lines >> x >> y >> v) values.push_back(static_cast<int>(v));
    EXPECT_EQ(values, Pixels(image));

    // A scaled grid: GDAL sees the real values and the extent in grid units.
    KeepingImage eight;
    ASSERT_TRUE(eight.Allocate(4, 3, 8));
    testing::FillPattern(eight, 8);
    eight.SetZRegistration({1, -1.0, 1.0, "um"});
    eight.SetPositionRegistration({100.0, 200.0, 130.0, 220.0, 0, 2, 3, 0});
    std::string grd = testing::TempPath("gdal.grd");
    std::vector<uint8_t> bytes = EncodeGrid(&eight, 10.0);
    testing::WriteBytes(grd, bytes);
    info = RunCommand("gdalinfo " + grd + " 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("GSBG"), std::string::npos) << info;
    EXPECT_NE(info.find("Size is 4, 3"), std::string::npos) << info;
    // Pixel centres 10..13 and 20..22 in grid units: edges half a cell further out.
    EXPECT_NE(info.find("Origin = (9.500000000000000,22.500000000000000)"), std::string::npos) << info;
    EXPECT_NE(info.find("Pixel Size = (1.000000000000000,-1.000000000000000)"), std::string::npos) << info;
    std::string text = RunCommand("gdal_translate -q -of AAIGrid " + grd + " /vsistdout/ 2>&1", &status);
    ASSERT_EQ(status, 0) << text;
    std::istringstream in(GridValues(text));
    std::vector<int> pixels = Pixels(eight);
    for (int v : pixels) {
        double real = 0;
        in >> real;
        EXPECT_NEAR(real, -1.0 + 2.0 * v / 255.0, 1e-6);
    }
}

}  // namespace
}  // namespace orvex::formats
