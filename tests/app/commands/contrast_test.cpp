// Basic > Contrast Enhancement, Display Palette and Normalize(16->8) run as
// menu commands on headless images: palettes, pixels, messages and history.
#include <fstream>

#include "app/commands/contrast.h"
#include "app/palette_bar.h"
#include "imagestore/image_info.h"
#include "processing/colour_list.h"
#include "processing/contrast.h"
#include "processing/contrast_dialogs.h"
#include "processing/contrast_histogram.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

const std::string kMenu = "Basic > Contrast Enhancement > ";

class ContrastCommands : public testing::ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        app::palfile().reset();
        linearStretchSettings() = LinearStretchSettings{};
        RegisterContrastCommands();
    }
    void TearDown() override {
        app::palfile().reset();
        ToolkitTest::TearDown();
    }
    void run(const std::string& path) { EXPECT_EQ(app::commandTable().run(path), app::CommandTable::RunResult::Done) << path; }
    static std::vector<uint32_t> greyRamp() {
        std::vector<uint32_t> p(256);
        for (uint32_t i = 0; i < 256; ++i) p[i] = i * 0x010101u;
        return p;
    }
};

TEST_F(ContrastCommands, CommandsNeedAnActiveImage) {
    EXPECT_EQ(app::commandTable().run(kMenu + "&Negate Palette"), app::CommandTable::RunResult::Disabled);
    EXPECT_FALSE(app::commandTable().isEnabled("Basic > &False Color"));
    image(2, 2, 8, [](int, int) { return 0; });
    for (const char* path : {"Histogram &Equalization", "&Linear Stretch", "Set &Gray Scale", "Set &Color Scale",
                             "&Brightness/Contrast", "&Optimize Palette", "&Negate Palette", "Stretch Palette",
                             "Unstretch Palette"})
        EXPECT_TRUE(app::commandTable().isEnabled(kMenu + path)) << path;
    EXPECT_TRUE(app::commandTable().isEnabled("Basic > Display &Palette"));
    EXPECT_TRUE(app::commandTable().isEnabled("Basic > &Normalize(16->8)"));
}

TEST_F(ContrastCommands, EqualizationBoundariesAndTheirMapping) {
    // Four equal populations at 10, 20, 30 and 40, and a few pixels at 0 and 255.
    std::vector<float> p(256, 0.0f);
    p[0] = 5;
    p[255] = 5;
    for (int v : {10, 20, 30, 40}) p[v] = 22.5f;
    EXPECT_EQ(EqualizationBoundaries(p, 2), (std::vector<int>{0, 30, 255}));
    // A histogram on too few values leaves the missing boundaries at 255: empty classes.
    EXPECT_EQ(EqualizationBoundaries(p, 8), (std::vector<int>{0, 10, 20, 30, 40, 255, 255, 255, 255}));
    const std::vector<int> b{0, 30, 255};
    EXPECT_EQ(EqualizedValue(b, 128.0, 0, 255), 0);
    EXPECT_EQ(EqualizedValue(b, 128.0, 15, 255), 64);
    EXPECT_EQ(EqualizedValue(b, 128.0, 30, 255), 128);
    EXPECT_EQ(EqualizedValue(b, 128.0, 255, 255), 255);  // in no class: unchanged
}

TEST_F(ContrastCommands, EqualizationOfThePaletteAndOfACopy) {
    ImageHandle w = image(4, 4, 8, [](int, int r) { return 10 * (1 + r); });  // 10, 20, 30, 40
    const auto before = palette(w);
    dialog({setValue("Number of Classes", 0), press("OK")});  // 2 classes, Transform Palette
    run(kMenu + "Histogram &Equalization");
    auto p = palette(w);
    // The running share exceeds 50 % at 30: classes 0..30 and 30..255, S = 128.
    EXPECT_EQ(p[0], before[0]);
    EXPECT_EQ(p[10], before[42]);
    EXPECT_EQ(p[30], before[128]);
    EXPECT_EQ(p[40], before[133]);
    EXPECT_EQ(p[255], before[255]);
    EXPECT_EQ(LiveImage(w)->GetPaletteKind(), PaletteCustom);
    EXPECT_EQ(ActiveImageWindow(), w);

    SetPalette(w, before.data(), 256, PaletteCustom);
    dialog({setValue("Number of Classes", 0), choose("Transform Image"), press("OK")});
    run(kMenu + "Histogram &Equalization");
    const ImageHandle copy = ActiveImageWindow();
    ASSERT_NE(copy, w);
    EXPECT_EQ(row(copy, 0), (std::vector<int>{42, 42, 42, 42}));
    EXPECT_EQ(row(copy, 3), (std::vector<int>{133, 133, 133, 133}));
    EXPECT_EQ(row(w, 1), (std::vector<int>{20, 20, 20, 20}));
    EXPECT_EQ(historyLines("duplicate: ").size(), 3u);
    EXPECT_EQ(ui.progress.back(), 100);
}

