#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "imagestore/image.h"
#include "store_fixture.h"

namespace orvex {
namespace {

using ImagePalette = StoreTest;
using ImageRegistration = StoreTest;
using ImageFiles = StoreTest;

TEST_F(ImagePalette, TheGreyRampFollowsThePaletteCount) {
    Image image;
    image.SetPaletteCount(2);
    ASSERT_EQ(image.Allocate(4, 4, 1), 1);
    EXPECT_EQ(image.GetPaletteEntry(1).red, 255);
    EXPECT_EQ(image.GetPaletteEntry(0).green, 0);
    image.SetPaletteCount(16);
    image.ApplyGreyRamp();
    EXPECT_EQ(image.GetPaletteEntry(15).blue, 240);
    EXPECT_EQ(image.GetPaletteEntry(1).blue, 16);
    // Entries at or above the count are not in use.
    image.SetPaletteEntry(20, 1, 2, 3);
    EXPECT_EQ(image.GetPaletteEntry(20).red, 0);
    EXPECT_EQ(image.PaletteBytes()[4 * 20 + 2], 20);
}

TEST_F(ImagePalette, EntriesAreStoredBlueGreenRedAndIndexedModulo256) {
    Image image;
    ASSERT_EQ(image.Allocate(2, 2, 8), 1);
    image.SetPaletteEntry(256 + 7, 10, 20, 30);
    EXPECT_EQ(image.PaletteBytes()[28], 30);
    EXPECT_EQ(image.PaletteBytes()[29], 20);
    EXPECT_EQ(image.PaletteBytes()[30], 10);
    EXPECT_EQ(image.PaletteBytes()[31], 0);
    EXPECT_EQ(image.GetPaletteEntry(7).green, 20);
    EXPECT_EQ(image.GetPaletteEntry(-249).green, 20);
    EXPECT_EQ(image.GetPaletteEntryBrightness(7), 20);
    EXPECT_EQ(image.GetPaletteColour(7), 0x021E140Au);
}

TEST_F(ImagePalette, KindsApplyRampsAndCustomRestoresTheSavedColours) {
    Image image;
    ASSERT_EQ(image.Allocate(2, 2, 8), 1);
    image.SetPaletteEntry(3, 200, 10, 10);
    image.SavePalette();
    image.ApplyPaletteKind(PaletteCustom);
    EXPECT_FALSE(image.IsGreyPalette());
    image.ApplyPaletteKind(PaletteGreen);
    EXPECT_EQ(image.GetPaletteEntry(3).green, 3);
    EXPECT_EQ(image.GetPaletteEntry(3).red, 0);
    EXPECT_TRUE(image.IsGreyPalette());  // a single-colour ramp
    image.ApplyPaletteKind(PaletteCustom);
    EXPECT_EQ(image.GetPaletteEntry(3).red, 200);
    image.ApplyPaletteKind(9);
    EXPECT_EQ(image.GetPaletteKind(), PaletteCustom);
    image.SetPaletteEntry(3, 3, 3, 3);
    EXPECT_TRUE(image.IsGreyPalette());
}

TEST_F(ImageRegistration, TheDefaultRegistrationPutsRealYUpward) {
    Image image;
    ASSERT_EQ(image.Allocate(100, 50, 8), 1);
    image.SetDefaultRegistration();
    RealPoint p = image.PixelToReal(0, 49);
    EXPECT_DOUBLE_EQ(p.x, 0);
    EXPECT_DOUBLE_EQ(p.y, 0);
    p = image.PixelToReal(99, 0);
    EXPECT_DOUBLE_EQ(p.x, 99);
    EXPECT_DOUBLE_EQ(p.y, 49);
    RealPoint leftTop, rightBottom;
    image.GetCorners(true, leftTop, rightBottom);
    EXPECT_DOUBLE_EQ(leftTop.x, -0.5);
    EXPECT_DOUBLE_EQ(leftTop.y, 49.5);
    EXPECT_DOUBLE_EQ(rightBottom.x, 99.5);
    EXPECT_DOUBLE_EQ(rightBottom.y, -0.5);
    RealPoint lowerLeft, upperRight;
    image.GetLowerLeftUpperRight(lowerLeft, upperRight);
    EXPECT_DOUBLE_EQ(lowerLeft.y, 0);
    EXPECT_DOUBLE_EQ(upperRight.x, 99);
    EXPECT_FALSE(image.IsPositionRegistered());
}

TEST_F(ImageRegistration, TiePointsAnywhereGiveTheSameFrameBothWays) {
    Image image;
    ASSERT_EQ(image.Allocate(11, 21, 16), 1);
    image.SetModified(false);
    // 2 units per pixel in x, 0.5 in y, tie points inside the picture.
    PositionRegistration r;
    r.px1 = 2;
    r.py1 = 15;
    r.x1 = 1000;
    r.y1 = -40;
    r.px2 = 7;
    r.py2 = 5;
    r.x2 = 1010;
    r.y2 = -35;
    image.SetPositionRegistration(r);
    EXPECT_TRUE(image.IsPositionRegistered());
    EXPECT_TRUE(image.IsModified());
    RealPoint leftTop, rightBottom;
    image.GetCorners(false, leftTop, rightBottom);
    EXPECT_DOUBLE_EQ(leftTop.x, 996);
    EXPECT_DOUBLE_EQ(rightBottom.x, 1016);
    EXPECT_DOUBLE_EQ(leftTop.y, -32.5);
    EXPECT_DOUBLE_EQ(rightBottom.y, -42.5);
    const RealPoint tie = image.PixelToReal(7, 5);
    EXPECT_NEAR(tie.x, 1010, 1e-9);
    EXPECT_NEAR(tie.y, -35, 1e-9);
    for (double c : {0.0, 3.5, 10.0})
        for (double row : {0.0, 7.25, 20.0}) {
            const RealPoint real = image.PixelToReal(c, row);
            const RealPoint back = image.RealToPixel(real.x, real.y);
            EXPECT_NEAR(back.x, c, 1e-9);
            EXPECT_NEAR(back.y, row, 1e-9);
        }
}

TEST_F(ImageRegistration, OnePixelWideImagesAndEmptyRecordsGiveFiniteAnswers) {
    Image column;
    ASSERT_EQ(column.Allocate(1, 1, 8), 1);
    column.SetDefaultRegistration();
    const RealPoint p = column.PixelToReal(0, 0);
    const RealPoint q = column.RealToPixel(3, 4);
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
    Image fresh;
    ASSERT_EQ(fresh.Allocate(10, 10, 8), 1);
    const RealPoint r = fresh.PixelToReal(2, 3);
    EXPECT_DOUBLE_EQ(r.x, 2);
    EXPECT_DOUBLE_EQ(r.y, 6);
}

TEST_F(ImageRegistration, ZValuesFollowThePaletteCountOrSixteenBits) {
    Image image;
    ASSERT_EQ(image.Allocate(2, 2, 8), 1);
    EXPECT_EQ(image.GetZRegistration().units, "PERCENT");
    EXPECT_DOUBLE_EQ(image.ValueToReal(255, 8), 100);
    EXPECT_DOUBLE_EQ(image.ValueToReal(0, 8), 0);
    EXPECT_DOUBLE_EQ(image.ValueToReal(65535, 16), 100);
    ZRegistration z;
    z.flag = 1;
    z.low = -10;
    z.high = 10;
    z.units = std::string(200, 'u');
    image.SetZRegistration(z);
    EXPECT_EQ(image.GetZRegistration().units.size(), 87u);
    image.SetPaletteCount(16);
    EXPECT_DOUBLE_EQ(image.ValueToReal(15, 8), 10);
    EXPECT_DOUBLE_EQ(image.ValueToReal(0, 4), -10);
    EXPECT_NEAR(image.ValueToReal(32768, 16), 0.000152590219, 1e-6);
}


class TempDir {
public:
    TempDir() : path(std::filesystem::temp_directory_path() / ("orvex-store-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

TEST_F(ImageFiles, RawFilesRoundTripTopRowFirst) {
    TempDir dir;
    Image image;
    ASSERT_EQ(image.Allocate(512, 512, 16), 1);
    std::vector<uint16_t> row(512);
    for (int r = 0; r < 512; ++r) {
        for (int c = 0; c < 512; ++c) row[c] = static_cast<uint16_t>(((r + c) & 0xFF) << 8);
        image.WriteLine(r, row.data(), 16);
    }
    const std::string path = dir.file("a.raw");
    ASSERT_EQ(image.Save(path, ImageFileRaw), 1);
    EXPECT_FALSE(image.IsModified());
    EXPECT_EQ(std::filesystem::file_size(path), 512u * 512u);
    std::ifstream in(path, std::ios::binary);
    char first[2];
    in.read(first, 2);
    EXPECT_EQ(first[1], 1);

    Image back;
    ASSERT_EQ(back.Load(path, ImageFileRaw), 1);
    EXPECT_EQ(back.Depth(), 8);
    EXPECT_EQ(back.FileType(), ImageFileRaw);
    EXPECT_FALSE(back.IsModified());
    EXPECT_TRUE(back.LoadSucceeded());
    EXPECT_EQ(back.GetPixel(10, 300), (310 & 0xFF));
    EXPECT_EQ(back.GetPixel(511, 511), (1022 & 0xFF));
}

TEST_F(ImageFiles, ShortAndLongRawFilesFillWhatTheyHave) {
    TempDir dir;
    const std::string shortPath = dir.file("short.raw");
    {
        std::ofstream out(shortPath, std::ios::binary);
        std::vector<char> bytes(512 + 100, 7);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    Image image;
    ASSERT_EQ(image.Load(shortPath, ImageFileRaw), 1);
    EXPECT_EQ(image.Width(), 512);
    EXPECT_EQ(image.GetPixel(511, 0), 7);
    EXPECT_EQ(image.GetPixel(99, 1), 7);
    EXPECT_EQ(image.GetPixel(100, 1), 0);
    const std::string longPath = dir.file("long.raw");
    {
        std::ofstream out(longPath, std::ios::binary);
        std::vector<char> bytes(512 * 600, 9);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ASSERT_EQ(image.Load(longPath, ImageFileRaw), 1);
    EXPECT_EQ(image.Height(), 512);
    EXPECT_EQ(image.GetPixel(511, 511), 9);
}

TEST_F(ImageFiles, MissingFilesAndUnknownTypesFail) {
    TempDir dir;
    Image image;
    EXPECT_EQ(image.Load(dir.file("none.raw"), ImageFileRaw), 0);
    EXPECT_EQ(image.Load(dir.path.string(), ImageFileRaw), 0);
    EXPECT_FALSE(image.LoadSucceeded());
    ASSERT_EQ(image.Allocate(4, 4, 8), 1);
    EXPECT_EQ(image.Save(dir.file("x.pcx"), ImageFilePcx), 0);
    EXPECT_EQ(image.Save(dir.file("x.raw"), 42), 0);
    EXPECT_EQ(image.Save(dir.file("missing-dir/x.raw"), ImageFileRaw), 0);
    EXPECT_TRUE(image.IsModified());
    // A failed save leaves no temporary file behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                            std::filesystem::directory_iterator()),
              0);
}

class CountingImage : public Image {
public:
    void ReportProgress(int percent) override { reported.push_back(percent); }
    std::vector<int> reported;
};

TEST_F(ImageFiles, LoopsOverRowsReportEveryTwentyRows) {
    TempDir dir;
    CountingImage image;
    ASSERT_EQ(image.Allocate(8, 50, 8), 1);
    ASSERT_EQ(image.Save(dir.file("p.raw"), ImageFileRaw), 1);
    EXPECT_EQ(image.reported, (std::vector<int>{0, 40, 80}));
}

}  // namespace
}  // namespace orvex
