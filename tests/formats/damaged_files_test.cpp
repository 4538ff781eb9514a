// Damaged BMP, PCX and grid files, and the files of other programs cut short:
// each is read exactly or refused with its reader's message, and a refused
// read allocates nothing.
#include <gtest/gtest.h>

#include "format_test_support.h"
#include "formats/bmp.h"
#include "formats/file_io.h"
#include "formats/grid.h"
#include "formats/pcx.h"
#include "formats/tiff.h"

namespace orvex::formats {
namespace {

using testing::KeepingImage;
using testing::RecordingUi;

using Reader = bool (*)(Image&, const uint8_t*, size_t);

bool ReadGridEight(Image& image, const uint8_t* data, size_t size) {
    return ReadGridBytes(image, data, size, false, 1.0, "");
}
bool ReadSplit(Image& image, const uint8_t* data, size_t size) {
    Image green, blue;
    const bool ok = ReadBmpColourSplitBytes(data, size, image, green, blue);
    EXPECT_EQ(green.IsAllocated(), ok);
    return ok;
}

// Cuts the file at every length (or every step-th): each cut is read
// exactly as the whole file, or refused with one message (once the file is
// long enough to say what it is) and nothing allocated.
void ExpectEveryCutRefused(const std::vector<uint8_t>& file, Reader read, size_t silentBelow,
                           const std::string& caption, size_t step = 1) {
    KeepingImage whole;
    ASSERT_TRUE(read(whole, file.data(), file.size()));
    const auto pixels = testing::Pixels(whole);
    for (size_t length = 0; length < file.size(); length += step) {
        SCOPED_TRACE(length);
        RecordingUi recording;
        KeepingImage image;
        if (read(image, file.data(), length)) {
            EXPECT_EQ(testing::Pixels(image), pixels);
            EXPECT_TRUE(recording.ui.messages.empty());
            continue;
        }
        EXPECT_FALSE(image.IsAllocated());
        if (length >= silentBelow) {
            ASSERT_EQ(recording.ui.messages.size(), 1u);
            EXPECT_EQ(recording.ui.messages[0].caption, caption);
        }
    }
}

TEST(DamagedFiles, BmpsCutShortAreRefused) {
    for (int depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        ASSERT_TRUE(image.Allocate(13, 5, depth));
        testing::FillPattern(image, depth);
        auto file = EncodeBmp(image, depth);
        // The last row's padding alone may be missing.
        const size_t lastRowPixels = (13 * depth + 7) / 8, padded = (13 * depth + 31) / 32 * 4;
        std::vector<uint8_t> unpadded(file.begin(), file.end() - (padded - lastRowPixels));
        ExpectEveryCutRefused(unpadded, ReadBmpBytes, 0, "Warning");
    }
    KeepingImage source;
    ASSERT_TRUE(source.Allocate(7, 3, 8));
    auto bytes = EncodeBmp(source, 8);
    // A 24-bit file for the colour split, made from the 8-bit one's headers.
    std::vector<uint8_t> split(bytes.begin(), bytes.begin() + 54);
    split[28] = 24;
    split[10] = 54;
    split[11] = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 24; ++c) split.push_back(static_cast<uint8_t>(r * 24 + c));
    ExpectEveryCutRefused(split, ReadSplit, 0, "Warning");
}

TEST(DamagedFiles, BmpOffsetsAndSizesThatLie) {
    KeepingImage image;
    ASSERT_TRUE(image.Allocate(10, 10, 8));
    const auto file = EncodeBmp(image, 8);
    auto expectRefused = [](std::vector<uint8_t> f) {
        RecordingUi recording;
        KeepingImage back;
        EXPECT_FALSE(ReadBmpBytes(back, f.data(), f.size()));
        EXPECT_EQ(recording.ui.messages.size(), 1u);
        EXPECT_FALSE(back.IsAllocated());
    };
    auto put32 = [](std::vector<uint8_t> f, size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) f[at + k] = uint8_t(v >> (8 * k));
        return f;
    };
    expectRefused(put32(file, 10, static_cast<uint32_t>(file.size())));  // pixels past the end
    expectRefused(put32(file, 10, 0xFFFFFFF0u));
    expectRefused(put32(file, 14, 0x7FFFFFFFu));  // header size
    expectRefused(put32(file, 18, 0x7FFFFFFFu));  // width
    expectRefused(put32(file, 22, 0x7FFFFFFFu));  // height
    expectRefused(put32(file, 18, 0));            // zero sizes: the store says so
    expectRefused(put32(file, 22, 0));
}

