// TIFF files that lie: cut short, pointing past their end, laid out in ways
// the reader does not take. Each is read exactly or refused with one message.
#include <gtest/gtest.h>

#include <cmath>

#include "format_test_support.h"
#include "formats/file_io.h"
#include "formats/tiff.h"

namespace orvex::formats {
namespace {

using testing::KeepingImage;
using testing::Pixels;
using testing::RecordingUi;
using testing::TiffBuilder;

// An image with everything a written file carries.
void MakeFullImage(KeepingImage& image, int width, int height, int depth) {
    ASSERT_TRUE(image.Allocate(width, height, depth));
    testing::FillPattern(image, depth);
    image.SetPaletteCount(depth == 1 ? 2 : depth == 4 ? 16 : 256);
    for (int i = 0; i < image.PaletteCount(); ++i) image.SetPaletteEntry(i, i, 255 - i, 3 * i);
    image.SavePalette();
    image.SetText(TextArtist, "J. Analyst");
    image.SetText(TextMake, "ab");
    image.SetText(TextImageDescription, "a map of iron");
    image.SetPositionRegistration({-1.5, 2.25, 100.0, -3.0, 0, height - 1, width - 1, 0});
    image.SetZRegistration({1, -10.5, 250.0, "wt% Fe"});
    image.SetForeignData({1, 2, 3, 4, 5});
}

// Reads bytes expecting a refusal with exactly one TIFF message and nothing allocated.
void ExpectRefused(const std::vector<uint8_t>& file, const char* text = nullptr) {
    RecordingUi recording;
    KeepingImage image;
    EXPECT_FALSE(ReadTiffBytes(image, file.data(), file.size()));
    ASSERT_EQ(recording.ui.messages.size(), 1u);
    EXPECT_EQ(recording.ui.messages[0].caption, "Error During Tiff Translation");
    if (text) {
        EXPECT_EQ(recording.ui.messages[0].text, text);
    }
    EXPECT_FALSE(image.IsAllocated());
}

struct Field {
    uint16_t tag, type;
    uint32_t count;
    size_t at;  // file offset of the entry
};
std::vector<Field> Fields(const std::vector<uint8_t>& file) {
    ByteReader in(file.data(), file.size());
    std::vector<Field> fields;
    uint32_t dir = in.u32(4);
    for (uint16_t i = 0; i < in.u16(dir); ++i) {
        size_t at = dir + 2 + 12u * i;
        fields.push_back({in.u16(at), in.u16(at + 2), in.u32(at + 4), at});
    }
    return fields;
}
void Put32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) file[at + k] = uint8_t(v >> (8 * k));
}

TEST(TiffDamaged, FilesCutAtAnyLengthAreRefused) {
    for (int depth : {1, 8, 16}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        MakeFullImage(image, 9, 7, depth);
        const auto file = EncodeTiff(image, depth);
        // The 16-bit colour map alone is 384 KB: cut it at fewer places.
        const size_t step = depth == 16 ? 997 : 1;
        for (size_t length = 0; length < file.size(); length += step) {
            SCOPED_TRACE(length);
            ExpectRefused(std::vector<uint8_t>(file.begin(), file.begin() + length));
        }
        KeepingImage whole;
        ASSERT_TRUE(ReadTiffBytes(whole, file.data(), file.size()));
        EXPECT_EQ(Pixels(whole), Pixels(image));
    }
}

