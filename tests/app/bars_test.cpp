#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/palette_bar.h"
#include "app/scale_bar.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"

using namespace orvex;
using namespace orvex::app;

namespace {

struct BarsTest : ::testing::Test {
    platform::HeadlessUi ui;
    std::filesystem::path dir;
    void SetUp() override {
        platform::setUi(&ui);
        dir = std::filesystem::temp_directory_path() /
              ("orvex_bars_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        palfile().reset();
        scaleBar().reset();
    }
    void TearDown() override {
        platform::setUi(nullptr);
        std::filesystem::remove_all(dir);
    }
    std::string write(const std::string& name, const std::string& body) {
        auto path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << body;
        return path;
    }
    // The layout the false-colour files are written in, CR LF and all.
    std::string fc(const std::string& interpolate, const std::vector<std::string>& items) {
        std::string s = "False color description for Orvex\n\n\r\n\r\nBEGIN Items\r\n " + interpolate + "\r\n";
        for (auto& i : items) s += " " + i + "\r\n";
        return s + "END Items\r\n\r\n";
    }
};

}  // namespace

TEST_F(BarsTest, TwoEndItemsInterpolateToAGreyRamp) {
    auto path = write("ramp.fc", fc("Interpolate=1", {"Item=0 0 0 black", "Item=255 255 16777215 white"}));
    ASSERT_TRUE(palfile().ReadDefaultPalette(path));
    EXPECT_TRUE(ui.messages.empty());
    auto p = palfile().defaultPalette();
    for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(p[i], i | i << 8 | i << 16) << i;
}

TEST_F(BarsTest, InterpolationFillsRunsBetweenDefinedEntriesPerChannel) {
    // Entry 10 red 200, entry 20 blue 100: each channel goes its own way.
    auto path = write("two.fc", fc("Interpolate=1", {"Item=10 10 200 a", "Item=20 20 6553600 b"}));
    ASSERT_TRUE(palfile().ReadDefaultPalette(path));
    auto& raw = palfile().rawPalette();
    EXPECT_EQ(raw[0], 0u);    // undefined ends become black
    EXPECT_EQ(raw[255], 0u);
    EXPECT_EQ(raw[5], static_cast<uint32_t>(0 + 200 * 5 / 10));  // 0..10 from black to red
    // Entry 15 between a = (200,0,0) and b = (0,0,100): k - j + 1 = 5 of i - j + 2 = 10.
    uint32_t red = 200 + (0 - 200) * 5 / 10, blue = 100 * 5 / 10;
    EXPECT_EQ(raw[15], red | blue << 16);
    // Past 20, towards black at 255.
    EXPECT_EQ(raw[254] >> 16, static_cast<uint32_t>(100 + (0 - 100) * 234 / 235));
}

TEST_F(BarsTest, WithoutInterpolationUndefinedEntriesStayMarked) {
    auto path = write("ranges.fc", fc("Interpolate=0", {"Item=0 127 255 red"}));
    ASSERT_TRUE(palfile().ReadDefaultPalette(path));
    EXPECT_EQ(palfile().rawPalette()[127], 255u);
    EXPECT_EQ(palfile().rawPalette()[128], PALFILE::kUndefined);
    EXPECT_EQ(palfile().defaultPalette()[128], 0u);
}

TEST_F(BarsTest, BadItemLinesAreReportedAndSkipped) {
    auto path = write("bad.fc", fc("Interpolate=0", {"Item=10 5 255 reversed", "Item=0 0 16777216 toobig",
                                                      "Colour=1 1 1", "Item=3 4", "Item=1 1 99 ok"}));
    ASSERT_TRUE(palfile().ReadDefaultPalette(path));
    std::vector<std::string> expected = {"invalid index: parse_colors", "invalid color: parse_colors",
                                         "trying to parse non-color line: parse_color",
                                         "overrun on color string: parse_colors"};
    EXPECT_EQ(ui.messageLines(), expected);
    EXPECT_EQ(palfile().rawPalette()[1], 99u);
    EXPECT_EQ(palfile().rawPalette()[10], PALFILE::kUndefined);
}

TEST_F(BarsTest, FileLevelFaultsStopTheReadWithTheirCaptions) {
    auto missing = (dir / "none.fc").string();
    EXPECT_FALSE(palfile().ReadDefaultPalette(missing));
    std::vector<std::string> expected = {"file open failed: " + missing, "read_pal_menu: " + missing};
    EXPECT_EQ(ui.messageLines(), expected);

    struct Case {
        std::string body, caption;
    } cases[] = {
        {"Colour list\r\n", "not .fc file: read_pal_menu"},
        {"False color description for Orvex\r\nnothing here\r\n", "hit eof: read_pal_menu"},
        {"False color description for Orvex\r\nBEGIN Items\r\n Item=1 1 1\r\n", "Interpolate?: read_pal_menu"},
        {"false COLOR description for orvex\r\nBEGIN Items\r\n Interpolate=1\r\n Item=1 1 1\r\n",
         "EOF before 'END Items line: read_pal_menu"},
    };
    for (auto& c : cases) {
        ui.clear();
        EXPECT_FALSE(palfile().ReadDefaultPalette(write("case.fc", c.body)));
        ASSERT_EQ(ui.messageLines().size(), 1u) << c.caption;
        EXPECT_EQ(ui.messageLines()[0], c.caption);
    }
}

TEST_F(BarsTest, StartUpFallsBackToTheGreyRamp) {
    palfile().defaultPalettePath = (dir / "gone.fc").string();
    palfile().LoadDefaultPalette();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(palfile().hasDefaultPalette());
    EXPECT_EQ(palfile().defaultPalette()[77], 77u | 77u << 8 | 77u << 16);
    ui.clear();
    palfile().defaultPalettePath.clear();
    palfile().LoadDefaultPalette();
    EXPECT_TRUE(ui.messages.empty());  // nothing configured: nothing to complain about
}

TEST_F(BarsTest, ScaleBarLengthsAreRoundAndLargeChoosesTheFullOne) {
    ScaleBar& bar = scaleBar();
    bar.large = true;
    EXPECT_DOUBLE_EQ(bar.Length(750), 500);
    EXPECT_DOUBLE_EQ(bar.Length(1.2), 1);
    EXPECT_DOUBLE_EQ(bar.Length(300), 200);
    EXPECT_DOUBLE_EQ(bar.Length(1000), 1000);
    EXPECT_DOUBLE_EQ(bar.Length(1e9), 1e8);  // 10^7, five times it, then twice that
    bar.large = false;
    EXPECT_DOUBLE_EQ(bar.Length(750), 50);
    EXPECT_DOUBLE_EQ(bar.Length(1.2), 0.1);
    EXPECT_EQ(bar.LabelText(500, "microns"), "500 microns");
    EXPECT_EQ(bar.LabelText(1, "um"), "1 um");
    EXPECT_EQ(bar.LabelText(12345, "a very long unit name").size(), 20u);
}

TEST_F(BarsTest, ScaleBarPositionsFollowTheFiveByFiveGrid) {
    ScaleBar& bar = scaleBar();
    // An image 0..300 wide and 0..600 high (left, top, right, bottom).
    auto at = [&](int p) {
        bar.position = p;
        return bar.Centre(0, 600, 300, 0);
    };
    orvex::RealPoint p15 = at(15);
    EXPECT_DOUBLE_EQ(p15.x, 150);        // horizontal centre
    EXPECT_DOUBLE_EQ(p15.y, 300 - 200);  // a third of the height below the centre
    orvex::RealPoint p3 = at(3);
    EXPECT_DOUBLE_EQ(p3.x, 150 - 200);
    EXPECT_DOUBLE_EQ(p3.y, 300 + 200);
    orvex::RealPoint p1 = at(1);
    EXPECT_DOUBLE_EQ(p1.x, 150);
    EXPECT_DOUBLE_EQ(p1.y, 300 + 400);
    orvex::RealPoint p19 = at(19);
    EXPECT_DOUBLE_EQ(p19.x, 150);
    EXPECT_DOUBLE_EQ(p19.y, 300 - 400);
}

TEST_F(BarsTest, ScaleBarDrawsItsLineTicksAndLabelThroughTheMapping) {
    ScaleBar& bar = scaleBar();
    bar.large = true;
    bar.position = 15;
    // A 751-pixel-wide image, one unit per pixel, 101 rows: its outer edges
    // at the window's top-left.
    orvex::DisplayMapping dm{-0.5, 100.5, 1, 1, 1};
    const orvex::DisplayMapping* m = &dm;
    platform::RecordingSurface s;
    bar.Draw(0, 100, 750, 0, "um", s, m, false);
    // Centre x = 375 -> window 375.5, y = 50 - 33.33 = 16.67 -> row 83.33 -> window 83.83.
    ASSERT_GE(s.calls.size(), 5u);
    EXPECT_EQ(s.calls[0], "pen ffffff 3 0");
    EXPECT_EQ(s.calls[1], "line 126 84 626 84");  // 500 units long
    EXPECT_EQ(s.calls[2], "line 126 59 126 109"); // ticks of l / 10
    EXPECT_EQ(s.calls.back(), "text 352 94 500 um");  // below: position 15 / 5 > 1

    s.calls.clear();
    bar.black = true;
    bar.Draw(0, 100, 750, 0, "um", s, m, true);
    EXPECT_EQ(s.calls[0], "pen 000000 12 0");  // thick times the print factor
    bar.hide = true;
    s.calls.clear();
    bar.Draw(0, 100, 750, 0, "um", s, m, false);
    EXPECT_TRUE(s.calls.empty());
}

TEST_F(BarsTest, PaletteBarShowsUsedEntriesOrTheWholeDefaultPalette) {
    PALFILE& bar = palfile();
    bar.SetGreyDefaultPalette();
    bar.label = true;
    PaletteBarImage image;
    image.left = 0;
    image.right = 150;
    image.top = 299;
    image.bottom = 0;
    image.zRegistered = true;
    image.zLow = 0;
    image.zHigh = 255;
    image.zUnits = "wt%";
    auto grey = bar.defaultPalette();
    image.palette.assign(grey.begin(), grey.end());
    image.minValue = 10;
    image.maxValue = 20;
    orvex::DisplayMapping dm{-0.5, 299.5, 1, 1, 1};
    const orvex::DisplayMapping* m = &dm;

    double l, t, r, b;
    ASSERT_TRUE(bar.StripRect(image, l, t, r, b));
    EXPECT_DOUBLE_EQ(l, -0.05 * 150 - 10);
    EXPECT_DOUBLE_EQ(r, -0.05 * 150);

    platform::RecordingSurface s;
    bar.Draw(image, s, m);
    int fills = 0;
    for (auto& c : s.calls) fills += c.rfind("fill", 0) == 0;
    EXPECT_EQ(fills, 256 + 3);  // every entry, and a background behind each label
    EXPECT_EQ(s.calls.back().substr(s.calls.back().rfind(' ') + 1), "255");

    // A palette of its own: only the entries the pixels use, labelled by their values.
    image.palette[0] = 0x0000FF;
    s.calls.clear();
    bar.Draw(image, s, m);
    fills = 0;
    for (auto& c : s.calls) fills += c.rfind("fill", 0) == 0;
    EXPECT_EQ(fills, 11 + 3);
    EXPECT_NE(std::find_if(s.calls.begin(), s.calls.end(),
                           [](auto& c) { return c.find(" wt%") != std::string::npos; }),
              s.calls.end());

    image.zRegistered = false;
    s.calls.clear();
    bar.Draw(image, s, m);
    EXPECT_TRUE(s.calls.empty());

    // A bad position draws nothing and says nothing from a repaint: it is
    // told once, when the settings are read.
    image.zRegistered = true;
    bar.position = 7;
    const size_t told = ui.messageLines().size();
    bar.Draw(image, s, m);
    bar.Draw(image, s, m);
    EXPECT_TRUE(s.calls.empty());
    EXPECT_EQ(ui.messageLines().size(), told);

    bar.reset();
    bar.Draw(image, s, m);
    EXPECT_EQ(ui.messageLines().back(), "no default palette: PALFILE::Draw()");
}

TEST_F(BarsTest, ABadPalettePositionIsToldOnceWhenReadAndFallsBack) {
    const std::string ini = write("Orvex.ini", "[palettebar]\nposition=9\n");
    PALFILE& bar = palfile();
    bar.ReadBarSettings(ini);
    ASSERT_EQ(ui.messageLines().size(), 1u);
    EXPECT_EQ(ui.messageLines().back(), "PALFILE::GetValues(): Bad Palette Position");
    EXPECT_EQ(bar.position, 2);
    // Drawn at the fallback, many times over, with no further message.
    bar.SetGreyDefaultPalette();
    PaletteBarImage image;
    image.right = 100;
    image.top = 50;
    image.zRegistered = true;
    auto grey = bar.defaultPalette();
    image.palette.assign(grey.begin(), grey.end());
    orvex::DisplayMapping dm{-0.5, 50.5, 1, 1, 1};
    platform::RecordingSurface s;
    for (int i = 0; i < 5; ++i) bar.Draw(image, s, &dm);
    EXPECT_FALSE(s.calls.empty());
    EXPECT_EQ(ui.messageLines().size(), 1u);
    // A good position reads silently.
    bar.ReadBarSettings(write("good.ini", "[palettebar]\nposition=4\n"));
    EXPECT_EQ(bar.position, 4);
    EXPECT_EQ(ui.messageLines().size(), 1u);
}

TEST_F(BarsTest, TheValueRangeIsCountedWhenRowsChangeNotOnEveryRepaint) {
    windowList().Reset();
    const ImageHandle window = CreateImage(40, 30, PaletteGrey, true, 8);
    std::vector<uint8_t> row(40, 50);
    for (int r = 0; r < 30; ++r) WriteLine8(window, r, row.data());
    row[3] = 7;
    WriteLine8(window, 12, row.data());
    row[3] = 200;
    WriteLine8(window, 20, row.data());

    int lo = 0, hi = 0;
    const long long before = PaletteBarRowsRead();
    ASSERT_TRUE(PaletteBarValueRange(window, lo, hi));
    EXPECT_EQ(PaletteBarRowsRead() - before, 30);  // the first look reads every row
    EXPECT_EQ(lo, 7);
    EXPECT_EQ(hi, 200);
    // Looked at again (a repaint): nothing is read.
    ASSERT_TRUE(PaletteBarValueRange(window, lo, hi));
    EXPECT_EQ(PaletteBarRowsRead() - before, 30);
    // One row written: that row alone, and the range may shrink as well as grow.
    row.assign(40, 60);
    WriteLine8(window, 20, row.data());
    ASSERT_TRUE(PaletteBarValueRange(window, lo, hi));
    EXPECT_EQ(PaletteBarRowsRead() - before, 31);
    EXPECT_EQ(lo, 7);
    EXPECT_EQ(hi, 60);

    // A window without a Z registration shows no bar and reads nothing.
    palfile().SetGreyDefaultPalette();
    const ImageHandle plain = CreateImage(64, 64, PaletteGrey, true, 8);
    platform::RecordingSurface s;
    const long long beforePlain = PaletteBarRowsRead();
    DrawPaletteBar(plain, s);
    EXPECT_EQ(PaletteBarRowsRead(), beforePlain);
    windowList().Reset();
}