TEST(DamagedFiles, PcxCutShortAndLying) {
    // 256 colours, 4 x 3, coded without runs; then 16 colours (4 planes).
    std::vector<uint8_t> header(128, 0);
    header[0] = 10;
    header[1] = 5;
    header[2] = 1;
    header[3] = 8;
    header[8] = 3;   // xmax
    header[10] = 2;  // ymax
    header[65] = 1;
    header[66] = 4;
    std::vector<uint8_t> colours256 = header;
    for (int i = 0; i < 12; ++i) colours256.push_back(static_cast<uint8_t>(i));
    colours256.push_back(12);
    colours256.resize(colours256.size() + 768, 9);
    ExpectEveryCutRefused(colours256, ReadPcxBytes, 1, "Warning", 7);
    std::vector<uint8_t> colours16 = header;
    colours16[3] = 1;
    colours16[65] = 4;
    colours16[66] = 1;
    for (int i = 0; i < 12; ++i) colours16.push_back(static_cast<uint8_t>(0x10 * i));
    ExpectEveryCutRefused(colours16, ReadPcxBytes, 1, "Warning");

    // A run reaching past the rows is fine; huge sizes and rows shorter than
    // the width are refused.
    RecordingUi recording;
    auto huge = colours16;
    huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;
    KeepingImage image;
    EXPECT_FALSE(ReadPcxBytes(image, huge.data(), huge.size()));
    auto narrow = colours256;
    narrow[66] = 2;
    EXPECT_FALSE(ReadPcxBytes(image, narrow.data(), narrow.size()));
    EXPECT_FALSE(image.IsAllocated());
    EXPECT_EQ(recording.ui.messages.size(), 2u);
}

TEST(DamagedFiles, GridsCutShortAndHuge) {
    auto file = testing::HandGrid(3, 4, -1.0, 1.0, std::vector<float>(12, 0.5f));
    ExpectEveryCutRefused(file, ReadGridEight, 4, "Grid file shorter than its size?");
    RecordingUi recording;
    for (uint16_t nx : {0, 65535}) {
        auto sized = file;
        sized[4] = uint8_t(nx);
        sized[5] = uint8_t(nx >> 8);
        KeepingImage image;
        EXPECT_FALSE(ReadGridEight(image, sized.data(), sized.size()));
        EXPECT_FALSE(image.IsAllocated());
    }
    EXPECT_EQ(recording.ui.messages.size(), 2u);
}

TEST(DamagedFiles, FilesOfOtherProgramsCutShort) {
    struct Fixture {
        const char* name;
        Reader read;
        const char* caption;
    };
    const Fixture fixtures[] = {
        {"pillow-grey8.tif", ReadTiffBytes, "Error During Tiff Translation"},
        {"pillow-grey16-big-endian.tif", ReadTiffBytes, "Error During Tiff Translation"},
        {"tiffcp-strips3.tif", ReadTiffBytes, "Error During Tiff Translation"},
        {"pillow-two-pages.tif", ReadTiffBytes, "Error During Tiff Translation"},
        {"magick-palette4.bmp", ReadBmpBytes, "Warning"},
        {"pillow-palette8.pcx", ReadPcxBytes, "Warning"},
        {"gdal-pattern.grd", ReadGridEight, "Grid file shorter than its size?"},
    };
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        auto file = testing::ReadBytes(testing::DataPath(f.name));
        ASSERT_FALSE(file.empty());
        const size_t step = std::max<size_t>(1, file.size() / 97);
        ExpectEveryCutRefused(file, f.read, f.read == ReadPcxBytes ? 1 : f.read == ReadGridEight ? 4 : 0,
                              f.caption, step);
    }
}

}  // namespace
}  // namespace orvex::formats
