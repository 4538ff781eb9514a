// The macro recorder between the command table and the Ui: what a command
// asked and was answered comes back as macro lines in the order it was asked,
// and those lines, run as a macro, give the command the same answers.
#include "app_test_support.h"

#include "app/command_table.h"
#include "app/macro.h"
#include "app/macro_recorder.h"
#include "platform/dialog_model.h"

using namespace orvex;
using namespace orvex::app;

namespace {

// A dialog with a control of every kind that answers, and a button that opens
// a second dialog while the first is open.
class EveryControlDialog : public platform::DialogModel {
public:
    explicit EveryControlDialog(bool withChild) : DialogModel("Every Control"), withChild_(withChild) {
        using platform::ControlKind;
        add({.label = "Name:", .kind = ControlKind::Edit});
        add({.label = "Notes:", .kind = ControlKind::Edit, .height = 3});
        add({.label = "Count", .kind = ControlKind::Spin, .min = 0, .max = 99});
        add({.label = "Smooth", .kind = ControlKind::CheckBox});
        add({.label = "Red", .kind = ControlKind::Radio, .group = "Colour", .value = 1});
        add({.label = "Blue; dark", .kind = ControlKind::Radio, .group = "Colour"});
        add({.label = "More...", .kind = ControlKind::Button});
        add({.label = "OK", .kind = ControlKind::Button});
        add({.label = "Cancel", .kind = ControlKind::Button});
    }
    bool pressed(platform::DialogControl& c) override {
        if (c.label == "More..." && withChild_) {
            EveryControlDialog child(false);
            childAccepted = platform::ui().runDialog(child);
            childName = child.find("Name:")->text;
            return false;
        }
        return DialogModel::pressed(c);
    }
    bool withChild_;
    bool childAccepted = false;
    std::string childName;
};

// What the test command was answered, to compare a recording with its replay.
struct Answers {
    std::vector<std::string> got;
    bool operator==(const Answers&) const = default;
};

// The workstation's picks: the click that picks a pixel also activates the
// window clicked on.
class ClickingUi : public MacroUi {
public:
    int activateOnPick = 0;
    std::optional<platform::PixelPoint> pickPixel(int imageNumber, const std::string& prompt) override {
        if (activateOnPick) windowList().SetActive(ImageHandle{activateOnPick});
        return MacroUi::pickPixel(imageNumber, prompt);
    }
};

class MacroRecorderTest : public orvex::testing::AppTest {
protected:
    ClickingUi macroUi;
    std::stringstream out, err;
    Answers answers;

    void SetUp() override {
        AppTest::SetUp();
        platform::setUi(&macroUi);
        start();
        commandTable().add({.path = "Advanced > &Ask Everything", .run = [this] { askEverything(); }});
        macroRecorder().Clear();
        macroRecorder().Start();
    }
    void TearDown() override {
        macroRecorder().Stop();
        macroRecorder().Clear();
        macroRecorder().replayable = nullptr;
        commandTable().remove("Advanced > Ask Everything");
        AppTest::TearDown();
    }

    void askEverything() {
        auto& ui = platform::ui();
        auto& got = answers.got;
        got.push_back("ok box " + std::to_string(int(ui.message("Note", "Info", platform::Buttons::Ok, {}))));
        got.push_back("yes/no " + std::to_string(int(ui.message("Sure?", "Ask", platform::Buttons::YesNo, {}))));
        platform::FileRequest request;
        request.filters = {{"TIFF", "*.tif"}, {"BMP", "*.bmp"}};
        for (int i = 0; i < 2; ++i) {
            auto f = ui.chooseFile(request);
            got.push_back(f ? "file " + f->path + " " + std::to_string(f->filterIndex) : "no file");
        }
        auto colour = ui.chooseColour(0);
        got.push_back(colour ? "colour " + std::to_string(*colour) : "no colour");
        auto item = ui.chooseFromList("Areas", {"a", "b", "c"});
        got.push_back(item ? "item " + std::to_string(*item) : "no item");
        auto pixel = ui.pickPixel(1, "pixel");
        got.push_back(pixel ? "pixel " + std::to_string(pixel->column) + "," + std::to_string(pixel->row) : "-");
        auto rect = ui.pickRectangle(1, "rect");
        got.push_back(rect ? "rect " + std::to_string(rect->left) + "," + std::to_string(rect->bottom) : "-");
        auto line = ui.pickLine(1, "line");
        got.push_back(line ? "line " + std::to_string(line->to.column) : "-");
        auto pick = ui.awaitImagePick({});
        got.push_back("pick " + std::to_string(int(pick.kind)) + " " + std::to_string(pick.imageNumber) + " " +
                      std::to_string(pick.column));
        EveryControlDialog d(true);
        const bool accepted = ui.runDialog(d);
        got.push_back("dialog " + std::to_string(accepted) + " " + d.find("Name:")->text + "|" +
                      d.find("Notes:")->text + "|" + std::to_string(d.find("Count")->value) +
                      std::to_string(d.find("Smooth")->value) + std::to_string(d.find("Blue; dark")->value) +
                      " child " + std::to_string(d.childAccepted) + " " + d.childName);
        EveryControlDialog plain(false);
        got.push_back("cancelled " + std::to_string(ui.runDialog(plain)));
    }

