#include "formats/tiff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "app/file_formats.h"
#include "format_test_support.h"
#include "formats/file_io.h"

namespace orvex::formats {
namespace {

using testing::KeepingImage;
using testing::Pixels;
using testing::RecordingUi;
using testing::TiffBuilder;

// Reads the directory of a file written by the system (little-endian).
struct WrittenEntry {
    uint16_t type;
    uint32_t count, value;
};
std::map<uint16_t, WrittenEntry> Directory(const std::vector<uint8_t>& file) {
    ByteReader in(file.data(), file.size());
    std::map<uint16_t, WrittenEntry> entries;
    uint32_t at = in.u32(4);
    uint16_t n = in.u16(at);
    for (uint16_t i = 0; i < n; ++i) {
        uint32_t e = at + 2 + 12u * i;
        entries[in.u16(e)] = {in.u16(e + 2), in.u32(e + 4), in.u32(e + 8)};
    }
    return entries;
}

void MakeImage(KeepingImage& image, int width, int height, int depth) {
    ASSERT_TRUE(image.Allocate(width, height, depth));
    testing::FillPattern(image, depth);
    image.SetPaletteCount(depth == 1 ? 2 : depth == 4 ? 16 : 256);
    for (int i = 0; i < image.PaletteCount(); ++i) image.SetPaletteEntry(i, i, 255 - i, (i * 3) & 255);
    image.SavePalette();
}

TEST(Tiff, RoundTripKeepsEverythingAtEveryDepth) {
    for (int depth : {1, 4, 8, 16}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        MakeImage(image, 37, 23, depth);
        ImageTexts texts;
        texts.slot[TextArtist] = "J. Analyst";
        texts.slot[TextDateTime] = "Tue Dec 08 03:21:23 2026\n";
        texts.slot[TextHostComputer] = "IBM Compatible";
        texts.slot[TextImageDescription] = std::string(99, 'd');
        texts.slot[TextUnused] = "and more";  // a long description runs on here
        texts.slot[TextMake] = "ab";            // short enough to stand in the entry
        texts.slot[TextModel] = "";
        texts.slot[TextSoftware] = "Orvex 4.0";
        image.SetTexts(texts);
        PositionRegistration p{-1.5, 2.25, 1e6, -3.0, 0, 22, 36, 0};
        image.SetPositionRegistration(p);
        ZRegistration z{1, -10.5, 250.0, "wt% Fe"};
        image.SetZRegistration(z);
        image.SetForeignData({1, 2, 3, 4, 5});

        std::string path = testing::TempPath("round" + std::to_string(depth) + ".tif");
        ASSERT_TRUE(WriteTiff(image, path, depth));
        KeepingImage back;
        ASSERT_TRUE(ReadTiff(back, path));
        EXPECT_EQ(back.Width(), 37);
        EXPECT_EQ(back.Height(), 23);
        EXPECT_EQ(back.Depth(), depth);
        EXPECT_EQ(Pixels(back), Pixels(image));
        EXPECT_EQ(back.PaletteCount(), image.PaletteCount());
        for (int i = 0; i < image.PaletteCount(); ++i) {
            EXPECT_EQ(back.GetPaletteEntry(i).red, image.GetPaletteEntry(i).red);
            EXPECT_EQ(back.GetPaletteEntry(i).green, image.GetPaletteEntry(i).green);
            EXPECT_EQ(back.GetPaletteEntry(i).blue, image.GetPaletteEntry(i).blue);
        }
        for (int slot : {0, 1, 2, 3, 4, 5, 6, 7}) EXPECT_EQ(back.GetText(slot), image.GetText(slot)) << slot;
        EXPECT_TRUE(back.IsPositionRegistered());
        EXPECT_EQ(back.GetPositionRegistration().px1, 0);
        EXPECT_EQ(back.GetPositionRegistration().py1, 22);
        EXPECT_EQ(back.GetPositionRegistration().px2, 36);
        EXPECT_DOUBLE_EQ(back.GetPositionRegistration().x1, -1.5);
        EXPECT_DOUBLE_EQ(back.GetPositionRegistration().x2, 1e6);
        EXPECT_DOUBLE_EQ(back.GetPositionRegistration().y2, -3.0);
        EXPECT_EQ(back.GetZRegistration().flag, 1);
        EXPECT_DOUBLE_EQ(back.GetZRegistration().low, -10.5);
        EXPECT_DOUBLE_EQ(back.GetZRegistration().high, 250.0);
        EXPECT_EQ(back.GetZRegistration().units, "wt% Fe");
        EXPECT_EQ(back.ForeignData(), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
        EXPECT_FALSE(back.progress.empty());
    }
}

TEST(Tiff, ReadingOverAnotherPictureGivesExactlyTheFile) {
    // A reader of whole rows keeps the store of the same layout without
    // zeroing it; rows with padding (37 pixels at 8 bits) are zeroed first.
    for (int depth : {8, 16})
        for (int width : {36, 37}) {
            SCOPED_TRACE(std::to_string(depth) + " bits, " + std::to_string(width) + " wide");
            KeepingImage image;
            MakeImage(image, width, 23, depth);
            const std::string path = testing::TempPath("over.tif");
            ASSERT_TRUE(WriteTiff(image, path, depth));
            KeepingImage back;
            ASSERT_TRUE(back.Allocate(width, 23, depth));
            for (int r = 0; r < 23; ++r) std::memset(back.PixelAddress(r, 0), 0xFF, back.RowBytes());
            ASSERT_TRUE(ReadTiff(back, path));
            EXPECT_EQ(Pixels(back), Pixels(image));
            for (int r = 0; r < 23; ++r) {
                const uint8_t* stored = back.PixelAddress(r, 0);
                for (size_t b = static_cast<size_t>(width) * depth / 8; b < back.RowBytes(); ++b)
                    ASSERT_EQ(stored[b], 0) << "row " << r << " byte " << b;
            }
        }
}

TEST(Tiff, StripLayoutsAndColourMapOfTheWrittenFile) {
    KeepingImage image;
    MakeImage(image, 100, 50, 8);
    auto file = EncodeTiff(image, 8);
    auto dir = Directory(file);
    EXPECT_EQ(dir[278].value, 25u);
    EXPECT_EQ(dir[273].count, 2u);
    EXPECT_EQ(dir[279].count, 2u);
    ByteReader in(file.data(), file.size());
    EXPECT_EQ(in.u32(dir[279].value), 2500u);
    EXPECT_EQ(in.u32(dir[279].value + 4), 2500u);
    EXPECT_EQ(in.u32(dir[273].value + 4) - in.u32(dir[273].value), 2500u);
    EXPECT_EQ(dir[262].value, 3u);
    EXPECT_EQ(dir[320].count, 768u);
    EXPECT_EQ(dir[34127].count, 38u);
    EXPECT_EQ(dir.count(34128), 0u) << "no foreign data, no entry";
    EXPECT_EQ(dir.count(270), 0u) << "no text block, no text entries";
    // Tags ascend, as readers require.
    uint16_t last = 0;
    for (auto& [tag, e] : dir) {
        EXPECT_GT(tag, last);
        last = tag;
    }
    // The resolution is a real rational (72/1).
    EXPECT_EQ(in.u32(dir[282].value), 72u);
    EXPECT_EQ(in.u32(dir[282].value + 4), 1u);

    KeepingImage big;
    ASSERT_TRUE(big.Allocate(1000, 1000, 16));
    big.SetPaletteCount(256);
    big.SavePalette();
    file = EncodeTiff(big, 16);
    dir = Directory(file);
    EXPECT_EQ(dir[278].value, 4u);
    EXPECT_EQ(dir[273].count, 250u);
    EXPECT_EQ(dir[320].count, 3u * 65536u);
    ByteReader map(file.data(), file.size());
    EXPECT_EQ(map.u16(dir[320].value + 2 * 255), 255 * 256);  // the grey ramp's last red
    EXPECT_EQ(map.u16(dir[320].value + 2 * 256), 1);
    EXPECT_EQ(map.u16(dir[320].value + 2 * (2 * 65536 + 65535)), 1);

    KeepingImage tiny;
    ASSERT_TRUE(tiny.Allocate(2, 1, 8));
    file = EncodeTiff(tiny, 8);
    dir = Directory(file);
    EXPECT_EQ(dir[278].value, 1u);
    EXPECT_EQ(dir[273].count, 1u);
    EXPECT_EQ(dir[279].count, 1u);
    EXPECT_EQ(dir[279].value, 2u);
    EXPECT_EQ(dir[273].value + 2, file.size()) << "the strip is the last data";

    // A 1-bit image says min-is-black when entry 0 is black, else min-is-white.
    KeepingImage bits;
    ASSERT_TRUE(bits.Allocate(9, 3, 1));
    bits.SetPaletteCount(2);
    bits.ApplyGreyRamp();
    EXPECT_EQ(Directory(EncodeTiff(bits, 1))[262].value, 1u);
    bits.SetGreyEntry(0, 255);
    bits.SetGreyEntry(1, 0);
    EXPECT_EQ(Directory(EncodeTiff(bits, 1))[262].value, 0u);
}

TEST(Tiff, ForeignDataBlockLayout) {
    KeepingImage image;
    MakeImage(image, 4, 4, 8);
    image.SetForeignData({'a', 'b', 'c', 'd', 'e', 'f'});
    auto file = EncodeTiff(image, 8);
    auto dir = Directory(file);
    EXPECT_EQ(dir[34128].count, 16u);  // 8 + 6, then 2 letters "j"
    ByteReader in(file.data(), file.size());
    EXPECT_EQ(in.u32(dir[34128].value), 65530u);
    EXPECT_EQ(in.u32(dir[34128].value + 4), 6u);
    EXPECT_EQ(file[dir[34128].value + 14], 'j');
    EXPECT_EQ(file[dir[34128].value + 15], 'j');
}

TEST(Tiff, BigEndianFilesManyStripsAndShortLastStrip) {
    // 3 x 5 pixels of 16 bits, big-endian, strips of 2 rows: 2, 2, 1.
    TiffBuilder b(true);
    b.longValue(256, 3);
    b.longValue(257, 5);
    b.shortValue(258, 16);
    b.shortValue(262, 1);
    b.shortValue(278, 2);
    std::vector<std::vector<uint8_t>> strips(3);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c) {
            uint16_t v = static_cast<uint16_t>(r * 1000 + c * 300 + 1);
            strips[r / 2].push_back(uint8_t(v >> 8));
            strips[r / 2].push_back(uint8_t(v));
        }
    b.strips(strips);
    auto file = b.build();
    KeepingImage image;
    ASSERT_TRUE(ReadTiffBytes(image, file.data(), file.size()));
    EXPECT_EQ(image.Depth(), 16);
    std::vector<int> expected;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c) expected.push_back(r * 1000 + c * 300 + 1);
    EXPECT_EQ(Pixels(image), expected);
    EXPECT_FALSE(image.IsPositionRegistered());
    EXPECT_EQ(image.PaletteCount(), 256) << "a 16-bit palette colours the high byte";
}

TEST(Tiff, PalettesWithoutAndWithColourMap) {
    auto read = [](TiffBuilder& b, KeepingImage& image) {
        auto file = b.build();
        return ReadTiffBytes(image, file.data(), file.size());
    };
    {
        TiffBuilder b;
        b.longValue(256, 4);
        b.longValue(257, 1);
        b.shortValue(258, 4);
        b.shortValue(262, 1);
        b.strips({{0x01, 0x23}});
        KeepingImage image;
        ASSERT_TRUE(read(b, image));
        EXPECT_EQ(image.PaletteCount(), 16);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(image.GetPaletteEntry(i).red, 16 * i);
        EXPECT_EQ(Pixels(image), (std::vector<int>{0, 1, 2, 3}));
    }
    {
        TiffBuilder b;
        b.longValue(256, 2);
        b.longValue(257, 1);
        b.shortValue(258, 8);
        b.shortValue(262, 0);
        b.strips({{0, 1}});
        KeepingImage image;
        ASSERT_TRUE(read(b, image));
        EXPECT_EQ(image.GetPaletteEntry(0).red, 255);
        EXPECT_EQ(image.GetPaletteEntry(1).red, 255);
        EXPECT_EQ(image.GetPaletteEntry(2).red, 254);
        EXPECT_EQ(image.GetPaletteEntry(255).red, 1);
    }
    {
        TiffBuilder b;  // 1 bit, min-is-white, no bits per sample: 1 is the default
        b.longValue(256, 8);
        b.longValue(257, 1);
        b.shortValue(262, 0);
        b.strips({{0xF0}});
        KeepingImage image;
        ASSERT_TRUE(read(b, image));
        EXPECT_EQ(image.Depth(), 1);
        EXPECT_EQ(image.PaletteCount(), 2);
        EXPECT_EQ(image.GetPaletteEntry(0).green, 255);
        EXPECT_EQ(image.GetPaletteEntry(1).green, 0);
        EXPECT_EQ(Pixels(image), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0}));
    }
    {
        TiffBuilder b;  // 1 bit with a 2-entry colour map
        b.longValue(256, 1);
        b.longValue(257, 1);
        b.shortValue(262, 3);
        b.shorts(320, {0xFF00, 0x1000, 0x0000, 0x2000, 0x8000, 0x3000});
        b.strips({{0x80}});
        KeepingImage image;
        ASSERT_TRUE(read(b, image));
        EXPECT_EQ(image.PaletteCount(), 2);
        EXPECT_EQ(image.GetPaletteEntry(0).red, 0xFF);
        EXPECT_EQ(image.GetPaletteEntry(0).blue, 0x80);
        EXPECT_EQ(image.GetPaletteEntry(1).red, 0x10);
        EXPECT_EQ(image.GetPaletteEntry(1).green, 0x20);
        EXPECT_EQ(image.GetPaletteEntry(1).blue, 0x30);
    }
    {
        TiffBuilder b;  // an 8-bit colour map of 8-bit values is scaled up first
        b.longValue(256, 1);
        b.longValue(257, 1);
        b.shortValue(258, 8);
        b.shortValue(262, 3);
        std::vector<uint16_t> map(768);
        for (int i = 0; i < 256; ++i) {
            map[i] = static_cast<uint16_t>(i);
            map[256 + i] = static_cast<uint16_t>(255 - i);
            map[512 + i] = 7;
        }
        b.shorts(320, map);
        b.strips({{9}});
        KeepingImage image;
        ASSERT_TRUE(read(b, image));
        EXPECT_EQ(image.PaletteCount(), 256);
        EXPECT_EQ(image.GetPaletteEntry(200).red, 200);
        EXPECT_EQ(image.GetPaletteEntry(200).green, 55);
        EXPECT_EQ(image.GetPaletteEntry(200).blue, 7);
    }
    {
        TiffBuilder b;  // gray response: photometric 0 gives the reversed ramp
        b.longValue(256, 1);
        b.longValue(257, 1);
        b.shortValue(258, 8);
        b.shortValue(262, 0);
        b.shortValue(290, 2);
        b.shorts(291, std::vector<uint16_t>(256, 0));
        b.strips({{9}});
        KeepingImage image;
        ASSERT_TRUE(read(b, image));
        EXPECT_EQ(image.GetPaletteEntry(0).red, 255);
        EXPECT_EQ(image.GetPaletteEntry(255).red, 0);
    }
}

