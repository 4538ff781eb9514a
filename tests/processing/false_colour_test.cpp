// False-colour definitions, their ".fc" files, the colour list and the
// False Color command driven through its dialogs.
#include "processing/false_colour.h"

#include <fstream>
#include <sstream>

#include "app/commands/contrast.h"
#include "app/palette_bar.h"
#include "processing/colour_list.h"
#include "processing/false_colour_dialog.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

std::vector<uint32_t> ramp(int n) {
    std::vector<uint32_t> p(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) p[static_cast<size_t>(i)] = 0x000100u * static_cast<uint32_t>(i) + 0x05;
    return p;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FalseColourPalette, InterpolationRampsBetweenLevelsAndKeepsTheBaseOutside) {
    FalseColourDefinition d{1, {{0, 0, 0x000000, "black"}, {255, 255, 0xFFFFFF, "white"}}};
    const auto grey = BuildFalseColourPalette(d, ramp(256));
    for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(grey[i], i * 0x010101u) << i;

    d.items = {{20, 20, 0x0000FF, "red"}, {10, 10, 0x00FF00, "green"}, {20, 20, 0xFF0000, "blue"}};
    const auto base = ramp(256);
    const auto p = BuildFalseColourPalette(d, base);
    EXPECT_EQ(p[9], base[9]);
    EXPECT_EQ(p[10], 0x00FF00u);
    EXPECT_EQ(p[15], 0x7F7F00u);  // half way to the later item at 20, which replaced red
    EXPECT_EQ(p[20], 0xFF0000u);
    EXPECT_EQ(p[21], base[21]);
}

TEST(FalseColourPalette, RangesPaintInOrderAndStopAtThePaletteCount) {
    FalseColourDefinition d{0, {{2, 9, 0x0000FF, "a"}, {5, 20, 0x00FF00, "b"}}};
    const auto p = BuildFalseColourPalette(d, ramp(16));
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(p[1], ramp(16)[1]);
    EXPECT_EQ(p[4], 0x0000FFu);
    EXPECT_EQ(p[5], 0x00FF00u);
    EXPECT_EQ(p[15], 0x00FF00u);
    EXPECT_EQ(FalseColourItemAt(d, 7), 1);
    EXPECT_EQ(FalseColourItemAt(d, 30), -1);
}

TEST(FalseColourPalette, DeletingASelectionCutsAndSplitsRanges) {
    FalseColourDefinition d{0, {{50, 100, 0x123456, "phase"}}};
    DeleteFalseColourRange(d, 70, 80);
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].from, 50);
    EXPECT_EQ(d.items[0].to, 69);
    EXPECT_EQ(d.items[1].from, 81);
    EXPECT_EQ(d.items[1].to, 100);
    EXPECT_EQ(d.items[1].colour, 0x123456u);
    EXPECT_EQ(d.items[1].name, "phase");
    // Reaching in from either side cuts; wholly inside goes.
    AddFalseColour(d, 60, 90, 0xFF, "new");
    ASSERT_EQ(d.items.size(), 3u);
    EXPECT_EQ(d.items[0].to, 59);
    EXPECT_EQ(d.items[1].from, 91);
    EXPECT_EQ(d.items[2].from, 60);
    EXPECT_EQ(d.items[2].to, 90);
    DeleteFalseColourRange(d, 0, 255);
    EXPECT_TRUE(d.items.empty());
}

class FalseColourFiles : public testing::ToolkitTest {};

TEST_F(FalseColourFiles, WrittenLinesAndWhatReadingSkips) {
    const auto path = dir / "one.fc";
    ASSERT_TRUE(WriteFalseColourFile(path.string(), {1, {{0, 255, 0xFFFFFF, "white"}}}));
    EXPECT_EQ(slurp(path), "False color description for Orvex\n\n\r\n\r\nBEGIN Items\r\n Interpolate=1\r\n"
                           " Item=0 255 16777215 white\r\nEND Items\r\n\r\n");
    std::ofstream(dir / "edge.fc", std::ios::binary)
        << "False color description for Orvex\n\n\r\n\r\nBEGIN Items\r\n Interpolate=0\r\n"
           " Item=250 256 255 top\r\n Item=250 257 65280 beyond\r\n Item=3 4 16711680 \r\n Item=junk\r\n"
           "END Items\r\n\r\n";
    FalseColourDefinition d{1, {{1, 1, 1, "old"}}};
    ASSERT_TRUE(ReadFalseColourFile((dir / "edge.fc").string(), 256, d));
    EXPECT_EQ(d.interpolate, 0);
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].name, "top");
    EXPECT_EQ(d.items[1].colour, 0xFF0000u);
    EXPECT_EQ(d.items[1].name, "");
    const auto p = BuildFalseColourPalette(d, ramp(256));
    EXPECT_EQ(p[250], 255u);
    EXPECT_EQ(p[255], 255u);
    EXPECT_FALSE(ReadFalseColourFile((dir / "none.fc").string(), 256, d));
    EXPECT_TRUE(d.items.empty());
}

