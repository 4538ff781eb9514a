#include <gtest/gtest.h>

#include "format_test_support.h"
#include "formats/bmp.h"
#include "formats/file_io.h"
#include "formats/pcx.h"

namespace orvex::formats {
namespace {

using testing::KeepingImage;
using testing::Pixels;
using testing::RecordingUi;

// A BMP made by hand: headerSize, palette entries, a gap before the pixels.
std::vector<uint8_t> HandBmp(int width, int height, int bits, int paletteEntries,
                             uint32_t coloursUsed, int gap, const std::vector<uint8_t>& rows,
                             uint32_t compression = 0, uint32_t headerSize = 40) {
    ByteWriter w;
    w.u8('B');
    w.u8('M');
    w.u32(0);
    w.u32(0);
    w.u32(14 + headerSize + 4 * paletteEntries + gap);
    w.u32(headerSize);
    w.u32(static_cast<uint32_t>(width));
    w.u32(static_cast<uint32_t>(height));
    w.u16(1);
    w.u16(static_cast<uint16_t>(bits));
    w.u32(compression);
    w.u32(0);
    w.u32(2835);
    w.u32(2835);
    w.u32(coloursUsed);
    w.u32(0);
    w.zeros(headerSize - 40);
    for (int i = 0; i < paletteEntries; ++i) {
        w.u8(static_cast<uint8_t>(i * 3));  // blue
        w.u8(static_cast<uint8_t>(i * 2));  // green
        w.u8(static_cast<uint8_t>(i));      // red
        w.u8(0);
    }
    w.zeros(gap);
    w.raw(rows.data(), rows.size());
    w.put32(2, static_cast<uint32_t>(w.size()));
    return std::move(w.bytes);
}

TEST(Bmp, RoundTripAtEveryDepthWithRowPadding) {
    for (int depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        ASSERT_TRUE(image.Allocate(5, 3, depth));
        testing::FillPattern(image, depth);
        image.SetPaletteCount(1 << depth);
        for (int i = 0; i < (1 << depth); ++i) image.SetPaletteEntry(i, 255 - i, i, 7);
        auto file = EncodeBmp(image, depth);
        ByteReader in(file.data(), file.size());
        EXPECT_EQ(in.u32(2), file.size());
        EXPECT_EQ(in.u32(10), 54u + 4u * (1u << depth));
        EXPECT_EQ(in.u16(28), depth);
        EXPECT_EQ(file.size(), 54u + 4u * (1u << depth) + 3u * (depth == 8 ? 8u : 4u))
            << "rows are padded to 4 bytes";
        std::string path = testing::TempPath("round" + std::to_string(depth) + ".bmp");
        ASSERT_TRUE(WriteBmp(image, path, depth));
        KeepingImage back;
        ASSERT_TRUE(ReadBmp(back, path));
        EXPECT_EQ(back.Depth(), depth);
        EXPECT_EQ(back.PaletteCount(), 1 << depth);
        EXPECT_EQ(Pixels(back), Pixels(image));
        EXPECT_EQ(back.GetPaletteEntry(1).red, 254);
        EXPECT_EQ(back.GetPaletteEntry(1).green, 1);
        EXPECT_EQ(back.GetPaletteEntry(1).blue, 7);
    }
    // The bottom row comes first: a 4-bit file of width 5 has rows of 4 bytes.
    KeepingImage image;
    ASSERT_TRUE(image.Allocate(5, 2, 4));
    uint8_t top[5] = {1, 2, 3, 4, 5}, bottom[5] = {6, 7, 8, 9, 10};
    image.WriteLine(0, top, 8);
    image.WriteLine(1, bottom, 8);
    auto file = EncodeBmp(image, 4);
    const uint8_t* rows = file.data() + 54 + 64;
    EXPECT_EQ(std::vector<uint8_t>(rows, rows + 8),
              (std::vector<uint8_t>{0x67, 0x89, 0xA0, 0, 0x12, 0x34, 0x50, 0}));

    // Widths whose rows are not a whole multiple of 8 or 32 pixels.
    for (int width : {3, 33, 63}) {
        KeepingImage bits;
        ASSERT_TRUE(bits.Allocate(width, 2, 1));
        testing::FillPattern(bits, 1);
        auto f = EncodeBmp(bits, 1);
        EXPECT_EQ(f.size(), 54u + 8u + 2u * ((width + 31) / 32 * 4));
        KeepingImage back;
        ASSERT_TRUE(ReadBmpBytes(back, f.data(), f.size()));
        EXPECT_EQ(Pixels(back), Pixels(bits));
    }
}

TEST(Bmp, WhiteFirstEntryOfABitImageStaysWhite) {
    KeepingImage image;
    ASSERT_TRUE(image.Allocate(8, 1, 1));
    image.SetPaletteCount(2);
    image.SetGreyEntry(0, 255);
    image.SetGreyEntry(1, 0);
    auto file = EncodeBmp(image, 1);
    EXPECT_EQ(file[54], 255);
    EXPECT_EQ(file[55], 255);
    EXPECT_EQ(file[56], 255);
    EXPECT_EQ(file[58], 0);
}

TEST(Bmp, FilesOfOtherProgramsShortPaletteGapAndLongHeader) {
    // 8 bits, 3 colours used, 6 bytes between palette and pixels, 124-byte header.
    std::vector<uint8_t> rows = {2, 1, 0, 0, /*top*/ 0, 1, 2, 0};
    auto file = HandBmp(3, 2, 8, 3, 3, 6, rows, 0, 124);
    KeepingImage image;
    ASSERT_TRUE(ReadBmpBytes(image, file.data(), file.size()));
    EXPECT_EQ(image.PaletteCount(), 256);
    EXPECT_EQ(Pixels(image), (std::vector<int>{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(image.GetPaletteEntry(2).red, 2);
    EXPECT_EQ(image.GetPaletteEntry(2).green, 4);
    EXPECT_EQ(image.GetPaletteEntry(2).blue, 6);
    EXPECT_EQ(image.GetPaletteEntry(3).red, 0) << "entries the file lacks are black";
    EXPECT_EQ(image.GetPaletteEntry(200).green, 0);

    // A file cut short is refused, not read with zeros; only the padding of
    // the last row may be missing.
    RecordingUi recording;
    auto cut = HandBmp(3, 3, 8, 256, 0, 0, {5, 5, 5, 0, 6, 6});
    KeepingImage shortImage;
    EXPECT_FALSE(ReadBmpBytes(shortImage, cut.data(), cut.size()));
    EXPECT_FALSE(shortImage.IsAllocated());
    EXPECT_EQ(recording.ui.count("Warning", "Unsupported BMP file"), 1);
    auto unpadded = HandBmp(3, 2, 8, 256, 0, 0, {5, 5, 5, 0, 6, 6, 6});
    KeepingImage whole;
    ASSERT_TRUE(ReadBmpBytes(whole, unpadded.data(), unpadded.size()));
    EXPECT_EQ(Pixels(whole), (std::vector<int>{6, 6, 6, 5, 5, 5}));
}

TEST(Bmp, RefusalsHaveTheirMessages) {
    RecordingUi recording;
    auto& ui = recording.ui;
    auto refuse = [&](const std::vector<uint8_t>& file, const std::string& text) {
        ui.clear();
        KeepingImage image;
        EXPECT_FALSE(ReadBmpBytes(image, file.data(), file.size()));
        ASSERT_EQ(ui.messages.size(), 1u) << text;
        EXPECT_EQ(ui.messages[0].caption, "Warning");
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_EQ(ui.messages[0].icon, platform::Icon::Warning);
    };
    refuse(HandBmp(1, 1, 24, 0, 0, 0, {1, 2, 3, 0}), "Can't read 24 bit image files");
    refuse(HandBmp(2, 2, 8, 256, 0, 0, {0, 0, 0, 0}, 1), "Can't read compressed BMP files");
    refuse(HandBmp(2, -2, 8, 256, 0, 0, std::vector<uint8_t>(8, 0)), "Can't read top-down BMP files");
    refuse(HandBmp(2, 2, 32, 0, 0, 0, std::vector<uint8_t>(16, 0)), "Unsupported BMP file");
    refuse({'P', 'K', 3, 4}, "Unsupported BMP file");
    refuse(HandBmp(30000, 30000, 8, 0, 0, 0, {1}), "Unsupported BMP file");

    ui.clear();
    KeepingImage deep;
    ASSERT_TRUE(deep.Allocate(4, 4, 16));
    testing::WriteBytes(testing::TempPath("kept.bmp"), {'o', 'l', 'd'});
    EXPECT_FALSE(WriteBmp(deep, testing::TempPath("kept.bmp"), 16));
    EXPECT_EQ(testing::ReadBytes(testing::TempPath("kept.bmp")), (std::vector<uint8_t>{'o', 'l', 'd'}))
        << "a refused save leaves the previous file";
    ui.clear();
    EXPECT_FALSE(WriteBmp(deep, testing::TempPath("deep.bmp"), 16));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Warning");
    EXPECT_EQ(ui.messages[0].text, "Cannot save a 16 bit image to BMP!\n");
    EXPECT_FALSE(FileExists(testing::TempPath("deep.bmp")));

    ui.clear();
    auto eight = HandBmp(2, 2, 8, 256, 0, 0, std::vector<uint8_t>(8, 0));
    KeepingImage r, g, b;
    EXPECT_FALSE(ReadBmpColourSplitBytes(eight.data(), eight.size(), r, g, b));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "This is not a 24 Bit Bitmap.;\n");
}

TEST(Bmp, ColourSplitOfA24BitFile) {
    // 2 x 2: rows of 6 bytes padded to 8, bottom row first, pixels blue, green, red.
    std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 6, 0, 0, /*top*/ 7, 8, 9, 10, 11, 12, 0, 0};
    auto file = HandBmp(2, 2, 24, 0, 0, 0, rows);
    KeepingImage red, green, blue;
    ASSERT_TRUE(ReadBmpColourSplitBytes(file.data(), file.size(), red, green, blue));
    EXPECT_EQ(Pixels(blue), (std::vector<int>{7, 10, 1, 4}));
    EXPECT_EQ(Pixels(green), (std::vector<int>{8, 11, 2, 5}));
    EXPECT_EQ(Pixels(red), (std::vector<int>{9, 12, 3, 6}));
    EXPECT_EQ(red.GetPaletteKind(), PaletteRed);
    EXPECT_EQ(green.GetPaletteKind(), PaletteGreen);
    EXPECT_EQ(blue.GetPaletteKind(), PaletteBlue);
    EXPECT_EQ(red.GetPaletteEntry(100).red, 100);
    EXPECT_EQ(red.GetPaletteEntry(100).green, 0);
}

// A PCX file made by hand.
std::vector<uint8_t> HandPcx(int version, int bits, int planes, int width, int height,
                             int bytesPerLine, const std::vector<uint8_t>& encoded,
                             bool palette256 = false) {
    std::vector<uint8_t> f(128, 0);
    f[0] = 10;
    f[1] = static_cast<uint8_t>(version);
    f[2] = 1;
    f[3] = static_cast<uint8_t>(bits);
    f[4] = 2;  // xmin 2, ymin 0
    f[8] = static_cast<uint8_t>(width + 1);
    f[10] = static_cast<uint8_t>(height - 1);
    for (int i = 0; i < 16; ++i) {
        f[16 + 3 * i] = static_cast<uint8_t>(i * 16);
        f[17 + 3 * i] = static_cast<uint8_t>(i);
        f[18 + 3 * i] = 99;
    }
    f[65] = static_cast<uint8_t>(planes);
    f[66] = static_cast<uint8_t>(bytesPerLine);
    f.insert(f.end(), encoded.begin(), encoded.end());
    if (palette256) {
        f.push_back(12);
        for (int i = 0; i < 256; ++i) {
            f.push_back(static_cast<uint8_t>(i));
            f.push_back(static_cast<uint8_t>(255 - i));
            f.push_back(42);
        }
    }
    return f;
}

TEST(Pcx, RunLengthCases) {
    std::vector<uint8_t> stream = {0xC3, 0x07, 0x05, 0xC0, 0x09, 0xC1, 0xC5, 0xC4, 0x01};
    PcxDecoder d(stream.data(), stream.size(), 0);
    uint8_t row[6];
    d.decodeRow(row, 6);
    // Three 7s, a literal 5, a run of none, one 0xC5 (a value above 191 needs a run).
    EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t>{7, 7, 7, 5, 0xC5, 1}));
    d.decodeRow(row, 6);
    // The run of four 1s went on into this row; then the data end.
    EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t>{1, 1, 1, 0, 0, 0}));
}