TEST(Tiff, EarlierRegistrationForms) {
    auto block = []() {
        ByteWriter w;
        w.u16(1);
        w.u16(2);
        w.u16(3);
        w.u16(4);
        w.f64(10.0);
        w.f64(20.0);
        w.f64(30.0);
        w.f64(40.0);
        return w;
    };
    ByteWriter old = block();
    ByteWriter withZ = block();
    withZ.u16(1);
    withZ.f64(-2.0);
    withZ.f64(8.0);
    withZ.raw("counts", 6);
    withZ.zeros(140 - withZ.size());
    for (int form : {10, 35}) {
        SCOPED_TRACE(form);
        TiffBuilder b;
        b.longValue(256, 2);
        b.longValue(257, 2);
        b.shortValue(258, 8);
        b.raw(34127, 4, static_cast<uint32_t>(form), form == 10 ? old.bytes : withZ.bytes);
        b.strips({{1, 2, 3, 4}});
        auto file = b.build();
        KeepingImage image;
        ASSERT_TRUE(ReadTiffBytes(image, file.data(), file.size()));
        EXPECT_TRUE(image.IsPositionRegistered());
        EXPECT_EQ(image.GetPositionRegistration().py2, 4);
        EXPECT_DOUBLE_EQ(image.GetPositionRegistration().y2, 40.0);
        if (form == 35) {
            EXPECT_EQ(image.GetZRegistration().flag, 1);
            EXPECT_DOUBLE_EQ(image.GetZRegistration().low, -2.0);
            EXPECT_DOUBLE_EQ(image.GetZRegistration().high, 8.0);
            EXPECT_EQ(image.GetZRegistration().units, "counts");
        } else {
            EXPECT_EQ(image.GetZRegistration().units, "PERCENT");
        }
        // An image that does not keep registrations ignores the block.
        Image plain;
        ASSERT_TRUE(ReadTiffBytes(plain, file.data(), file.size()));
        EXPECT_FALSE(plain.IsPositionRegistered());
    }
}