TEST(TiffDamaged, OffsetsAndCountsPastTheEndAreRefused) {
    KeepingImage image;
    MakeFullImage(image, 40, 30, 8);
    const auto file = EncodeTiff(image, 8);
    const auto size = static_cast<uint32_t>(file.size());
    for (const Field& f : Fields(file)) {
        SCOPED_TRACE(f.tag);
        const bool atOffset = f.count * (f.type == 3 ? 2u : f.type == 2 || f.type == 7 ? 1u : 4u) > 4;
        if (atOffset) {
            // The values begin inside the file but run past its end.
            auto moved = file;
            Put32(moved, f.at + 8, size - 2);
            ExpectRefused(moved);
            Put32(moved, f.at + 8, 0xFFFFFFF0u);
            ExpectRefused(moved);
        }
        if (f.tag == 273 || f.tag == 279 || f.tag == 320 || f.tag == 34128 ||
            (f.tag == 270 && atOffset)) {
            auto counted = file;
            Put32(counted, f.at + 4, 0x7FFFFFFFu);
            ExpectRefused(counted);
        }
    }
    // Huge and zero sizes.
    for (uint32_t value : {0u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        for (uint16_t tag : {256, 257}) {
            auto sized = file;
            for (const Field& f : Fields(file))
                if (f.tag == tag) Put32(sized, f.at + 8, value);
            ExpectRefused(sized);
        }
    }
    // A directory claiming more entries than the file holds, and a next
    // directory beyond the end.
    ByteReader in(file.data(), file.size());
    const uint32_t dir = in.u32(4);
    auto many = file;
    many[dir] = many[dir + 1] = 0xFF;
    ExpectRefused(many, "Unrecognized TIFF format.");
    auto next = file;
    Put32(next, dir + 2 + 12u * in.u16(dir), size + 100);
    ExpectRefused(next, "Unrecognized TIFF format.");
    auto odd = file;
    Put32(odd, dir + 2 + 12u * in.u16(dir), size - 1);
    ExpectRefused(odd, "Unrecognized TIFF format.");

    // A foreign block whose inner length runs past the block.
    for (const Field& f : Fields(file))
        if (f.tag == 34128) {
            auto inner = file;
            Put32(inner, in.u32(f.at + 8) + 4, 1000);
            ExpectRefused(inner, "Unrecognized TIFF format.");
        }
}

TiffBuilder Plain(uint32_t width, uint32_t height, uint16_t bits) {
    TiffBuilder b;
    b.longValue(256, width);
    b.longValue(257, height);
    b.shortValue(258, bits);
    return b;
}

TEST(TiffDamaged, LayoutsTheReaderDoesNotTakeAreRefused) {
    {
        TiffBuilder tiled = Plain(16, 16, 8);
        tiled.longValue(322, 16);
        tiled.longValue(323, 16);
        tiled.longs(324, {8});
        tiled.longs(325, {256});
        ExpectRefused(tiled.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder lowBitsFirst = Plain(8, 1, 1);
        lowBitsFirst.shortValue(266, 2);
        lowBitsFirst.strips({{0x01}});
        ExpectRefused(lowBitsFirst.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder turned = Plain(2, 1, 8);  // stored bottom row first
        turned.shortValue(274, 4);
        turned.strips({{1, 2}});
        ExpectRefused(turned.build(), "Unrecognized TIFF format.");
    }
    for (uint16_t format : {2, 3}) {
        TiffBuilder sampled = Plain(2, 1, 16);
        sampled.shortValue(339, format);
        sampled.strips({{0, 0, 1, 0}});
        ExpectRefused(sampled.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder noMap = Plain(2, 1, 8);  // a palette file without its palette
        noMap.shortValue(262, 3);
        noMap.strips({{1, 2}});
        ExpectRefused(noMap.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder shortMap = Plain(2, 1, 8);  // fewer colours than the depth holds
        shortMap.shortValue(262, 3);
        shortMap.shorts(320, std::vector<uint16_t>(3 * 16, 0x8000));
        shortMap.strips({{1, 2}});
        ExpectRefused(shortMap.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder noStrips = Plain(2, 2, 8);
        ExpectRefused(noStrips.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder tooFew = Plain(4, 4, 8);  // four rows of one per strip, two strips given
        tooFew.longValue(278, 1);
        tooFew.strips({{1, 2, 3, 4}, {5, 6, 7, 8}});
        ExpectRefused(tooFew.build(), "Unrecognized TIFF format.");
    }
    {
        TiffBuilder textAsShorts = Plain(1, 1, 8);
        textAsShorts.shorts(305, {65, 66});
        textAsShorts.strips({{1}});
        ExpectRefused(textAsShorts.build(), "Unrecognized TIFF format.");
    }
    // A strip longer than its rows is read exactly: the rows are there.
    TiffBuilder padded = Plain(2, 2, 8);
    padded.strips({{1, 2, 3, 4, 0, 0}});
    auto file = padded.build();
    KeepingImage image;
    ASSERT_TRUE(ReadTiffBytes(image, file.data(), file.size()));
    EXPECT_EQ(Pixels(image), (std::vector<int>{1, 2, 3, 4}));
}

// A file laid out as the system's earlier writer did: the directory at 8,
// then every text at an offset with its zero, whatever its length, then the
// one-pixel strip.
std::vector<uint8_t> EarlierLayout(const std::vector<std::pair<uint16_t, std::string>>& texts) {
    const uint16_t n = static_cast<uint16_t>(5 + texts.size());
    ByteWriter w;
    w.raw("II", 2);
    w.u16(42);
    w.u32(8);
    w.u16(n);
    uint32_t data = 8 + 2 + 12u * n + 4;
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        w.u16(tag);
        w.u16(type);
        w.u32(count);
        w.u32(value);
    };
    entry(256, 4, 1, 1);
    entry(257, 4, 1, 1);
    entry(258, 3, 1, 8);
    std::vector<uint8_t> block;
    std::vector<std::pair<uint16_t, uint32_t>> at;
    for (auto& [tag, text] : texts) {
        at.push_back({tag, data + static_cast<uint32_t>(block.size())});
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(0);
    }
    const uint32_t strip = data + static_cast<uint32_t>(block.size());
    entry(273, 4, 1, strip);
    entry(279, 4, 1, 1);
    for (size_t i = 0; i < texts.size(); ++i)
        entry(texts[i].first, 2, static_cast<uint32_t>(texts[i].second.size() + 1), at[i].second);
    w.u32(0);
    w.raw(block.data(), block.size());
    w.u8(7);
    return std::move(w.bytes);
}

TEST(TiffTexts, CountsAndTheEarlierLayout) {
    {
        auto file = EarlierLayout({{270, ""}, {271, "a"}, {272, "ab"}, {305, "abc"},
                                   {306, "2026:12:09"}, {315, "J. Analyst"}, {316, ""}});
        KeepingImage image;
        ASSERT_TRUE(ReadTiffBytes(image, file.data(), file.size()));
        EXPECT_EQ(image.GetText(TextImageDescription), "");
        EXPECT_EQ(image.GetText(TextMake), "a");
        EXPECT_EQ(image.GetText(TextModel), "ab");
        EXPECT_EQ(image.GetText(TextSoftware), "abc");
        EXPECT_EQ(image.GetText(TextDateTime), "2026:12:09");
        EXPECT_EQ(image.GetText(TextArtist), "J. Analyst");
        EXPECT_EQ(image.GetText(TextHostComputer), "");
        EXPECT_EQ(Pixels(image), (std::vector<int>{7}));
    }
    // Texts of other writers: short ones in the entry, counts without their
    // zero read to count - 1 characters, count 1 empty.
    TiffBuilder b = Plain(1, 1, 8);
    b.ascii(305, "Orvex 4.0");
    b.raw(306, 2, 6, {'2', '0', '2', '6', '!', '?', 0, 0});  // "2026!"
    b.raw(271, 2, 3, {'a', 'b', 'c', 0});                    // "ab"
    b.raw(315, 2, 2, {'J', 0, 0, 0});  // in the entry, though 'J' is an offset in the file
    b.raw(316, 2, 1, {'Q', 0, 0, 0});
    b.strips({{5}});
    auto file = b.build();
    KeepingImage image;
    ASSERT_TRUE(ReadTiffBytes(image, file.data(), file.size()));
    EXPECT_EQ(image.GetText(TextSoftware), "Orvex 4.0");
    EXPECT_EQ(image.GetText(TextDateTime), "2026!");
    EXPECT_EQ(image.GetText(TextMake), "ab");
    EXPECT_EQ(image.GetText(TextArtist), "J");
    EXPECT_EQ(image.GetText(TextHostComputer), "");

    // Texts written now (short ones in the entry) come back exactly, at every length.
    for (size_t length : {0, 1, 2, 3, 4, 5, 99}) {
        SCOPED_TRACE(length);
        KeepingImage source;
        ASSERT_TRUE(source.Allocate(3, 2, 8));
        std::string text(length, 'k');
        for (int slot : {TextArtist, TextDateTime, TextHostComputer, TextImageDescription, TextMake,
                         TextModel, TextSoftware})
            source.SetText(slot, text);
        auto written = EncodeTiff(source, 8);
        KeepingImage back;
        ASSERT_TRUE(ReadTiffBytes(back, written.data(), written.size()));
        for (int slot : {TextArtist, TextDateTime, TextHostComputer, TextImageDescription, TextMake,
                         TextModel, TextSoftware})
            EXPECT_EQ(back.GetText(slot), text);
    }
}

TEST(TiffRegistration, ImagesBeyondSixteenBitPixelNumbers) {
    for (auto [width, height] : {std::pair{40000, 2}, std::pair{3, 40000}}) {
        SCOPED_TRACE(width);
        KeepingImage image;
        ASSERT_TRUE(image.Allocate(width, height, 8));
        image.SetPositionRegistration({1000.0, 500.0, 1000.0 + 0.25 * (width - 1),
                                       500.0 + 0.5 * (height - 1), 0, height - 1, width - 1, 0});
        auto file = EncodeTiff(image, image.Depth());
        KeepingImage back;
        ASSERT_TRUE(ReadTiffBytes(back, file.data(), file.size()));
        ASSERT_TRUE(back.IsPositionRegistered());
        for (double column : {0.0, 1.0, width / 2.0, width - 1.0})
            for (double row : {0.0, height / 3.0, height - 1.0}) {
                RealPoint want = image.PixelToReal(column, row);
                RealPoint at = image.RealToPixel(back.PixelToReal(column, row).x,
                                                 back.PixelToReal(column, row).y);
                EXPECT_NEAR(at.x, column, 1e-6) << want.x;
                EXPECT_NEAR(at.y, row, 1e-6) << want.y;
            }
    }
    // Tie points that fit are written as they are.
    KeepingImage small;
    ASSERT_TRUE(small.Allocate(10, 10, 8));
    small.SetPositionRegistration({1, 2, 3, 4, 2, 7, 8, 1});
    auto file = EncodeTiff(small, 8);
    KeepingImage back;
    ASSERT_TRUE(ReadTiffBytes(back, file.data(), file.size()));
    EXPECT_EQ(back.GetPositionRegistration().px1, 2);
    EXPECT_EQ(back.GetPositionRegistration().py2, 1);
    EXPECT_DOUBLE_EQ(back.GetPositionRegistration().y2, 4.0);
}

TEST(TiffFiles, ReadFromTheFileLikeFromBytes) {
    // Strips go straight into the rows, across the store's own strips too.
    Image::SetMaxStripBytes(1024);
    for (int depth : {1, 4, 8, 16}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        MakeFullImage(image, 301, 97, depth);
        std::string path = testing::TempPath("direct" + std::to_string(depth) + ".tif");
        ASSERT_TRUE(WriteTiff(image, path, depth));
        EXPECT_EQ(testing::ReadBytes(path), EncodeTiff(image, depth));
        KeepingImage back;
        ASSERT_TRUE(ReadTiff(back, path));
        EXPECT_GT(back.Strips().size(), 1u);
        EXPECT_EQ(Pixels(back), Pixels(image));
        EXPECT_EQ(back.GetText(TextImageDescription), "a map of iron");
        EXPECT_EQ(back.ForeignData(), image.ForeignData());
        EXPECT_EQ(back.GetZRegistration().units, "wt% Fe");
    }
    // Written at a depth other than the stored one, through the conversion.
    KeepingImage wide;
    MakeFullImage(wide, 50, 600, 16);
    std::string path = testing::TempPath("converted.tif");
    ASSERT_TRUE(WriteTiff(wide, path, 8));
    EXPECT_EQ(testing::ReadBytes(path), EncodeTiff(wide, 8));
    Image::SetMaxStripBytes(0);

    // A file cut short on disk is refused like the same bytes.
    auto bytes = testing::ReadBytes(path);
    bytes.resize(bytes.size() / 2);
    testing::WriteBytes(path, bytes);
    RecordingUi recording;
    KeepingImage cut;
    EXPECT_FALSE(ReadTiff(cut, path));
    EXPECT_EQ(recording.ui.messages.size(), 1u);
}

}  // namespace
}  // namespace orvex::formats