TEST_F(FalseColourFiles, ThePaletteBarReadsWhatTheDialogWrites) {
    const auto path = (dir / "grey.fc").string();
    WriteFalseColourFile(path, {1, {{0, 0, 0, "black"}, {255, 255, 0xFFFFFF, "white"}}});
    app::palfile().reset();
    ASSERT_TRUE(app::palfile().ReadDefaultPalette(path));
    EXPECT_EQ(app::palfile().defaultPalette()[128], 0x808080u);
    EXPECT_TRUE(ui.messages.empty());
    app::palfile().reset();
}

TEST_F(FalseColourFiles, ColourListChooserAddsDeletesRenamesAndRemembers) {
    WriteColourList(LastColourListPath(app::application().programFolder), {{0x0000FF, "red"}, {0x00FF00, "green"}});
    EXPECT_EQ(ReadColourList(LastColourListPath(app::application().programFolder)).size(), 2u);
    ui.queue(platform::DialogScript{{press("Add..."), setText(ColourListDialog::kName, "teal"), press("OK")},
                                    [](platform::DialogModel& d) {
                                        EXPECT_EQ(d.caption(), "Pick Color");
                                        EXPECT_EQ(d.find(ColourListDialog::kList)->value, 2);
                                    }});
    ui.queue(uint32_t{0x808000});
    // The entry of the initial colour starts selected; Add goes after it.
    const auto chosen = ChooseColour(app::application().programFolder, "Pick Color", 0x00FF00);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->colour, 0x808000u);
    EXPECT_EQ(chosen->name, "teal");
    auto list = ReadColourList(LastColourListPath(app::application().programFolder));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].name, "teal");

    dialog({setValue(ColourListDialog::kList, 0), press("Delete"), press("Cancel")});
    EXPECT_FALSE(ChooseColour(app::application().programFolder, "Pick Color"));
    EXPECT_EQ(ReadColourList(LastColourListPath(app::application().programFolder)).size(), 3u);  // Cancel keeps the file
    std::ofstream(dir / "two.cl", std::ios::binary)
        << "Color List file for Pixmerel\n\n\r\n\r\nBEGIN Items\r\n Item=16777215 snow white\r\nEND Items\r\n";
    dialog({press("Load..."), press("OK")});
    ui.queue(platform::FileAnswer{(dir / "two.cl").string(), 0});
    const auto loaded = ChooseColour(app::application().programFolder, "Pick Color");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->name, "snow white");
    EXPECT_EQ(ui.fileRequests.back().filters[0].second, "*.cl");
}

class FalseColourCommand : public testing::ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        RegisterContrastCommands();
        WriteColourList(LastColourListPath(app::application().programFolder), {{0x0000FF, "red"}, {0x00FF00, "green"}});
        source = image(8, 10, 8, [](int c, int r) { return 40 + 10 * c + r; });
        SetPalette(source, ramp(256).data(), 256, PaletteCustom);
    }
    void run() { app::commandTable().run("Basic > &False Color"); }
    // The main dialog's script: whatever the test does with the model.
    void withDialog(std::function<void(FalseColourDialog&)> body) {
        ui.queue(platform::DialogScript{{}, [body](platform::DialogModel& d) {
                                            body(dynamic_cast<FalseColourDialog&>(d));
                                        }});
    }
    void pickColour(int index) { dialog({setValue(ColourListDialog::kList, index), press("OK")}); }
    ImageHandle source;
};

