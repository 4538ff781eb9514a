#include "formats/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "format_test_support.h"
#include "formats/file_io.h"

namespace orvex::formats {
namespace {

using testing::HandGrid;
using testing::KeepingImage;
using testing::Pixels;
using testing::RecordingUi;

TEST(Grid, RawEightBitGridRoundTripsWithRegistration) {
    KeepingImage image;
    ASSERT_TRUE(image.Allocate(4, 3, 8));
    std::vector<uint8_t> rows[3] = {{0, 1, 2, 3}, {10, 20, 30, 40}, {255, 254, 100, 0}};
    for (int r = 0; r < 3; ++r) image.WriteLine(r, rows[r].data(), 8);
    image.SetZRegistration({1, 0.0, 255.0, "counts"});
    image.SetPositionRegistration({100.0, 50.0, 400.0, 250.0, 0, 2, 3, 0});
    ASSERT_EQ(GridKindOf(image), GridKind::Raw8);
    auto file = EncodeGrid(&image, 10.0);
    ASSERT_EQ(file.size(), 56u + 4u * 12u);
    ByteReader in(file.data(), file.size());
    EXPECT_EQ(in.u16(4), 4);
    EXPECT_EQ(in.u16(6), 3);
    EXPECT_DOUBLE_EQ(in.f64(8), 10.0);   // xlo: 100 / 10
    EXPECT_DOUBLE_EQ(in.f64(16), 40.0);  // xhi
    EXPECT_DOUBLE_EQ(in.f64(24), 5.0);   // ylo
    EXPECT_DOUBLE_EQ(in.f64(32), 25.0);  // yhi
    EXPECT_DOUBLE_EQ(in.f64(40), 0.0);
    EXPECT_DOUBLE_EQ(in.f64(48), 255.0);
    EXPECT_FLOAT_EQ(in.f32(56), 255.0f) << "the first grid row is the bottom image row";
    EXPECT_FLOAT_EQ(in.f32(56 + 4 * 8), 0.0f);

    KeepingImage back;
    ASSERT_TRUE(ReadGridBytes(back, file.data(), file.size(), true, 10.0, "counts"));
    EXPECT_EQ(back.Depth(), 8) << "a raw grid keeps its depth";
    EXPECT_EQ(Pixels(back), Pixels(image));
    EXPECT_EQ(back.GetZRegistration().flag, 1);
    EXPECT_EQ(back.GetZRegistration().high, 255.0);
    EXPECT_EQ(back.GetZRegistration().units, "counts");
    RealPoint ll, ur;
    back.GetLowerLeftUpperRight(ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 100.0);
    EXPECT_DOUBLE_EQ(ll.y, 50.0);
    EXPECT_DOUBLE_EQ(ur.x, 400.0);
    EXPECT_DOUBLE_EQ(ur.y, 250.0);
    EXPECT_TRUE(back.IsPositionRegistered());
    EXPECT_EQ(back.GetPaletteKind(), PaletteCustom);

    KeepingImage deep;
    ASSERT_TRUE(deep.Allocate(2, 1, 16));
    uint16_t values[2] = {0, 65535};
    deep.WriteLine(0, values, 16);
    deep.SetZRegistration({1, 0.0, 65535.0, "x"});
    EXPECT_EQ(GridKindOf(deep), GridKind::Raw16);
    file = EncodeGrid(&deep, 1.0);
    KeepingImage deepBack;
    ASSERT_TRUE(ReadGridBytes(deepBack, file.data(), file.size(), false, 1.0, ""));
    EXPECT_EQ(deepBack.Depth(), 16);
    EXPECT_EQ(Pixels(deepBack), (std::vector<int>{0, 65535}));
}

TEST(Grid, RawGridsRoundTripWhateverTheirDataSpan) {
    // Raw 8-bit data of 10..200 and raw 16-bit data of 100..5000: the header
    // keeps the kind's range, so the values come back unstretched.
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        KeepingImage image;
        ASSERT_TRUE(image.Allocate(5, 4, depth));
        const double top = depth == 8 ? 255.0 : 65535.0;
        for (int r = 0; r < 4; ++r) {
            uint16_t row16[5];
            uint8_t row8[5];
            for (int c = 0; c < 5; ++c) {
                int v = depth == 8 ? 10 + (r * 5 + c) * 10 : 100 + (r * 5 + c) * 257;
                row16[c] = static_cast<uint16_t>(v);
                row8[c] = static_cast<uint8_t>(std::min(v, 200));
            }
            if (depth == 8)
                image.WriteLine(r, row8, 8);
            else
                image.WriteLine(r, row16, 16);
        }
        image.SetZRegistration({1, 0.0, top, "counts"});
        image.SetPositionRegistration({-20.0, 7.5, 60.0, 37.5, 0, 3, 4, 0});
        ASSERT_NE(GridKindOf(image), GridKind::Scaled);
        auto file = EncodeGrid(&image, 2.5);
        ByteReader in(file.data(), file.size());
        EXPECT_DOUBLE_EQ(in.f64(40), 0.0);
        EXPECT_DOUBLE_EQ(in.f64(48), top);
        for (bool sixteen : {false, true}) {
            KeepingImage back;
            ASSERT_TRUE(ReadGridBytes(back, file.data(), file.size(), sixteen, 2.5, "counts"));
            EXPECT_EQ(back.Depth(), depth);
            EXPECT_EQ(Pixels(back), Pixels(image));
            EXPECT_EQ(back.GetZRegistration().low, 0.0);
            EXPECT_EQ(back.GetZRegistration().high, top);
            for (double c : {0.0, 4.0})
                for (double r : {0.0, 3.0}) {
                    EXPECT_DOUBLE_EQ(back.PixelToReal(c, r).x, image.PixelToReal(c, r).x);
                    EXPECT_DOUBLE_EQ(back.PixelToReal(c, r).y, image.PixelToReal(c, r).y);
                }
        }
    }
}

TEST(Grid, ScaledGridsIntoEightAndSixteenBits) {
    auto file = HandGrid(5, 1, -1.5, 2.5, {-1.5f, 0.5f, 2.5f, -9.0f, 99.0f});
    KeepingImage eight;
    ASSERT_TRUE(ReadGridBytes(eight, file.data(), file.size(), false, 1.0, "wt%"));
    EXPECT_EQ(eight.Depth(), 8);
    EXPECT_EQ(Pixels(eight), (std::vector<int>{0, 128, 255, 0, 255}));
    EXPECT_DOUBLE_EQ(eight.GetZRegistration().low, -1.5);
    EXPECT_DOUBLE_EQ(eight.GetZRegistration().high, 2.5);
    KeepingImage sixteen;
    ASSERT_TRUE(ReadGridBytes(sixteen, file.data(), file.size(), true, 1.0, "wt%"));
    EXPECT_EQ(sixteen.Depth(), 16);
    EXPECT_EQ(Pixels(sixteen), (std::vector<int>{0, 32768, 65535, 0, 65535}))
        << "values outside the range are held at its ends";

    // Writing scaled values: low + (high - low) * v / 255, zlo and zhi from the data.
    KeepingImage image;
    ASSERT_TRUE(image.Allocate(3, 1, 8));
    uint8_t row[3] = {51, 102, 255};
    image.WriteLine(0, row, 8);
    image.SetZRegistration({1, 10.0, 20.0, "um"});
    auto out = EncodeGrid(&image, 1.0);
    ByteReader in(out.data(), out.size());
    EXPECT_DOUBLE_EQ(in.f64(40), 12.0);
    EXPECT_DOUBLE_EQ(in.f64(48), 20.0);
    EXPECT_FLOAT_EQ(in.f32(56), 12.0f);
    EXPECT_FLOAT_EQ(in.f32(60), 14.0f);
    EXPECT_FLOAT_EQ(in.f32(64), 20.0f);

    // An unregistered image spans 0 .. 65535 / factor.
    EXPECT_DOUBLE_EQ(in.f64(8), 0.0);
    EXPECT_DOUBLE_EQ(in.f64(16), 65535.0);
    out = EncodeGrid(&image, 100.0);
    ByteReader scaled(out.data(), out.size());
    EXPECT_DOUBLE_EQ(scaled.f64(16), 655.35);
    EXPECT_DOUBLE_EQ(scaled.f64(32), 655.35);
    EXPECT_DOUBLE_EQ(scaled.f64(24), 0.0);

    // A flat or empty range neither divides by zero nor fails.
    auto flat = HandGrid(2, 1, 5.0, 5.0, {5.0f, std::nanf("")});
    KeepingImage flatImage;
    ASSERT_TRUE(ReadGridBytes(flatImage, flat.data(), flat.size(), false, 1.0, ""));
    EXPECT_EQ(Pixels(flatImage), (std::vector<int>{0, 0}));
}

TEST(Grid, ShortFilesWrongMagicAndRefusals) {
    RecordingUi recording;
    auto& ui = recording.ui;
    // A file that lacks any value of its rows is refused before anything is
    // allocated, not read with zeros.
    auto whole = HandGrid(2, 3, 0, 255, {1, 2, 3, 4, 5, 6});
    for (size_t length = 0; length < whole.size(); ++length) {
        ui.clear();
        KeepingImage cut;
        EXPECT_FALSE(ReadGridBytes(cut, whole.data(), length, false, 1.0, ""));
        EXPECT_FALSE(cut.IsAllocated());
        if (length >= 56) {
            EXPECT_EQ(ui.messageLines(),
                      (std::vector<std::string>{"Grid file shorter than its size?: read_grd_menu"}));
        }
    }
    KeepingImage image;
    ASSERT_TRUE(ReadGridBytes(image, whole.data(), whole.size(), false, 1.0, ""));
    EXPECT_EQ(Pixels(image), (std::vector<int>{5, 6, 3, 4, 1, 2}));
    auto file = whole;
    ui.clear();

    file[0] = 'X';
    KeepingImage none;
    EXPECT_FALSE(ReadGridBytes(none, file.data(), file.size(), false, 1.0, ""));
    EXPECT_TRUE(ui.messages.empty());

    auto huge = HandGrid(60000, 60000, 0, 255, {1});
    EXPECT_FALSE(ReadGridBytes(none, huge.data(), huge.size(), false, 1.0, ""));
    EXPECT_FALSE(none.IsAllocated());

    ui.clear();
    EXPECT_TRUE(EncodeGrid(nullptr, 1.0).empty());
    KeepingImage plain;
    ASSERT_TRUE(plain.Allocate(2, 2, 8));
    std::string path = testing::TempPath("plain.grd");
    EXPECT_FALSE(WriteGrid(&plain, path, 1.0));
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"No active image?: write_grd_menu",
                                                           "Not Z registered?: write_grd_menu"}));
}

}  // namespace
}  // namespace orvex::formats