    // The answers a user gives: each question in turn, the dialog's controls
    // changed as typing and dragging change them, several times over.
    void queueUserAnswers() {
        using platform::DialogStep;
        using Op = DialogStep::Op;
        macroUi.queue(platform::Answer::Ok);
        macroUi.queue(platform::Answer::Yes);
        macroUi.queue(platform::FileAnswer{"out/a.bmp", 1});  // the filter the extension names
        macroUi.queue(platform::FileAnswer{"out/b.tif", 1});  // another one
        macroUi.queue(uint32_t{0x00AA33});
        macroUi.queue(2);
        macroUi.queue(platform::PixelPoint{3, 4});
        macroUi.queue(platform::PixelRect{1, 2, 5, 6});
        macroUi.queue(platform::PixelLine{{0, 0}, {7, 1}});
        macroUi.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Picked, 1, 2.5, 3});
        macroUi.queue(platform::DialogScript{{{Op::SetText, "Name:", "g"},
                                              {Op::SetText, "Name:", "gr"},
                                              {Op::SetText, "Name:", "grain"},
                                              {Op::SetText, "Notes:", "two\nlines \\ here"},
                                              {Op::SetValue, "Count", "", 4},
                                              {Op::SetValue, "Count", "", 7},
                                              {Op::SetValue, "Smooth", "", 1},
                                              {Op::Choose, "Blue; dark"},
                                              {Op::Press, "More..."},
                                              {Op::Press, "OK"}}});
        macroUi.queue(platform::DialogScript{{{Op::SetText, "Name:", "inner"}, {Op::Press, "OK"}}});
        macroUi.queue(platform::CancelAnswer{});
    }
};

}  // namespace

TEST_F(MacroRecorderTest, EveryAnswerComesBackInTheOrderItWasAskedAndReplaysTheSame) {
    queueUserAnswers();
    ASSERT_EQ(commandTable().run("Advanced > Ask Everything"), CommandTable::RunResult::Done);
    EXPECT_TRUE(macroUi.answers.empty());
    const Answers first = answers;
    // The second dialog opened while the first was open: its answer comes
    // after the first's, as a macro queues them.
    EXPECT_EQ(macroRecorder().Text(),
              "answer ok\n"
              "answer yes\n"
              "file out/a.bmp\n"
              "file out/b.tif 1\n"
              "colour 0x00AA33\n"
              "item 2\n"
              "pixel 3 4\n"
              "rect 1 2 5 6\n"
              "line 0 0 7 1\n"
              "pick 1 2.5 3\n"
              "dialog\n"
              "set Name: = grain\n"
              "set Notes: = two\\nlines \\\\ here\n"
              "value Count = 7\n"
              "check Smooth\n"
              "choose Blue; dark\n"
              "press More...\n"
              "press OK\n"
              "end\n"
              "dialog set Name: = inner; press OK\n"
              "dialog press Cancel\n"
              "menu Advanced > Ask Everything\n");

    // The recording as a macro gives the command the same answers.
    const std::string macro = macroRecorder().Text();
    macroRecorder().Clear();
    answers = {};
    MacroRunner runner(macroUi, out, err);
    ASSERT_TRUE(runner.RunText(macro, "rec")) << err.str();
    EXPECT_EQ(err.str(), "Info: Note\nAsk: Sure?\n") << "messages only: nothing unanswered, nothing left over";
    EXPECT_EQ(answers, first);
    EXPECT_EQ(macroRecorder().Text(), macro) << "a replay records itself";
}

TEST_F(MacroRecorderTest, WindowsAreNamedAsARunOfTheMacroNumbersThem) {
    // Windows from before the recording keep their numbers; those made after
    // it count from 1.
    CreateImage(16, 8, PaletteGrey, true, 8);
    macroRecorder().Clear();
    const ImageHandle opened = CreateImage(16, 8, PaletteGrey, true, 8);  // image 2, the run's 1
    ASSERT_EQ(commandTable().run("Basic > Duplicate"), CommandTable::RunResult::Done);  // 3, the run's 2
    windowList().SetActive(opened);
    ASSERT_EQ(commandTable().run("Advanced > Special Effects > Negate Data"), CommandTable::RunResult::Done);
    touch(ImageHandle{3});
    macroUi.queue(platform::Answer::No);  // modified: not saved
    EXPECT_TRUE(macroRecorder().CloseWindow(ImageHandle{3}));
    macroUi.queue(platform::Answer::Cancel);
    EXPECT_FALSE(macroRecorder().CloseWindow(opened));  // the active one, kept
    windowList().SetActive(ImageHandle{1});
    ASSERT_EQ(commandTable().run("Window > Zoom > Out"), CommandTable::RunResult::Done);
    // The window made outside the recording became the active one: a run
    // activates it too.
    EXPECT_EQ(macroRecorder().Text(),
              "activate 1\n"
              "menu Basic > Duplicate\n"
              "activate 1\n"
              "menu Advanced > Special Effects > Negate Data\n"
              "answer no\n"
              "close 2\n"
              "answer cancel\n"
              "close\n"
              "activate 1\n"
              "menu Window > Zoom > Out\n");
}

