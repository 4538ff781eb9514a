// Classification: the minimum-distance rule, its report, the clustering pass,
// the ".cy" files and the Classify dialog driven as a user would.
#include "processing/classify.h"

#include <fstream>
#include <sstream>

#include "app/commands/classify.h"
#include "imagestore/image_display.h"
#include "imagestore/orvex_view.h"
#include "platform/clock.h"
#include "platform/surface.h"
#include "processing/colour_list.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

class Classify : public testing::ToolkitTest {
protected:
    platform::TestClock clock;
    void SetUp() override {
        ToolkitTest::SetUp();
        platform::setClock(&clock);
        lastClassifyBands().clear();
        ResetClassifyMemory();
        RegisterClassifyCommands();
    }
    void TearDown() override {
        platform::setClock(nullptr);
        lastClassifyBands().clear();
        ToolkitTest::TearDown();
    }
    static ClassItem item(const std::string& name, uint32_t colour, std::vector<int> means) {
        return ClassItem{name, colour, std::move(means), {}};
    }
    void pickAndFinish(std::vector<ImageHandle> bands) {
        for (ImageHandle b : bands) pick(b);
        if (bands.size() < 10) ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok, 0, 0, 0});
    }
};

TEST_F(Classify, DistancesAreTheNthRootOfTheSquaresTruncated) {
    const int one[1] = {10};
    const uint8_t v1[1] = {15};
    EXPECT_EQ(ClassDistance(one, v1, 1), 25);  // one band: the squared difference
    const int two[2] = {0, 0};
    const uint8_t v2[2] = {3, 5};
    EXPECT_EQ(ClassDistance(two, v2, 2), 5);  // sqrt(34)
    const int three[3] = {0, 0, 0};
    const uint8_t v3[3] = {2, 2, 0};
    EXPECT_EQ(ClassDistance(three, v3, 3), 2);  // cube root of 8 exactly, not 1.999...
    const uint8_t v4[3] = {2, 1, 1};
    EXPECT_EQ(ClassDistance(three, v4, 3), 1);  // cube root of 6
}

TEST_F(Classify, PixelsTakeTheNearestClassBelowTheLimit) {
    // One band: the limit of 30 admits differences up to 5; 25 exactly at a
    // limit of 25 is refused ("less than").
    ImageHandle band = image(8, 2, 8, [](int c, int r) { return r == 0 ? 100 + c : 200; });
    SetRegistration(band, {10, 20}, {17, 21});
    const std::vector<ClassItem> classes = {item("low", 0x0000FF, {100}), item("same", 0x00FF00, {100}),
                                            item("high", 0xFF0000, {200})};
    ImageHandle result = ClassifyImages({band}, classes, 30, std::nullopt, "", "");
    ASSERT_TRUE(result);
    // Identical means: every pixel goes to the first class.
    EXPECT_EQ(row(result, 0), (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(row(result, 1), std::vector<int>(8, 3));
    const auto p = palette(result);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0], 0u);
    EXPECT_EQ(p[1], 0x0000FFu);
    EXPECT_EQ(p[3], 0xFF0000u);
    EXPECT_TRUE(LiveImage(result)->IsPositionRegistered());
    RealPoint ll, ur;
    GetCorners(result, ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 10);
    EXPECT_DOUBLE_EQ(ur.y, 21);
    EXPECT_EQ(historyLines("Classify:  ").size(), 3u);
    EXPECT_EQ(historyLines("Classify:  ")[1], "  new image name: " + name(result));
    EXPECT_EQ(historyLines("Classify:  ")[2], "  source image:  " + name(band));

    ImageHandle strict = ClassifyImages({band}, {item("a", 1, {100})}, 25, std::nullopt, "", "");
    EXPECT_EQ(row(strict, 0), (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0}));

    // A test area: its own size, no registration.
    ImageHandle part = ClassifyImages({band}, classes, 30, platform::Rect{4, 0, 8, 2}, "", "");
    ASSERT_TRUE(part);
    EXPECT_EQ(LiveImage(part)->Width(), 4);
    EXPECT_EQ(row(part, 0), (std::vector<int>{1, 1, 0, 0}));
    EXPECT_FALSE(LiveImage(part)->IsPositionRegistered());
}