TEST(Tiff, EveryErrorHasItsMessage) {
    RecordingUi recording;
    auto& ui = recording.ui;
    auto expectError = [&](const std::vector<uint8_t>& file, const char* text) {
        ui.clear();
        KeepingImage image;
        EXPECT_FALSE(ReadTiffBytes(image, file.data(), file.size()));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].caption, "Error During Tiff Translation");
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_EQ(ui.messages[0].icon, platform::Icon::Error);
    };
    expectError({'B', 'M', 42, 0, 8, 0, 0, 0}, "File not in Tiff format.");
    expectError({'I', 'I', 43, 0, 8, 0, 0, 0}, "File not in Tiff format.");
    expectError({'I', 'I'}, "File not in Tiff format.");
    expectError({'I', 'I', 42, 0, 0, 0, 0, 0}, "No Image File Directory in Tiff file.");
    expectError({'M', 'M', 0, 42, 0, 0, 0, 0}, "No Image File Directory in Tiff file.");
    expectError({'I', 'I', 42, 0, 200, 0, 0, 0}, "No Image File Directory in Tiff file.");

    for (int compression : {5, 32773}) {
        TiffBuilder b;
        b.longValue(256, 2);
        b.longValue(257, 2);
        b.shortValue(258, 8);
        b.shortValue(259, static_cast<uint16_t>(compression));
        b.strips({{1, 2, 3, 4}});
        expectError(b.build(), "Unrecognized compression format.");
    }
    TiffBuilder rgb;
    rgb.longValue(256, 2);
    rgb.longValue(257, 2);
    rgb.shorts(258, {8, 8, 8});
    rgb.shortValue(262, 2);
    rgb.shortValue(277, 3);
    rgb.strips({std::vector<uint8_t>(12, 0)});
    expectError(rgb.build(), "Unrecognized TIFF format.");
    TiffBuilder twelve;
    twelve.longValue(256, 2);
    twelve.longValue(257, 2);
    twelve.shortValue(258, 12);
    expectError(twelve.build(), "Unrecognized TIFF format.");
    // A few bytes claiming a gigabyte of pixels.
    TiffBuilder huge;
    huge.longValue(256, 30000);
    huge.longValue(257, 30000);
    huge.shortValue(258, 8);
    huge.strips({{1, 2}});
    expectError(huge.build(), "Unrecognized TIFF format.");

    // The store refuses a width of 0 with its own message.
    ui.clear();
    TiffBuilder empty;
    empty.longValue(256, 0);
    empty.longValue(257, 2);
    auto file = empty.build();
    KeepingImage image;
    EXPECT_FALSE(ReadTiffBytes(image, file.data(), file.size()));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(Tiff, DirectoryChainsAndDamagedStrips) {
    // Two pages: the last one is the image; a thumbnail after it is not.
    TiffBuilder b;
    b.longValue(256, 2);
    b.longValue(257, 1);
    b.shortValue(258, 8);
    b.strips({{1, 2}});
    b.nextPage();
    b.longValue(256, 3);
    b.longValue(257, 1);
    b.shortValue(258, 8);
    b.strips({{7, 8, 9}});
    b.nextPage();
    b.longValue(254, 1);
    b.longValue(256, 1);
    b.longValue(257, 1);
    b.shortValue(258, 8);
    b.shortValue(259, 7);  // a compressed thumbnail is no fault either
    b.strips({{5}});
    auto file = b.build();
    KeepingImage image;
    ASSERT_TRUE(ReadTiffBytes(image, file.data(), file.size()));
    EXPECT_EQ(Pixels(image), (std::vector<int>{7, 8, 9}));

    // A chain that points back at itself is a damaged file: refused.
    RecordingUi recording;
    ByteReader in(file.data(), file.size());
    uint32_t first = in.u32(4);
    uint16_t n = in.u16(first);
    auto looped = file;
    uint32_t nextField = first + 2 + 12u * n;
    looped[nextField] = uint8_t(first);
    looped[nextField + 1] = uint8_t(first >> 8);
    looped[nextField + 2] = looped[nextField + 3] = 0;
    KeepingImage again;
    EXPECT_FALSE(ReadTiffBytes(again, looped.data(), looped.size()));
    ASSERT_EQ(recording.ui.messages.size(), 1u);
    EXPECT_EQ(recording.ui.messages[0].text, "Unrecognized TIFF format.");
    EXPECT_FALSE(again.IsAllocated());

    // A strip cut short is refused, not read with zeros: the second strip of
    // 25 rows of 100 bytes holds 150 bytes only.
    recording.ui.clear();
    KeepingImage source;
    MakeImage(source, 100, 50, 8);
    auto want = Pixels(source);
    TiffBuilder t;
    t.longValue(256, 100);
    t.longValue(257, 50);
    t.shortValue(258, 8);
    t.longValue(278, 25);
    std::vector<uint8_t> full(want.begin(), want.begin() + 2500),
        cutShort(want.begin() + 2500, want.begin() + 2650);
    t.strips({full, cutShort});
    auto cut = t.build();
    KeepingImage damaged;
    EXPECT_FALSE(ReadTiffBytes(damaged, cut.data(), cut.size()));
    EXPECT_EQ(recording.ui.messages.size(), 1u);
    EXPECT_FALSE(damaged.IsAllocated());
}

}  // namespace
}  // namespace orvex::formats

namespace orvex::formats {
namespace {

TEST(Tiff, LoadAndSaveDispatchReachTheTiffFiles) {
    app::InstallImageFileFormats();
    testing::KeepingImage image;
    ASSERT_TRUE(image.Allocate(5, 3, 8));
    testing::FillPattern(image, 8);
    std::string path = testing::TempPath("dispatch.tif");
    ASSERT_EQ(image.Save(path, ImageFileTiff), 1);
    EXPECT_FALSE(image.IsModified());
    // Saving again replaces the file whole, through a temporary file beside it.
    ASSERT_EQ(image.Save(path, ImageFileTiff), 1);
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        files += entry.path().filename().string().rfind("dispatch.tif", 0) == 0;
    EXPECT_EQ(files, 1);
    testing::KeepingImage back;
    ASSERT_EQ(back.Load(path, ImageFileTiff), 1);
    EXPECT_EQ(testing::Pixels(back), testing::Pixels(image));
    EXPECT_EQ(back.FileType(), ImageFileTiff);
    EXPECT_FALSE(back.IsModified());
}

}  // namespace
}  // namespace orvex::formats