TEST_F(ContrastCommands, SixteenBitEqualizationKeepsSixteenBits) {
    image(4, 1, 16, [](int c, int) { return 1000 * (c + 1); });
    dialog({setValue("Number of Classes", 0), choose("Transform Image"), press("OK")});
    run(kMenu + "Histogram &Equalization");
    const ImageHandle copy = ActiveImageWindow();
    ASSERT_EQ(LiveImage(copy)->Depth(), 16);
    // Boundaries 0, 3000 and the highest value 4000 (left as it is); S = 32768.
    EXPECT_EQ(row(copy, 0), (std::vector<int>{10922, 21845, 32768, 4000}));
}

TEST_F(ContrastCommands, LinearStretchOfThePaletteMapsTheDataRange) {
    ImageHandle w = image(191, 1, 8, [](int c, int) { return 10 + c; });  // 10 .. 200
    std::vector<uint32_t> old(256);
    for (uint32_t i = 0; i < 256; ++i) old[i] = 0x000100u * i + 3;
    SetPalette(w, old.data(), 256, PaletteCustom);
    dialog({press("OK")});
    run(kMenu + "&Linear Stretch");
    const auto p = palette(w);
    EXPECT_EQ(p[9], 0u);
    EXPECT_EQ(p[10], old[0]);
    EXPECT_EQ(p[200], old[255]);
    EXPECT_EQ(p[201], 0xFFFFFFu);
    // Steps of 190 / 255 from 10 in single precision: entry 11 is first
    // reached by old entry 2, entry 100 by 121, entry 150 by 188.
    EXPECT_EQ(p[11], old[2]);
    EXPECT_EQ(p[100], old[121]);
    EXPECT_EQ(p[150], old[188]);
    EXPECT_EQ(p[199], old[254]);
}

TEST_F(ContrastCommands, LinearStretchEndsWithAndWithoutCuts) {
    std::vector<float> p(256, 0.0f);
    p[0] = 100;
    const StretchEnds single = LinearStretchEnds(p, 0, 0);
    EXPECT_EQ(single.low, 0);
    EXPECT_EQ(single.high, 1);
    std::vector<float> q(256, 0.0f);
    for (int v = 0; v < 10; ++v) q[100 + v] = 10;
    const StretchEnds cut = LinearStretchEnds(q, 15, 25);
    EXPECT_EQ(cut.low, 101);  // the running share passes 15 at the second value
    EXPECT_EQ(cut.high, 107);
    std::vector<float> top(256, 0.0f);
    top[255] = 100;
    EXPECT_EQ(LinearStretchEnds(top, 0, 0).low, 254);
}

TEST_F(ContrastCommands, LinearStretchIntoACopyWithPercentagesKeptForTheNextRun) {
    ImageHandle w = image(10, 1, 8, [](int c, int) { return 100 + c; });
    dialog({setValue("Use Percentage", 1), setText("Starting", "15"), setText("Ending", "25"),
            choose("Transform Image"), press("OK")});
    run(kMenu + "&Linear Stretch");
    const ImageHandle copy = ActiveImageWindow();
    ASSERT_NE(copy, w);
    // f = 101, n = 107: t = (m - 101) x 256 / 6.
    EXPECT_EQ(row(copy, 0), (std::vector<int>{0, 0, 42, 85, 128, 170, 213, 255, 255, 255}));
    EXPECT_EQ(historyLines("Linear Stretch (transform image):  "),
              (std::vector<std::string>{"Linear Stretch (transform image):  ", "  old image: " + name(w),
                                        "  new image: " + name(copy)}));
    // The settings come back; a faulty percentage keeps the dialog open.
    ui.queue(platform::DialogScript{{setText("Starting", "x1"), press("OK")}, [](platform::DialogModel& d) {
        EXPECT_EQ(d.find("Use Percentage")->value, 1);
        EXPECT_EQ(d.find("Ending")->text, "x1" == d.find("Starting")->text ? "25.000" : "");
        EXPECT_EQ(d.find("Transform Image")->value, 1);
        EXPECT_FALSE(d.closed());
    }});
    windowList().SetActive(w);
    run(kMenu + "&Linear Stretch");
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Starting: Entry must be numeric"}));
    EXPECT_EQ(ActiveImageWindow(), w);
}