TEST_F(FalseColourCommand, NewRangesDefinitionColoursTheCopyAndIsRemembered) {
    ui.queue(platform::Answer::Ok);  // New asks even though the list is empty
    dialog({choose(NewFalseColourDialog::kPixelRanges), press("OK")});
    withDialog([this](FalseColourDialog& d) {
        EXPECT_EQ(d.caption(), "False Color - No colors defined");
        EXPECT_TRUE(d.find("Use Image to Select Range...")->visible);
        d.press("Add Color...");  // nothing selected yet
        d.select(100, 50);
        EXPECT_EQ(d.find(FalseColourDialog::kSelected)->text, "Selected: 50 to 100");
        EXPECT_FALSE(d.find("Change Color...")->enabled);
        pickColour(0);
        d.press("Add Color...");
        EXPECT_EQ(d.caption(), "False Color - 1 colors defined ");
        d.hover(60);
        EXPECT_EQ(d.find(FalseColourDialog::kStatus)->text, "Index 60 - red");
        d.hover(10);
        EXPECT_EQ(d.find(FalseColourDialog::kStatus)->text, "Index 10 - Not Defined");
        EXPECT_TRUE(d.find("Change Color...")->enabled);
        // The darkest and brightest values under a dragged rectangle: 40 .. 52.
        ui.queue(platform::PixelRect{0, 0, 1, 2});
        d.press("Use Image to Select Range...");
        EXPECT_EQ(d.find(FalseColourDialog::kSelected)->text, "Selected: 40 to 52");
        d.press("OK");
    });
    run();
    const ImageHandle working = ActiveImageWindow();
    ASSERT_NE(working, source);
    const auto p = palette(working);
    EXPECT_EQ(p[49], ramp(256)[49]);
    EXPECT_EQ(p[50], 0x0000FFu);
    EXPECT_EQ(p[100], 0x0000FFu);
    EXPECT_EQ(palette(source), ramp(256));
    EXPECT_EQ(row(working, 0), row(source, 0));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{
                                     "Verify: This will clear all the current items",
                                     "False Color - No colors defined: Please select an area on the histogram first!"}));
    EXPECT_NE(slurp(dir / "last.fc").find(" Interpolate=0\r\n Item=50 100 255 red\r\n"), std::string::npos);
    EXPECT_EQ(historyLines("duplicate: ").size(), 3u);

    // The next run opens with "last.fc"; Cancel leaves no new window.
    windowList().SetActive(source);
    const int before = windowList().Count();
    withDialog([](FalseColourDialog& d) {
        EXPECT_EQ(d.definition().interpolate, 0);
        EXPECT_EQ(d.caption(), "False Color - 1 colors defined ");
    });
    run();
    EXPECT_EQ(windowList().Count(), before);
}

TEST_F(FalseColourCommand, InterpolatedLevelsLoadingAndCancellingNew) {
    // No "last.fc": New asks first; refusing it, or cancelling its dialog, leaves nothing.
    const int before = windowList().Count();
    ui.queue(platform::Answer::Cancel);
    run();
    EXPECT_EQ(windowList().Count(), before);
    EXPECT_TRUE(ui.dialogsRun.empty() || ui.dialogsRun.back() != "New False Color");
    ui.queue(platform::Answer::Ok);
    ui.queue(platform::CancelAnswer{});
    run();
    EXPECT_EQ(windowList().Count(), before);
    EXPECT_EQ(ui.dialogsRun.back(), "New False Color");

    // New from the dialog asks over an empty list too.
    ui.queue(platform::Answer::Ok);
    dialog({press("OK")});
    withDialog([&](FalseColourDialog& d) {
        ASSERT_TRUE(d.definition().items.empty());
        const size_t asked = ui.messages.size();
        ui.queue(platform::Answer::Cancel);
        d.press("New...");
        ASSERT_EQ(ui.messages.size(), asked + 1);
        EXPECT_EQ(ui.messages.back().text, "This will clear all the current items");
        EXPECT_EQ(ui.messages.back().caption, "Verify");
        EXPECT_EQ(ui.messages.back().buttons, platform::Buttons::OkCancel);
        EXPECT_EQ(d.definition().interpolate, 1);
    });
    run();
    EXPECT_EQ(windowList().Count(), before);
    ui.messages.clear();

    const auto file = (dir / "levels.fc").string();
    WriteFalseColourFile(file, {1, {{0, 0, 0, "black"}, {255, 255, 0xFFFFFF, "white"}}});
    ui.queue(platform::Answer::Ok);
    dialog({press("OK")});  // New: Interpolate is the first choice
    withDialog([&](FalseColourDialog& d) {
        EXPECT_FALSE(d.find("Use Image to Select Range...")->visible);
        ui.queue(platform::Answer::Ok);
        ui.queue(platform::FileAnswer{file, 0});
        d.press("Load...");
        EXPECT_EQ(d.caption(), "False Color - 2 colors defined ");
        d.select(255, 255);
        EXPECT_FALSE(d.find("Add Color...")->enabled);
        EXPECT_TRUE(d.find("Delete Color...")->enabled);
        d.hover(7);
        EXPECT_EQ(d.find(FalseColourDialog::kStatus)->text, "Index 7 - Interpolated");
        d.select(128, 128);
        pickColour(1);
        d.press("Add Color...");
        d.press("OK");
    });
    run();
    const auto p = palette(ActiveImageWindow());
    EXPECT_EQ(p[64], 0x007F00u);  // half way from black to the green at 128
    EXPECT_EQ(p[128], 0x00FF00u);
    EXPECT_EQ(p[255], 0xFFFFFFu);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Verify: This will clear all the current items",
                                                           "Verify: This will clear all the current items"}));
}

}  // namespace
}  // namespace orvex