TEST_F(Classify, RefusedSetsMakeNothing) {
    ImageHandle a = image(4, 4, 8, [](int, int) { return 1; });
    ImageHandle b = image(5, 4, 8, [](int, int) { return 1; });
    const int before = LiveView(b)->imageNumber;
    EXPECT_FALSE(ClassifyImages({a, b}, {item("x", 1, {1, 1})}, 30, std::nullopt, "", ""));
    EXPECT_FALSE(ClassifyImages({a}, std::vector<ClassItem>(101, item("x", 1, {1})), 30, std::nullopt, "", ""));
    EXPECT_FALSE(ClassifyImages(std::vector<ImageHandle>(11, a), {}, 30, std::nullopt, "", ""));
    EXPECT_TRUE(newWindows(before).empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Classify, TheReportIsAppendedToTheLog) {
    ImageHandle a = image(3, 2, 8, [](int c, int) { return c * 100; });
    ImageHandle b = image(3, 2, 8, [](int, int) { return 50; });
    const std::string log = path("run.log");
    ClassifyImages({a, b}, {item("zero", 0x0000FF, {0, 50}), item("two", 0x102030, {200, 50})}, 30, std::nullopt, log,
                   "");
    ClassifyImages({a, b}, {item("zero", 0x0000FF, {0, 50})}, 30, platform::Rect{1, 0, 3, 1}, log, "second");
    const std::string expected =
        "\n\n--- Classify Stats ------ Tue Dec 08 10:30:00 2026\n"
        "No Label\n"
        "Minimum Distance: 30.000000\n"
        "Application Rect: 0, 0, 3, 2\n"
        "\n--------- Images -----------------\n"
        "Number Of Images: 2\n"
        "   Band #1\n   -------------------------\n   FileName: " + name(a) + "\n   Width: 3,  Height: 2\n"
        "   Band #2\n   -------------------------\n   FileName: " + name(b) + "\n   Width: 3,  Height: 2\n"
        "\n--------- Classifications -----------------\n"
        "Number Of Classifications: 2\n"
        "Pixels That did not match anything: 2\n"
        "\n   Item #1\n   -------------------------\n   Number of Pixels matched: 2\n"
        "   Color (R,g,b): 255, 0, 0\n   Band Value 0: 0\n   Band Value 1: 50\n"
        "\n   Item #2\n   -------------------------\n   Number of Pixels matched: 2\n"
        "   Color (R,g,b): 48, 32, 16\n   Band Value 0: 200\n   Band Value 1: 50\n"
        "\n\n--- Classify Stats ------ Tue Dec 08 10:30:00 2026\n"
        "Label: second\n"
        "Minimum Distance: 30.000000\n"
        "Application Rect: 1, 0, 3, 1\n";
    const std::string text = readFile(log);
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_NE(text.find("Pixels That did not match anything: 2\n\n   Item #1\n   ----"
                        "---------------------\n   Number of Pixels matched: 0\n", expected.size()),
              std::string::npos);
}

TEST_F(Classify, MeansOutsideTheGreyLevelsAreUsedAsTheyAre) {
    // One band: 300 is 45 from 255 (2025) and 200 from 100; a mean clamped to
    // 255 would take the pixel of 255 at distance 0.
    ImageHandle band = image(3, 1, 8, [](int c, int) { return c == 0 ? 255 : c == 1 ? 100 : 0; });
    const int above[1] = {300}, below[1] = {-20};
    const uint8_t v[1] = {255};
    EXPECT_EQ(ClassDistance(above, v, 1), 45 * 45);
    EXPECT_EQ(ClassDistance(below, v, 1), 275 * 275);
    ImageHandle result = ClassifyImages({band}, {item("over", 1, {300}), item("mid", 2, {100})}, 2100,
                                        std::nullopt, "", "");
    EXPECT_EQ(row(result, 0), (std::vector<int>{1, 2, 0}));
    ImageHandle negative = ClassifyImages({band}, {item("under", 1, {-2})}, 30, std::nullopt, "", "");
    EXPECT_EQ(row(negative, 0), (std::vector<int>{0, 0, 1}));  // 0 is 2 from -2: squared 4

    // Means at the ends of the int range: the sums of squares need more than
    // 64 bits and must not wrap round to a small distance.
    ImageHandle b3 = image(2, 1, 8, [](int c, int) { return c * 255; });
    const int huge[3] = {2147483647, -2147483647 - 1, 2147483647};
    const uint8_t zero[3] = {0, 0, 0};
    EXPECT_EQ(ClassDistance(huge, zero, 3), 2400639);  // cube root of the three squares, truncated
    const int ten[10] = {2147483647, 2147483647, 2147483647, 2147483647, 2147483647,
                         2147483647, 2147483647, 2147483647, 2147483647, 2147483647};
    const uint8_t zeros[10] = {};
    EXPECT_EQ(ClassDistance(ten, zeros, 10), 92);  // tenth root of 10 x (2^31 - 1)^2
    ImageHandle far = ClassifyImages({b3, b3, b3}, {item("far", 1, {2147483647, -2147483647 - 1, 2147483647}),
                                                    item("near", 2, {250, 250, 250})},
                                     30, std::nullopt, "", "");
    EXPECT_EQ(row(far, 0), (std::vector<int>{0, 2}));
}

TEST_F(Classify, AStoppedRunReportsTheRowsItDid) {
    ImageHandle band = image(4, 6, 8, [](int, int r) { return r < 3 ? 10 : 200; });
    const std::string log = path("stopped.log");
    ui.pendingEscapes = 1;
    ui.queue(platform::Answer::Yes);
    ImageHandle result = ClassifyImages({band}, {item("dark", 0x0000FF, {10})}, 30, std::nullopt, log, "");
    ASSERT_TRUE(result);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Verify: Do you wish to cancel this operation?"}));
    const std::string text = readFile(log);
    // Stopped after the first row: 4 pixels matched, none refused.
    EXPECT_NE(text.find("Application Rect: 0, 0, 4, 6\n"), std::string::npos);
    EXPECT_NE(text.find("Pixels That did not match anything: 0\n"), std::string::npos);
    EXPECT_NE(text.find("   Number of Pixels matched: 4\n"), std::string::npos);
    EXPECT_EQ(row(result, 0), std::vector<int>(4, 1));
    EXPECT_EQ(row(result, 1), std::vector<int>(4, 0));  // never reached: left cleared
}

TEST_F(Classify, AutomaticClustersFollowTheSpectralAndMergeDistances) {
    // Two values, spectral distance 0: two clusters with the default colours.
    ImageHandle band = image(40, 30, 8, [](int c, int) { return c < 20 ? 30 : 220; });
    auto found = AutoCluster({band}, 15, 0, 30);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].means, std::vector<int>{30});
    EXPECT_EQ(found[1].means, std::vector<int>{220});
    EXPECT_EQ(found[0].colour, kDefaultClassColours[0]);
    EXPECT_EQ(found[1].colour, kDefaultClassColours[1]);
    EXPECT_EQ(ui.progress.back(), 100);

    // A limit of one cluster takes every pixel into the first, its mean the
    // running integer mean.
    // 120 pixels, 20 of 30 then 20 of 220 per sampled row, each step truncated.
    auto one = AutoCluster({band}, 1, 0, 0);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].means, std::vector<int>{103});

    // Clusters nearer than the merge distance become one once 2001 pixels
    // have been visited: 4 values 2 apart (squared 4 < 30), the 2001st
    // pixel the last one visited.
    ImageHandle wide = image(667, 21, 8, [](int c, int) { return 100 + 2 * (c % 4); });
    auto merged = AutoCluster({wide}, 15, 0, 30);
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].means, std::vector<int>{102});  // count-weighted, truncated at each merge

    ImageHandle other = image(41, 30, 8, [](int, int) { return 0; });
    EXPECT_TRUE(AutoCluster({band, other}, 15, 15, 30).empty());
}