TEST_F(ContrastCommands, SixteenBitLinearStretchIntoACopy) {
    // Ten values, a tenth of the pixels each: cuts of 15% and 25% give
    // f = 1001 and n = 1007, factor 65535 / 6.
    ImageHandle w = image(10, 2, 16, [](int c, int) { return 1000 + c; });
    dialog({setValue("Use Percentage", 1), setText("Starting", "15"), setText("Ending", "25"),
            choose("Transform Image"), press("OK")});
    run(kMenu + "&Linear Stretch");
    const ImageHandle copy = ActiveImageWindow();
    ASSERT_NE(copy, w);
    EXPECT_EQ(LiveImage(copy)->Depth(), 16);
    const std::vector<int> stretched{0, 0, 10922, 21845, 32767, 43690, 54612, 65535, 65535, 65535};
    EXPECT_EQ(row(copy, 0), stretched);
    EXPECT_EQ(row(copy, 1), stretched);
    EXPECT_EQ(row(w, 0)[2], 1002);  // the source stays as it is
    EXPECT_EQ(historyLines("Linear Stretch (transform image):  ").size(), 3u);

    // Without cuts the whole range 2000 .. 2003 spreads over 0 .. 65535.
    ImageHandle narrow = image(4, 1, 16, [](int c, int) { return 2000 + c; });
    dialog({setValue("Use Percentage", 0), choose("Transform Image"), press("OK")});
    run(kMenu + "&Linear Stretch");
    ASSERT_NE(ActiveImageWindow(), narrow);
    EXPECT_EQ(row(ActiveImageWindow(), 0), (std::vector<int>{0, 21845, 43690, 65535}));

    // One value only: the ends meet and nothing is made.
    ImageHandle flat = image(3, 1, 16, [](int, int) { return 777; });
    const int before = windowList().Count();
    dialog({choose("Transform Image"), press("OK")});
    run(kMenu + "&Linear Stretch");
    EXPECT_EQ(windowList().Count(), before);
    EXPECT_EQ(ActiveImageWindow(), flat);
}

TEST_F(ContrastCommands, EscapeStopsTheCountingAtOnceAndTheCopyAfterTheQuestion) {
    // Every row alike, so the histogram of the first row is that of the image.
    ImageHandle w = image(4, 4, 8, [](int c, int) { return 100 + 20 * c; });
    dialog({choose("Transform Image"), press("OK")});
    ui.pendingEscapes = 2;  // one for the counting, one for the copy's first row
    ui.queue(platform::Answer::Yes);
    run(kMenu + "&Linear Stretch");
    const ImageHandle copy = ActiveImageWindow();
    ASSERT_NE(copy, w);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Verify: Do you wish to cancel this operation?"}));
    // f = 100, n = 160: the first row is stretched, the rest stay as copied.
    EXPECT_EQ(row(copy, 0), (std::vector<int>{0, 85, 170, 255}));
    EXPECT_EQ(row(copy, 1), row(w, 1));
    EXPECT_EQ(row(copy, 3), row(w, 3));
}

TEST_F(ContrastCommands, GreyAndColourScales) {
    ImageHandle w = image(2, 2, 8, [](int, int) { return 0; });
    LiveImage(w)->ApplyPaletteKind(PaletteGreen);
    run(kMenu + "Set &Gray Scale");
    auto p = palette(w);
    EXPECT_EQ(p[255], 0x00FF00u);
    EXPECT_EQ(p[128], 0x008000u);

    WriteColourList(LastColourListPath(app::application().programFolder), {{0x000000, "black"}, {0x0A0014, "dark red"}, {0x0A0014, "again"}});
    dialog({setValue(ColourListDialog::kList, 0), press("OK")});
    dialog({setValue(ColourListDialog::kList, 1), press("OK")});
    run(kMenu + "Set &Color Scale");
    p = palette(w);
    // Red moves by 20, so the ramp has 20 entries: one step short of the end colour.
    EXPECT_EQ(p[0], 0u);
    EXPECT_EQ(p[1], 0x000001u);
    EXPECT_EQ(p[19], 0x090013u);
    EXPECT_EQ(p[20], 0x0A0014u);
    EXPECT_EQ(ui.dialogsRun, (std::vector<std::string>{"Pick Start", "Pick End"}));

    // Identical colours: a ramp of length 0, every entry the colour.
    dialog({setValue(ColourListDialog::kList, 1), press("OK")});
    dialog({setValue(ColourListDialog::kList, 2), press("OK")});
    run(kMenu + "Set &Color Scale");
    EXPECT_EQ(palette(w), std::vector<uint32_t>(256, 0x0A0014u));
    // Cancelling either pick changes nothing.
    ui.queue(platform::CancelAnswer{});
    run(kMenu + "Set &Color Scale");
    EXPECT_EQ(palette(w), std::vector<uint32_t>(256, 0x0A0014u));
}