TEST_F(MacroRecorderTest, OpenSaveAndCloseBecomeTheirOwnStatements) {
    CreateImage(16, 8, PaletteGrey, true, 8);
    if (!canSaveTiff()) GTEST_SKIP() << "no TIFF writer in this build";
    std::filesystem::copy_file(path("probe.tif"), path("probe.bmp"));
    macroRecorder().Clear();
    macroUi.queue(platform::FileAnswer{path("probe.tif"), 0});
    commandTable().run("File > Open...");
    macroUi.queue(platform::FileAnswer{path("probe.bmp"), 0});  // TIFF data under a BMP name
    commandTable().run("File > Open...");
    macroUi.queue(platform::CancelAnswer{});
    commandTable().run("File > Open...");
    macroUi.queue(platform::FileAnswer{path("copy.tif"), 0});
    commandTable().run("File > Save As...");
    commandTable().run("File > Save");
    macroUi.queue(platform::FileAnswer{path("odd.tif"), 1});  // a BMP under a TIFF name
    commandTable().run("File > Save As...");
    commandTable().run("File > Close All");  // modified windows: its dialog, not answered
    const std::string text = macroRecorder().Text();
    const std::string expected = "open " + path("probe.tif") + "\n" +
                                 "open " + path("probe.bmp") + " as tif\n" +
                                 "cancel\nmenu File > Open...\n" +
                                 "save " + path("copy.tif") + "\n" +
                                 "save\n" +
                                 "file " + path("odd.tif") + " 1\nmenu File > Save As...\n";
    EXPECT_EQ(text, expected + "cancel\nclose all\n");
    EXPECT_TRUE(std::filesystem::exists(path("odd.BMP")));
}

TEST_F(MacroRecorderTest, CommandsOnlyTheWorkstationRunsAreComments) {
    macroRecorder().replayable = [](const std::string& path) { return path != "Window > &Tile"; };
    commandTable().add({.path = "Window > &Tile", .run = [] { platform::ui().message("tiled", "Tile", {}, {}); }});
    commandTable().run("Window > Tile");
    commandTable().run("Help > About Orvex...");
    EXPECT_EQ(macroRecorder().Text(),
              "# menu Window > Tile (runs only in the workstation)\n"
              "answer ok\n"
              "menu Help > About Orvex...\n");
    commandTable().remove("Window > Tile");
}

TEST_F(MacroRecorderTest, MenuPathsAreWrittenWithoutMnemonics) {
    EXPECT_EQ(MacroMenuPath("Basic > Contrast Enhancement > &Linear Stretch"),
              "Basic > Contrast Enhancement > Linear Stretch");
    EXPECT_EQ(MacroMenuPath("File > E&xit"), "File > Exit");
    EXPECT_EQ(MacroMenuPath("Window > Salt && Pepper"), "Window > Salt & Pepper");
    // Written as in the table where dropping the "&" would name another command.
    EXPECT_EQ(MacroMenuPath("Window > A&&b"), "Window > A&&b");
}

TEST_F(MacroRecorderTest, SaveWritesTheHeaderAndTellsWhenItCannot) {
    clock.time = {2026, 12, 9, 3, 4, 5, 6};
    commandTable().run("Help > About Orvex...");
    ASSERT_TRUE(macroRecorder().Save(path("m.txt")));
    EXPECT_EQ(readFile(path("m.txt")),
              "# recorded 2026-12-09 04:05:06 by Orvex 4.0\nanswer ok\nmenu Help > About Orvex...\n");
    macroUi.messages.clear();
    EXPECT_FALSE(macroRecorder().Save(path("no/such/folder/m.txt")));
    ASSERT_EQ(macroUi.messages.size(), 1u);
    EXPECT_EQ(macroUi.messages[0].caption, "Save Macro");
    EXPECT_EQ(macroUi.messages[0].text, "Unable to write the macro to " + path("no/such/folder/m.txt"));
}

TEST_F(MacroRecorderTest, AWindowActivatedByAPickIsNamedBeforeTheNextCommand) {
    const ImageHandle first = CreateImage(16, 8, PaletteGrey, true, 8);
    CreateImage(16, 8, PaletteGrey, true, 8);
    commandTable().add({.path = "Advanced > &Pick A Pixel", .run = [] { platform::ui().pickPixel(2, "pixel"); }});
    macroRecorder().Clear();
    macroUi.activateOnPick = first.number;  // the user clicked window 1 to pick on it
    macroUi.queue(platform::PixelPoint{1, 1});
    commandTable().run("Advanced > Pick A Pixel");
    macroUi.activateOnPick = 0;
    ASSERT_EQ(ActiveImageWindow(), first);
    commandTable().run("Basic > Duplicate");
    // A run of the macro does not activate by picking: it is told.
    EXPECT_EQ(macroRecorder().Text(), "pixel 1 1\nmenu Advanced > Pick A Pixel\nactivate 1\nmenu Basic > Duplicate\n");
    commandTable().remove("Advanced > Pick A Pixel");
}