TEST_F(Classify, ClassSetsRoundTripThroughTheirFile) {
    ClassSet set;
    set.isMinimum = false;
    set.minimum = 42;
    set.bands = 2;
    set.classes = {ClassItem{"Quartz", 0x00FF00, {12, 200}, {1, 2, 3, 4}}, ClassItem{"Auto 1", 0x800000, {0, 255}, {}}};
    const std::string file = path("set.cy");
    ASSERT_TRUE(WriteClassSet(file, set));
    EXPECT_EQ(readFile(file),
              "Image Classification description for Pixmerel\n\n\r\n\r\nBEGIN Items\r\n IsMinimum=No\r\n"
              " Minimum=42\r\n Number of bands=2\r\n ItemName=Quartz\r\n ItemColor=65280\r\n ItemValue=12\r\n"
              " ItemValue=200\r\n ItemLoc=1, 2, 3, 4\r\n ItemName=Auto 1\r\n ItemColor=8388608\r\n ItemValue=0\r\n"
              " ItemValue=255\r\n ItemLoc=0, 0, 0, 0\r\nEND Items\r\n\r\n");
    ClassSet back;
    ASSERT_TRUE(ReadClassSet(file, back));
    EXPECT_FALSE(back.isMinimum);
    EXPECT_EQ(back.minimum, 42);
    ASSERT_EQ(back.classes.size(), 2u);
    EXPECT_EQ(back.classes[0].name, "Quartz");
    EXPECT_EQ(back.classes[0].means, (std::vector<int>{12, 200}));
    EXPECT_EQ(back.classes[0].area.bottom, 4);
    EXPECT_EQ(back.classes[1].colour, 0x800000u);
    EXPECT_FALSE(ReadClassSet(path("missing.cy"), back));
}