TEST_F(ContrastCommands, BrightnessContrastShiftsThePaletteAndCancelRestoresIt) {
    ImageHandle w = image(2, 2, 8, [](int, int) { return 0; });
    const auto grey = greyRamp();
    SetPalette(w, grey.data(), 256, PaletteCustom);
    dialog({setValue("Brightness", 100), press("Apply"), press("OK")});
    run(kMenu + "&Brightness/Contrast");
    auto p = palette(w);
    // Half the graph height up: every channel gains N / 2, clamped at N - 1.
    EXPECT_EQ(p[0] & 0xFF, 128u);
    EXPECT_EQ(p[200], 0xFFFFFFu);

    SetPalette(w, grey.data(), 256, PaletteGrey);
    ui.queue(platform::DialogScript{{setValue("Auto Apply", 1), setValue("Contrast", 89)},
                                    [&](platform::DialogModel&) { EXPECT_NE(palette(w), grey); }});
    run(kMenu + "&Brightness/Contrast");  // left open: cancelled
    EXPECT_EQ(palette(w), grey);
    EXPECT_EQ(LiveImage(w)->GetPaletteKind(), PaletteGrey);
}

TEST_F(ContrastCommands, OptimizePaletteDropsRepeatsAndUnusedColours) {
    // Values 3 and 9 only; entries 3 and 5 share one colour, as do 9 and 200.
    ImageHandle w = image(4, 2, 8, [](int c, int) { return c < 2 ? 5 : 200; });
    std::vector<uint32_t> colours = greyRamp();
    colours[5] = colours[3] = 0x112233;
    colours[200] = colours[9] = 0x000044;
    SetPalette(w, colours.data(), 256, PaletteCustom);
    SetRegistration(w, {1, 2}, {4, 3});
    ui.queue(platform::DialogScript{{setValue("Compress", 1), setValue("Delete", 1)}, [](platform::DialogModel& d) {
        EXPECT_EQ(d.find("Duplicate Colors Present:")->text, "Yes");
        EXPECT_EQ(d.find("Palette Is Random:")->text, "Random");
        EXPECT_EQ(d.find("Unused Colors Present:")->text, "Yes");
        EXPECT_EQ(d.find("Minimum Number Of Colors Possible:")->text, "2");
        EXPECT_EQ(d.find("Minimum Color Resolution Possible:")->text, "1 bit");
        d.press("OK");
    }});
    run(kMenu + "&Optimize Palette");
    const ImageHandle copy = ActiveImageWindow();
    ASSERT_NE(copy, w);
    EXPECT_EQ(LiveImage(copy)->Depth(), 1);
    // The compressed colours live on at their first entries (3 and 9), which
    // no pixel uses: they must not be deleted.
    EXPECT_EQ(palette(copy), (std::vector<uint32_t>{0x112233, 0x000044}));
    EXPECT_EQ(row(copy, 1), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_TRUE(LiveImage(copy)->IsPositionRegistered());

    // Nothing checked: OK stays greyed.
    ui.queue(platform::DialogScript{{press("OK")}, [](platform::DialogModel& d) {
        EXPECT_FALSE(d.find("OK")->enabled);
        EXPECT_FALSE(d.find("Compress")->enabled);
    }});
    run(kMenu + "&Optimize Palette");
    EXPECT_EQ(ActiveImageWindow(), copy);
}

TEST_F(ContrastCommands, NegateStretchAndUnstretch) {
    ImageHandle a = image(2, 1, 8, [](int c, int) { return 100 + 100 * c; });
    ImageHandle b = image(2, 1, 16, [](int c, int) { return 4096 + 8191 * c; });
    std::vector<uint32_t> base(256);
    for (uint32_t i = 0; i < 256; ++i) base[i] = 0x010000u * i + 0x40;
    const std::string fc = (dir / "base.fc").string();
    {
        std::ofstream out(fc, std::ios::binary);
        out << "False color description for Orvex\n\n\r\n\r\nBEGIN Items\r\n Interpolate=1\r\n"
            << " Item=0 0 64 \r\n Item=255 255 " << (0xFF0040) << " \r\nEND Items\r\n\r\n";
    }
    ASSERT_TRUE(app::palfile().ReadDefaultPalette(fc));
    const auto def = app::palfile().defaultPalette();

    run(kMenu + "&Negate Palette");  // b is active
    EXPECT_EQ(palette(b)[0], 0xFFFFFFu);
    EXPECT_EQ(palette(b)[0x12], 0xEDEDEDu);

    pick(a);
    pick(b);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    run(kMenu + "Stretch Palette");
    EXPECT_EQ(palette(a)[99], 0u);
    EXPECT_EQ(palette(a)[100], def[0]);
    EXPECT_EQ(palette(a)[200], def[255]);
    EXPECT_EQ(palette(b)[16], def[0]);  // 4096 .. 12287 through the high byte
    EXPECT_EQ(palette(b)[47], def[255]);

    pick(b);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    run(kMenu + "Unstretch Palette");
    EXPECT_EQ(palette(b), std::vector<uint32_t>(def.begin(), def.end()));
    EXPECT_EQ(palette(a)[99], 0u);
}

TEST_F(ContrastCommands, NormalizeSixteenBitsToEight) {
    ImageHandle w = image(3, 2, 16, [](int c, int) { return 1000 + 1000 * c; });
    ZRegistration z;
    z.flag = 1;
    z.low = 0;
    z.high = 65535;
    z.units = "counts";
    SetZRegistration(w, z);
    SetRegistration(w, {5, 6}, {7, 8});
    LiveImage(w)->SetText(TextArtist, "probe");
    run("Basic > &Normalize(16->8)");
    const ImageHandle made = ActiveImageWindow();
    ASSERT_NE(made, w);
    EXPECT_EQ(LiveImage(made)->Depth(), 8);
    EXPECT_EQ(row(made, 0), (std::vector<int>{0, 127, 255}));
    // No default palette loaded: the grey ramp, stretched over the new data's
    // whole range 0 .. 255, not a black palette.
    EXPECT_EQ(palette(made), greyRamp());
    ZRegistration out;
    GetZRegistration(made, out);
    EXPECT_EQ(out.flag, 1);
    EXPECT_DOUBLE_EQ(out.low, 1000);
    EXPECT_DOUBLE_EQ(out.high, 3000);
    EXPECT_EQ(out.units, "counts");
    EXPECT_EQ(LiveImage(made)->GetText(TextArtist), "probe");
    EXPECT_NE(name(made), name(w));
    RealPoint ll, ur;
    GetCorners(made, ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 5);
    EXPECT_DOUBLE_EQ(ur.y, 8);
    EXPECT_EQ(historyLines("convert 16 to 8: "),
              (std::vector<std::string>{"convert 16 to 8: ", "  16 bit image:  " + name(w),
                                        "  8 bit image:  " + name(made)}));
    run("Basic > &Normalize(16->8)");
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"convert16to8normalize: Image is already 8-bit data"}));
    EXPECT_EQ(ActiveImageWindow(), made);
}