TEST(Pcx, ColourFilesAndTheirPalettes) {
    // 256 colours: 3 x 2, bytes per line 4 (one pad byte per row).
    auto file = HandPcx(5, 8, 1, 3, 2, 4, {0xC3, 0x07, 0x00, 1, 2, 3, 0});
    file.push_back(12);
    for (int i = 0; i < 256; ++i) {
        file.push_back(static_cast<uint8_t>(i));
        file.push_back(static_cast<uint8_t>(255 - i));
        file.push_back(42);
    }
    KeepingImage image;
    ASSERT_TRUE(ReadPcxBytes(image, file.data(), file.size()));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Depth(), 8);
    EXPECT_EQ(Pixels(image), (std::vector<int>{7, 7, 7, 1, 2, 3}));
    EXPECT_EQ(image.GetPaletteEntry(10).red, 10);
    EXPECT_EQ(image.GetPaletteEntry(10).green, 245);
    EXPECT_EQ(image.GetPaletteEntry(10).blue, 42);

    // 16 colours: 4 planes of one byte per line; pixel = plane bits 0..3.
    // Plane 0 = 0b1000'0000, plane 1 = 0b1100'0000, plane 2 = 0, plane 3 = 0b0100'0000.
    // 0xC0 is above 191, so it is coded as a run of one.
    std::vector<uint8_t> planes = {0x80, 0xC1, 0xC0, 0x00, 0x40};
    for (int version : {3, 5}) {
        SCOPED_TRACE(version);
        auto f = HandPcx(version, 1, 4, 3, 1, 1, planes);
        KeepingImage sixteen;
        ASSERT_TRUE(ReadPcxBytes(sixteen, f.data(), f.size()));
        EXPECT_EQ(sixteen.Depth(), 4);
        EXPECT_EQ(sixteen.PaletteCount(), 16);
        EXPECT_EQ(Pixels(sixteen), (std::vector<int>{3, 10, 0}));
        if (version == 3) {
            EXPECT_EQ(sixteen.GetPaletteEntry(1).blue, 128);
            EXPECT_EQ(sixteen.GetPaletteEntry(7).red, 192);
            EXPECT_EQ(sixteen.GetPaletteEntry(14).red, 255);
            EXPECT_EQ(sixteen.GetPaletteEntry(14).blue, 0);
        } else {
            EXPECT_EQ(sixteen.GetPaletteEntry(3).red, 48);
            EXPECT_EQ(sixteen.GetPaletteEntry(3).green, 3);
            EXPECT_EQ(sixteen.GetPaletteEntry(3).blue, 99);
        }
    }
}