TEST_F(Classify, TheDialogTrainsOnRectanglesAndClassifiesTheWholeBands) {
    ImageHandle a = image(10, 6, 8, [](int c, int) { return c < 5 ? 20 : 180; });
    ImageHandle b = image(10, 6, 8, [](int, int r) { return r < 3 ? 40 : 90; });
    pickAndFinish({a, b});
    // While the dialog is open the bands show the training rectangles.
    std::vector<std::string> painted;
    ui.queue(platform::DialogScript{{press("Add..."), press("Add..."), press("Name..."), setValue(ClassifyDialog::kLog, 1),
                                     setText(ClassifyDialog::kLabel, "run 1"), press("OK")},
                                    [&](platform::DialogModel&) {
                                        platform::RecordingSurface surface;
                                        PaintImageWindow(b, surface);
                                        painted = surface.calls;
                                    }});
    ui.queue(platform::PixelRect{0, 0, 4, 2});  // first class: the top-left block
    ui.queue(platform::PixelRect{9, 5, 5, 3});  // second: bottom-right, drawn backwards
    ui.queue(platform::DialogScript{{setText("New class name", "Garnet"), press("OK")}, {}});
    ui.queue(platform::FileAnswer{path("c.log"), 0});
    const int before = LiveView(b)->imageNumber;
    ASSERT_EQ(app::commandTable().run("Advanced > Clas&sify"), app::CommandTable::RunResult::Done);
    EXPECT_TRUE(ui.unanswered.empty()) << ui.unanswered.front();
    EXPECT_EQ(ui.dialogsRun.front(), "Classify: 2 band");

    const auto made = newWindows(before);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(row(made[0], 0), (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(row(made[0], 5), (std::vector<int>{0, 0, 0, 0, 0, 2, 2, 2, 2, 2}));
    EXPECT_NE(readFile(path("c.log")).find("Label: run 1\n"), std::string::npos);
    auto drawn = [](const std::vector<std::string>& calls, const std::string& pen) {
        auto at = std::find(calls.begin(), calls.end(), pen);
        return at != calls.end() && at + 2 < calls.end() && (at + 2)->rfind("rect ", 0) == 0;
    };
    EXPECT_TRUE(drawn(painted, "pen 008000 3 0"));  // "Train 1" in its colour, 3 pixels wide
    EXPECT_TRUE(drawn(painted, "pen 808000 3 0"));
    platform::RecordingSurface after;
    PaintImageWindow(b, after);
    EXPECT_FALSE(drawn(after.calls, "pen 008000 3 0"));

    ClassSet saved;
    ASSERT_TRUE(ReadClassSet(path("last.cy"), saved));
    ASSERT_EQ(saved.classes.size(), 2u);
    EXPECT_EQ(saved.classes[0].name, "Train 1");
    EXPECT_EQ(saved.classes[0].colour, kDefaultClassColours[1]);
    EXPECT_EQ(saved.classes[0].means, (std::vector<int>{20, 40}));
    EXPECT_EQ(saved.classes[1].name, "Garnet");
    EXPECT_EQ(saved.classes[1].means, (std::vector<int>{180, 90}));
    EXPECT_EQ(saved.classes[1].area.left, 9);

    // Opened again: the classes come from "last.cy" and the bands are the
    // same, so nothing is picked; Apply classifies a test area only.
    windowList().SetActive(a);
    dialog({press("Apply"), press("Cancel")});
    ui.queue(platform::PixelRect{3, 1, 6, 1});
    const int second = made[0].number;
    ASSERT_EQ(app::commandTable().run("Advanced > Clas&sify"), app::CommandTable::RunResult::Done);
    EXPECT_TRUE(ui.unanswered.empty()) << ui.unanswered.front();
    const auto area = newWindows(second);
    ASSERT_EQ(area.size(), 1u);
    EXPECT_EQ(row(area[0], 0), (std::vector<int>{1, 1, 0, 0}));
}

TEST_F(Classify, NewAskForTheBandsAgainAndAutomaticAddsNumberedClasses) {
    ImageHandle a = image(20, 20, 8, [](int c, int) { return c < 10 ? 10 : 250; });
    ImageHandle c = image(20, 20, 8, [](int, int) { return 0; });
    pickAndFinish({a});
    ClassifyDialog* seen = nullptr;
    std::vector<std::string> names;
    ui.queue(platform::DialogScript{{press("Automatic..."), press("New..."), press("Automatic...")},
                                    [&](platform::DialogModel& d) {
                                        seen = static_cast<ClassifyDialog*>(&d);
                                        for (const auto& k : seen->classes()) names.push_back(k.name);
                                        EXPECT_EQ(seen->bands().size(), 1u);
                                        EXPECT_EQ(seen->bands()[0], c);
                                    }});
    ui.queue(platform::DialogScript{{setText("Spectral Distance", "0"), press("OK")}, {}});
    ui.queue(platform::Answer::Ok);  // "This will clear all the current trainings"
    pickAndFinish({c});
    ui.queue(platform::DialogScript{{press("OK")}, {}});
    app::commandTable().run("Advanced > Clas&sify");
    EXPECT_TRUE(ui.unanswered.empty()) << ui.unanswered.front();
    EXPECT_EQ(ui.count("Verify", "This will clear all the current trainings"), 1);
    // The numbers run on across the runs (two clusters first, then one).
    EXPECT_EQ(names, (std::vector<std::string>{"Auto 3"}));
    EXPECT_FALSE(std::filesystem::exists(path("last.cy")));  // cancelled: not saved
}

TEST_F(Classify, ATrainedClassTakesTheNameOfTheColourChosenForIt) {
    ImageHandle a = image(6, 6, 8, [](int c, int) { return c * 10; });
    WriteColourList(LastColourListPath(app::application().programFolder), {{0x0000FF, "Red"}, {0x00FFFF, "Yellow"}});
    pickAndFinish({a});
    std::vector<ClassItem> classes;
    ui.queue(platform::DialogScript{{press("Add..."), press("Change color"), press("Name..."), press("Change color")},
                                    [&](platform::DialogModel& d) { classes = static_cast<ClassifyDialog&>(d).classes(); }});
    ui.queue(platform::PixelRect{0, 0, 1, 5});
    dialog({setValue(ColourListDialog::kList, 1), press("OK")});
    std::string named;  // what "Name..." offered: the chosen colour's name
    ui.queue(platform::DialogScript{{}, [&](platform::DialogModel& d) {
                                        named = d.find("New class name")->text;
                                        d.setText("New class name", "Olivine");
                                        d.press("OK");
                                    }});
    dialog({setValue(ColourListDialog::kList, 0), press("OK")});
    app::commandTable().run("Advanced > Clas&sify");
    EXPECT_TRUE(ui.unanswered.empty()) << ui.unanswered.front();
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0].means, std::vector<int>{5});
    EXPECT_EQ(named, "Yellow");
    // Renamed by the user, the class keeps its name when its colour changes.
    EXPECT_EQ(classes[0].name, "Olivine");
    EXPECT_EQ(classes[0].colour, 0x0000FFu);
    EXPECT_EQ(ui.dialogsRun[1], "Pick Color");
}

TEST_F(Classify, TheCommandNeedsAnActiveImage) {
    EXPECT_FALSE(app::commandTable().isEnabled("Advanced > Clas&sify"));
    image(2, 2, 8, [](int, int) { return 0; });
    EXPECT_TRUE(app::commandTable().isEnabled("Advanced > Clas&sify"));
}

}  // namespace
}  // namespace orvex