TEST_F(ContrastCommands, DisplayPaletteShowsEveryIndex) {
    ImageHandle w = image(2, 2, 8, [](int, int) { return 0; });
    std::vector<uint32_t> colours(16);
    for (uint32_t i = 0; i < 16; ++i) colours[i] = 0x100000u * i + 1;
    SetPalette(w, colours.data(), 16, PaletteCustom);
    run("Basic > Display &Palette");
    const ImageHandle shown = ActiveImageWindow();
    ASSERT_NE(shown, w);
    EXPECT_EQ(LiveImage(shown)->Width(), 16);
    EXPECT_EQ(row(shown, 0)[0], 240);
    EXPECT_EQ(row(shown, 0)[15], 255);
    EXPECT_EQ(row(shown, 15)[3], 3);
    EXPECT_EQ(palette(shown), colours);
    EXPECT_EQ(OV_Info_GetType(shown), IMAGETYPE_PALETTE);
    EXPECT_EQ(historyLines("palette display: "),
              (std::vector<std::string>{"palette display: ", "  source image:  " + name(w),
                                        "  palette image:  " + name(shown)}));
    palette_display();
    CloseImageWindow(shown);
    CloseImageWindow(w);
    CloseImageWindow(ActiveImageWindow());
    palette_display();
    EXPECT_EQ(ui.count("palette_display", "There is no active image"), 1);
}

TEST_F(ContrastCommands, PercentHistogramStopsAtEscape) {
    ImageHandle w = image(2, 4, 8, [](int, int r) { return r; });
    std::vector<float> p = PercentHistogram(w);
    EXPECT_FLOAT_EQ(p[0], 25.0f);
    EXPECT_FLOAT_EQ(p[3], 25.0f);
    ui.pendingEscapes = 1;  // taken after the first row
    p = PercentHistogram(w);
    EXPECT_FLOAT_EQ(p[0], 100.0f);
    EXPECT_FLOAT_EQ(p[1], 0.0f);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace orvex
