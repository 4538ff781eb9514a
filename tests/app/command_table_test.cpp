#include <gtest/gtest.h>

#include "app/command_table.h"
#include "platform/headless_ui.h"

using namespace orvex::app;

TEST(CommandTable, PathsMatchWithoutMnemonicsOrCaseAndKeepMenuOrder) {
    CommandTable t;
    int opened = 0;
    bool running = false;
    t.add({.path = "File > &Open...", .run = [&] { ++opened; }});
    t.add({.path = "Acquire > &Single", .run = [] {}, .enabled = [&] { return !running; },
           .checked = [&] { return running; }});
    t.add({.path = "Basic > &Normalize(16->8)", .run = [] {}});
    t.add({.path = "Window > Save && Close", .run = [] {}});

    EXPECT_EQ(NormalisedMenuPath("File > &Open..."), "file > open...");
    EXPECT_EQ(t.run("file > open..."), CommandTable::RunResult::Done);
    EXPECT_EQ(t.run("File>Open..."), CommandTable::RunResult::Unknown);
    EXPECT_EQ(opened, 1);
    EXPECT_NE(t.find("Basic > Normalize(16->8)"), nullptr);
    EXPECT_NE(t.find("Window > Save & Close"), nullptr);
    EXPECT_EQ(SplitMenuPath("Basic > Contrast Enhancement > &Linear Stretch"),
              (std::vector<std::string>{"Basic", "Contrast Enhancement", "&Linear Stretch"}));

    EXPECT_TRUE(t.isEnabled("Acquire > Single"));
    EXPECT_FALSE(t.isChecked("Acquire > Single"));
    running = true;
    EXPECT_EQ(t.run("Acquire > Single"), CommandTable::RunResult::Disabled);
    EXPECT_TRUE(t.isChecked("Acquire > Single"));

    // Replacing keeps the place in the menu.
    t.add({.path = "Acquire > &Single", .run = [] {}});
    EXPECT_EQ(t.all()[2].path, "Acquire > &Single");
    EXPECT_TRUE(t.isEnabled("Acquire > Single"));
    EXPECT_TRUE(t.remove("acquire > single"));
    EXPECT_EQ(t.find("Acquire > Single"), nullptr);
}

TEST(CommandTable, HandlerMayChangeTheTableWhileRunning) {
    CommandTable t;
    t.add({.path = "A > B", .run = [&] { t.clear(); }});
    EXPECT_EQ(t.run("A > B"), CommandTable::RunResult::Done);
    EXPECT_TRUE(t.all().empty());
}

TEST(CommandTable, TopMenusKeepTheMenuBarOrderWhateverOrderTheyAreAddedIn) {
    CommandTable t;
    for (const char* path : {"Help > &About Orvex...", "Setup > &Analog Inputs...", "Window > &Tile",
                             "Advanced > Modify Image > &Formula", "Tools > Other", "Modes > &Center",
                             "Acquire > &Single", "Setup > &Magnification...", "Basic > &Duplicate",
                             "advanced > &Burn In", "File > &Open...", "Setup > &Stage Scan Setup...",
                             "Basic > &Crop", "File > E&xit"})
        t.add({.path = path, .run = [] {}});
    std::vector<std::string> order;
    for (const Command& c : t.all()) order.push_back(c.path);
    // Within a menu the order of adding holds; unknown menus go last.
    EXPECT_EQ(order, (std::vector<std::string>{
                         "File > &Open...", "File > E&xit", "Basic > &Duplicate", "Basic > &Crop",
                         "Advanced > Modify Image > &Formula", "advanced > &Burn In", "Acquire > &Single",
                         "Setup > &Analog Inputs...", "Setup > &Magnification...",
                         "Setup > &Stage Scan Setup...", "Modes > &Center", "Window > &Tile",
                         "Help > &About Orvex...", "Tools > Other"}));
}

namespace {
// A front end whose pick is waiting for the user.
struct PickingUi : orvex::platform::HeadlessUi {
    bool picking = false;
    bool pickPending() const override { return picking; }
};
}  // namespace

TEST(CommandTable, WhileAPickWaitsOnlyCommandsThatMerelyShowRun) {
    PickingUi ui;
    orvex::platform::setUi(&ui);
    CommandTable t;
    int picks = 0, tiles = 0;
    t.add({.path = "Advanced > Histogram-&1d", .run = [&] { ++picks; }});
    t.add({.path = "File > &Close", .run = [] {}});
    t.add({.path = "Window > &Tile", .run = [&] { ++tiles; }, .duringPick = true});
    ui.picking = true;
    EXPECT_FALSE(t.isEnabled("Advanced > Histogram-1d"));
    EXPECT_FALSE(t.isEnabled("File > Close"));
    EXPECT_EQ(t.run("Advanced > Histogram-1d"), CommandTable::RunResult::Disabled);
    EXPECT_EQ(t.run("Window > Tile"), CommandTable::RunResult::Done);
    EXPECT_EQ(picks, 0);
    EXPECT_EQ(tiles, 1);
    ui.picking = false;
    EXPECT_EQ(t.run("Advanced > Histogram-1d"), CommandTable::RunResult::Done);
    EXPECT_EQ(picks, 1);
    orvex::platform::setUi(nullptr);
}