TEST(Pcx, FailuresAndTheirMessages) {
    RecordingUi recording;
    auto& ui = recording.ui;
    KeepingImage image;
    auto notPcx = HandPcx(5, 8, 1, 2, 2, 2, {1, 2, 3, 4}, true);
    notPcx[0] = 11;
    EXPECT_FALSE(ReadPcxBytes(image, notPcx.data(), notPcx.size()));
    EXPECT_TRUE(ui.messages.empty()) << "not a PCX file: no message";

    auto rgb = HandPcx(5, 8, 3, 2, 2, 2, std::vector<uint8_t>(12, 1));
    EXPECT_FALSE(ReadPcxBytes(image, rgb.data(), rgb.size()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Warning");
    EXPECT_EQ(ui.messages[0].text, "Unsupported PCX type");

    ui.clear();
    auto noPalette = HandPcx(5, 8, 1, 2, 2, 2, {1, 2, 3, 4});
    EXPECT_FALSE(ReadPcxBytes(image, noPalette.data(), noPalette.size()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error reading PCX image");

    // A file whose coded rows end early is refused before anything is made.
    ui.clear();
    auto cut = HandPcx(5, 8, 1, 2, 3, 2, {0xC2, 9}, true);
    KeepingImage shortImage;
    EXPECT_FALSE(ReadPcxBytes(shortImage, cut.data(), cut.size()));
    EXPECT_FALSE(shortImage.IsAllocated());
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Warning: Error reading PCX image"}));
    ui.clear();
    auto whole = HandPcx(5, 8, 1, 2, 3, 2, {0xC2, 9, 0xC4, 7}, true);
    ASSERT_TRUE(ReadPcxBytes(shortImage, whole.data(), whole.size()));
    EXPECT_EQ(Pixels(shortImage), (std::vector<int>{9, 9, 7, 7, 7, 7}));
}

}  // namespace
}  // namespace orvex::formats
