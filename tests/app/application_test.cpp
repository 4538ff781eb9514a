#include "app_test_support.h"

#include "app/command_table.h"
#include "app/history_file.h"
#include "config/profile_file.h"
#include "imagestore/image_display.h"

using namespace orvex;
using namespace orvex::app;
using orvex::testing::AppTest;
using platform::Answer;
using platform::DialogScript;
using platform::DialogStep;
using platform::FileAnswer;

namespace {
const std::string kTime = "Tue Dec 08 10:30:00 2026";
}

TEST_F(AppTest, StartRunsItsStepsInOrderAndCreatesTheImageDataFolder) {
    start();
    EXPECT_EQ(steps, (std::vector<std::string>{"locate", "tables", "settings", "lists", "hardware", "startup"}));
    EXPECT_EQ(GlobalHistoryText(), "Orvex started:  " + kTime + "\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "ImageData"));
    // Created images take the default palette (grey without a configured file).
    ImageHandle w = CreateImage(8, 8, PaletteRed, true, 8);
    EXPECT_TRUE(LiveImage(w)->IsGreyPalette());
    EXPECT_EQ(LiveImage(w)->GetPaletteKind(), PaletteCustom);

    // The Setup menu in its order, the acquisition's entry among the shell's,
    // and Burn In under Advanced.
    std::vector<std::string> setup;
    for (const Command& c : commandTable().all())
        if (SplitMenuPath(c.path).front() == "Setup") setup.push_back(c.path);
    EXPECT_EQ(setup, (std::vector<std::string>{
                         "Setup > &Analog Inputs...", "Setup > &Digital Inputs...", "Setup > &Counter Inputs...",
                         "Setup > &Magnification...", "Setup > &Stage Scan Setup...", "Setup > &Image Size...",
                         "Setup > Scan &Type...", "Setup > S&cale &Bar Setup...", "Setup > &Palette Bar Setup...",
                         "Setup > &Load Setup...", "Setup > Sa&ve Setup...", "Setup > &Faraday Setup..."}));
    EXPECT_NE(commandTable().find("Advanced > Burn In"), nullptr);
    EXPECT_EQ(commandTable().find("Basic > Burn In"), nullptr);
}

TEST_F(AppTest, EndingWritesTheGlobalHistoryBeforeTheWindowsClose) {
    start();
    ImageHandle first = CreateImage(16, 8, PaletteGrey, true, 8);
    DuplicateImage(first, true, true);
    // New images count as modified: the first prompt is answered for all.
    ui.queue(DialogScript{{{DialogStep::Op::Press, "Close &All"}}});
    ASSERT_TRUE(application().CloseMainWindow());
    std::filesystem::path file = dir / "ImageData" / "OV_History_Tue_Dec_08_10_30_00_2026_.txt";
    ASSERT_TRUE(std::filesystem::exists(file));
    std::vector<std::string> expected = {
        "Orvex started:  " + kTime, "new image created:  " + kTime, "  name: UNTLD1.TIF",
        "new image created:  " + kTime, "  name: UNTLD2.TIF", "duplicate: " + kTime,
        "  old image: UNTLD1.TIF", "  new image: UNTLD2.TIF", "Orvex closing:  " + kTime,
        "Write Global History: " + kTime};
    EXPECT_EQ(lines(readFile(file)), expected);
    // The closing lines come after the file was written: in memory only.
    EXPECT_NE(GlobalHistoryText().find("image closed: "), std::string::npos);
    EXPECT_EQ(windowList().Count(), 0);
    EXPECT_EQ(steps.back(), "shutdown");
    EXPECT_EQ(steps[steps.size() - 2], "save settings");
}

TEST_F(AppTest, EndingIsRefusedWhileAnAcquisitionRunsAndWhenTheUserCancels) {
    start();
    bool acquiring = true;
    application().steps.acquisitionRunning = [&] { return acquiring; };
    EXPECT_FALSE(application().CloseMainWindow());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Close program");
    EXPECT_EQ(ui.messages[0].text, "Acquisition is running\nUse Finish or Halt\nto stop acquisition");
    EXPECT_EQ(ui.messages[0].icon, platform::Icon::Warning);
    EXPECT_EQ(GlobalHistoryText().find("Orvex closing"), std::string::npos);

    acquiring = false;
    ImageHandle w = CreateImage(4, 4, PaletteGrey, true, 8);
    touch(w);
    ui.queue(DialogScript{{{DialogStep::Op::Press, "&Cancel"}}});
    EXPECT_FALSE(application().CloseMainWindow());
    EXPECT_TRUE(LiveView(w));
    EXPECT_TRUE(application().running);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "shutdown"), 0);
}

TEST_F(AppTest, ExitOnlyClosesTheWindows) {
    start();
    int quits = 0;
    application().frontEnd.quit = [&] { ++quits; };
    ImageHandle w = CreateImage(4, 4, PaletteGrey, true, 8);
    LiveImage(w)->SetModified(false);
    EXPECT_TRUE(application().Exit());
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(GlobalHistoryText().find("Orvex closing"), std::string::npos);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "save settings"), 0);
}

TEST_F(AppTest, HistoryFileNamesAndTheirFailure) {
    platform::LocalTime t{2026, 12, 7, 1, 9, 27, 38};
    EXPECT_EQ(HistoryFileName("data", t), "data/OV_History_Mon_Dec_07_09_27_38_2026_.txt");
    start();
    ASSERT_TRUE(WriteGlobalHistory());
    ASSERT_TRUE(WriteGlobalHistory());  // the same second: the same file, replaced
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir / "ImageData")) files += e.path().extension() == ".txt";
    EXPECT_EQ(files, 1);

    // A folder that cannot hold the file.
    std::ofstream(dir / "blocker") << "x";
    application().imageDataDirectory = (dir / "blocker" / "sub").string();
    ui.clear();
    SaveHistoryCommand();
    std::string name = (dir / "blocker" / "sub").string() + "/OV_History_Tue_Dec_08_10_30_00_2026_.txt";
    std::vector<std::string> expected = {"WriteGlobalHistory(): History File open failed: \n" + name,
                                         "OnFileSavehistory(): Failed to open history file\nOut of dsk space?"};
    EXPECT_EQ(ui.messageLines(), expected);
}

TEST_F(AppTest, ExtensionsAreReplacedOnlyInTheFileNamePart) {
    EXPECT_EQ(ReplaceExtension("UNTLD3.TIF", ".BMP"), "UNTLD3.BMP");
    EXPECT_EQ(ReplaceExtension("a", ".TIF"), "a.TIF");
    EXPECT_EQ(ReplaceExtension("dir.x\\name", ".TIF"), "dir.x\\name.TIF");
    EXPECT_EQ(ReplaceExtension("/data/run.1/scan", ".GRD"), "/data/run.1/scan.GRD");
    EXPECT_EQ(ReplaceExtension("c:a.b.tif", ".BMP"), "c:a.b.BMP");
    EXPECT_EQ(FolderOf("/data/x/a.tif"), "/data/x");
    EXPECT_EQ(FolderOf("a.tif"), "");
    EXPECT_EQ(DisplayName("/data/x/a.tif"), "a.tif");
}

TEST_F(AppTest, DiskSpaceRuleRefusesTheTightCase) {
    EXPECT_FALSE(EnoughDiskSpace(10000000, 10050000));
    EXPECT_TRUE(EnoughDiskSpace(10000000, 10100000));
    EXPECT_FALSE(EnoughDiskSpace(0, 99999));

    start();
    ImageHandle w = CreateImage(1000, 1000, PaletteGrey, true, 8);
    touch(w);
    application().freeBytes = [](const std::string&) -> uint64_t { return 1000000 + 50000; };
    ui.queue(FileAnswer{path("big.tif"), 0});
    EXPECT_FALSE(application().SaveImage(w, false));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Error: There is not enough disk space to save this image"}));
    EXPECT_TRUE(LiveImage(w)->IsModified());
    EXPECT_EQ(LiveView(w)->name, "UNTLD1.TIF");
    EXPECT_FALSE(std::filesystem::exists(path("big.tif")));
}

TEST_F(AppTest, SaveProposesTheNameOfTheTypeAndForcesTheExtension) {
    start();
    ImageHandle w = CreateImage(8, 8, PaletteGrey, true, 8);
    application().lastFileType = OpenBmp;
    ui.queue(platform::CancelAnswer{});
    EXPECT_FALSE(application().SaveImage(w, false));
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    const auto& r = ui.fileRequests[0];
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.name, "UNTLD1.BMP");
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.defaultExtension, "tif");
    EXPECT_EQ(r.filters.size(), 3u);
    EXPECT_EQ(r.folder, (dir / "ImageData").string());
    EXPECT_EQ(LiveView(w)->name, "UNTLD1.TIF");  // a cancelled save changes nothing

    if (!canSaveTiff()) GTEST_SKIP() << "the TIFF writer is not in this build yet";
    int saves = 0;
    static int* counter;
    counter = &saves;
    AddImageListener(w, [](const ImageEvent& e) { *counter += e.code == ImageEventSaved; });
    ui.queue(FileAnswer{path("a.bmp"), 0});  // the TIFF filter chosen for a .bmp name
    ASSERT_TRUE(application().SaveImage(w, true));
    EXPECT_EQ(LiveView(w)->name, path("a.TIF"));
    EXPECT_TRUE(std::filesystem::exists(path("a.TIF")));
    EXPECT_EQ(application().lastFileType, OpenTiff);
    EXPECT_EQ(application().imageDataDirectory, dir.string());
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(LiveImage(w)->IsModified());
    EXPECT_FALSE(LiveView(w)->neverSaved);
    // A plain save of a saved image asks nothing.
    touch(w);
    size_t asked = ui.fileRequests.size();
    ASSERT_TRUE(application().SaveImage(w, false));
    EXPECT_EQ(ui.fileRequests.size(), asked);
    EXPECT_EQ(saves, 2);

    // A name with its format's extension stays as typed; a name changed to
    // another that exists asks first, and No saves nothing.
    ui.queue(FileAnswer{path("b.tif"), 0});
    ASSERT_TRUE(application().SaveImage(w, true));
    EXPECT_EQ(LiveView(w)->name, path("b.tif"));
    touch(w);
    ui.clear();
    ui.queue(FileAnswer{path("a.bmp"), 0});
    ui.queue(Answer::No);
    EXPECT_FALSE(application().SaveImage(w, true));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Save As: a.TIF already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(LiveView(w)->name, path("b.tif"));
    EXPECT_TRUE(LiveImage(w)->IsModified());
    EXPECT_EQ(saves, 3);
}

TEST_F(AppTest, PaletteKindIsCustomDuringTheSaveAndRestoredAfter) {
    start();
    if (!canSaveTiff()) GTEST_SKIP() << "the TIFF writer is not in this build yet";
    ImageHandle w = CreateImage(8, 8, PaletteGrey, true, 8);
    std::vector<uint32_t> red(256);
    for (uint32_t i = 0; i < 256; ++i) red[i] = i;
    SetPalette(w, red.data(), 256, PaletteGrey);  // custom colours saved, grey shown
    ui.queue(FileAnswer{path("p.tif"), 0});
    ASSERT_TRUE(application().SaveImage(w, false));
    EXPECT_EQ(LiveImage(w)->GetPaletteKind(), PaletteGrey);
    ImageHandle back = application().OpenImageFile(path("p.tif"), OpenTiff);
    ASSERT_TRUE(back);
    std::vector<uint32_t> colours;
    GetPalette(back, colours);
    EXPECT_EQ(colours[200], 200u);  // the custom palette went into the file
}

TEST_F(AppTest, OpeningAMissingFileSaysSoAndOpensNothing) {
    start();
    ui.queue(FileAnswer{path("gone.tif"), 2});
    application().OnFileOpen();
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Warning: Unable to find " + path("gone.tif")}));
    EXPECT_EQ(windowList().Count(), 0);
    EXPECT_EQ(application().lastFileType, OpenBmp);  // the filter is remembered all the same
    EXPECT_TRUE(application().recentFiles.empty());
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].filters.size(), 7u);
    EXPECT_EQ(ui.fileRequests[0].filters[6].first, "FC(palette)");
}

TEST_F(AppTest, OpeningAPaletteFileChangesTheDefaultPaletteAndTheRecentList) {
    start();
    std::ofstream(path("blue.fc"), std::ios::binary)
        << "False color description for Orvex\n\n\r\n\r\nBEGIN Items\r\n Interpolate=0\r\n Item=0 255 16711680 blue\r\nEND Items\r\n";
    application().OpenImageFile(path("blue.fc"), OpenPalette);
    EXPECT_EQ(palfile().defaultPalette()[3], 0xFF0000u);
    ASSERT_EQ(application().recentFiles.size(), 1u);
    EXPECT_EQ(application().recentFiles[0].type, OpenPalette);
    EXPECT_EQ(application().imageDataDirectory, dir.string());
    // The list keeps four, most recent first, without repeats.
    for (int i = 0; i < 5; ++i) application().AddRecentFile("f" + std::to_string(i), OpenTiff);
    application().AddRecentFile("f2", OpenBmp);
    ASSERT_EQ(application().recentFiles.size(), 4u);
    EXPECT_EQ(application().recentFiles[0].path, "f2");
    EXPECT_EQ(application().recentFiles[1].path, "f4");
    EXPECT_EQ(application().recentFiles[3].path, "f1");
    // And it comes back at the next start from the profile file.
    application().recentFiles.clear();
    application().Start(dir.string());
    EXPECT_EQ(application().recentFiles.size(), 4u);
    EXPECT_EQ(application().recentFiles[0].type, OpenBmp);
}

TEST_F(AppTest, SingleCloseAsksWaitWithYesNoCancel) {
    start();
    ImageHandle w = CreateImage(4, 4, PaletteGrey, true, 8);
    touch(w);
    EXPECT_FALSE(application().CloseImage(w));  // unanswered: Cancel
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Wait");
    EXPECT_EQ(ui.messages[0].text, "\"UNTLD1.TIF\" has been modified.  Do you wish to save the changes?");
    EXPECT_EQ(ui.messages[0].buttons, platform::Buttons::YesNoCancel);
    EXPECT_TRUE(LiveView(w));
    // Yes with the save dialog cancelled keeps the window.
    ui.queue(Answer::Yes);
    ui.queue(platform::CancelAnswer{});
    EXPECT_FALSE(application().CloseImage(w));
    EXPECT_TRUE(LiveView(w));
    ui.queue(Answer::No);
    EXPECT_TRUE(application().CloseImage(w));
    EXPECT_FALSE(LiveView(w));
    EXPECT_NE(GlobalHistoryText().find("image closed: " + kTime + "\n  image name: UNTLD1.TIF\n"),
              std::string::npos);
    // An unmodified window closes without a word.
    ui.clear();
    ImageHandle quiet = CreateImage(4, 4, PaletteGrey, true, 8);
    LiveImage(quiet)->SetModified(false);
    EXPECT_TRUE(application().CloseImage(quiet));
    EXPECT_TRUE(ui.messages.empty());
}

namespace {
std::vector<int> appEvents;
void recordAppEvent(const ImageEvent& e) { appEvents.push_back(e.code); }
void veto(const ImageEvent& e) {
    if (e.code == ImageEventCloseAllRequested && e.flag) *e.flag = 0;
}
int destroyed = 0;
void countDestroyed(const ImageEvent& e) { destroyed += e.code == ImageEventDestroying; }
}  // namespace

TEST_F(AppTest, CloseAllInTheFirstPromptClosesEveryWindowUnsaved) {
    start();
    appEvents.clear();
    destroyed = 0;
    windowList().AddApplicationListener(&recordAppEvent);
    ImageHandle w[3];
    for (auto& h : w) {
        h = CreateImage(4, 4, PaletteGrey, true, 8);
        touch(h);
        AddImageListener(h, &countDestroyed);
    }
    ui.queue(DialogScript{{{DialogStep::Op::Press, "Close &All"}}});
    EXPECT_TRUE(application().CloseAllImages());
    EXPECT_EQ(windowList().Count(), 0);
    EXPECT_EQ(ui.dialogsRun, (std::vector<std::string>{"Save Changes"}));
    EXPECT_EQ(destroyed, 3);
    EXPECT_TRUE(ui.fileRequests.empty());
    EXPECT_EQ(std::count(appEvents.begin(), appEvents.end(), ImageEventCloseAllRequested), 1);
    ASSERT_FALSE(appEvents.empty());
    EXPECT_EQ(appEvents.back(), ImageEventAllClosed);
    EXPECT_EQ(appEvents.front(), ImageEventCreated);
}

TEST_F(AppTest, CloseAllAsksPerWindowAndCancelStops) {
    start();
    ImageHandle a = CreateImage(4, 4, PaletteGrey, true, 8);
    ImageHandle b = CreateImage(4, 4, PaletteGrey, true, 8);
    ImageHandle c = CreateImage(4, 4, PaletteGrey, true, 8);
    LiveImage(b)->SetModified(false);  // no question for b
    ui.queue(DialogScript{{{DialogStep::Op::Press, "&No"}}});
    ui.queue(DialogScript{{{DialogStep::Op::Press, "&Cancel"}}});
    EXPECT_FALSE(application().CloseAllImages());
    EXPECT_FALSE(LiveView(a));
    EXPECT_FALSE(LiveView(b));
    EXPECT_TRUE(LiveView(c));
    EXPECT_EQ(ui.dialogsRun.size(), 2u);

    // A listener's veto closes nothing at all.
    windowList().AddApplicationListener(&veto);
    EXPECT_FALSE(application().CloseAllImages());
    EXPECT_TRUE(LiveView(c));
    EXPECT_EQ(ui.dialogsRun.size(), 2u);
}

TEST_F(AppTest, StatusPanesFollowTheActiveImageAndTheMouse) {
    start();
    ImageHandle w = CreateImage(100, 50, PaletteGrey, true, 8);
    // Point 1 = raster (0, 49) <-> (1000, 2000), point 2 = raster (99, 0) <-> (1099, 2049).
    LiveImage(w)->SetPositionRegistration({1000.0, 2000.0, 1099.0, 2049.0, 0, 49, 99, 0});
    std::vector<uint8_t> row(100, 0);
    row[0] = 51;
    WriteLine8(w, 49, row.data());
    application().RefreshStatus();
    EXPECT_EQ(ui.status[0], "UNTLD1.TIF at 100% (100x50x256)");
    EXPECT_DOUBLE_EQ(application().histogram.percent[0], 100.0 * 4999 / 5000);
    application().MouseOverImage(w, 0.2, 48.6);
    EXPECT_EQ(ui.status[1], "X:1000 Y:2000 ");
    EXPECT_EQ(ui.status[2], "x:  0 y: 49 v: 51");
    ZRegistration z;
    z.flag = 1;
    z.low = 0;
    z.high = 255;
    z.units = "wt%";
    LiveImage(w)->SetZRegistration(z);
    application().MouseOverImage(w, 0, 49);
    EXPECT_EQ(ui.status[1], "X:1000 Y:2000 Z: 51");
    application().MouseOverHistogram(51);
    EXPECT_EQ(ui.status[0], "wt%");
    EXPECT_EQ(ui.status[1], "Index: 51, Real: 51");
    EXPECT_EQ(ui.status[2], "Pixels: 1 (0.02%)");
}

TEST_F(AppTest, PaintedWindowsCarryTheScaleBarOnceEvenAfterASecondStart) {
    start();
    start();
    ImageHandle w = CreateImage(751, 101, PaletteGrey, true, 8);
    LiveImage(w)->SetPositionRegistration({0, 0, 750, 100, 0, 100, 750, 0});
    scaleBar().large = true;
    platform::RecordingSurface s;
    PaintImageWindow(w, s);
    int labels = 0;
    for (const auto& c : s.calls) labels += c.find(" 500 ") != std::string::npos;
    EXPECT_EQ(labels, 1);
}

TEST_F(AppTest, MirrorCommandsTurnEveryWindowAndAreKeptInTheProfile) {
    std::ofstream(path("Orvex.ini")) << "[Display]\nMirrorLeftRight=true\n";
    start();
    CommandTable& table = commandTable();
    EXPECT_TRUE(table.isChecked("Window > Mirror Left-Right"));
    EXPECT_FALSE(table.isChecked("Window > Mirror Top-Bottom"));
    ImageHandle a = CreateImage(8, 10, PaletteGrey, true, 8);
    ImageHandle b = CreateImage(4, 4, PaletteGrey, true, 8);
    SetRegistration(a, {100, 200}, {135, 245});
    EXPECT_TRUE(LiveView(a)->mapping.mirrorHorizontal);

    std::vector<int> repainted;
    windowList().hooks.repaint = [&](ImageHandle w) { repainted.push_back(w.number); };
    ASSERT_EQ(table.run("Window > Mirror Top-Bottom"), CommandTable::RunResult::Done);
    EXPECT_EQ(repainted, (std::vector<int>{a.number, b.number}));
    EXPECT_TRUE(table.isChecked("Window > Mirror Top-Bottom"));
    // The picture is drawn turned both ways, and the first pixel reads as the
    // real position of the opposite corner, where it now shows.
    platform::RecordingSurface s;
    DrawImageWindow(a, s);
    ASSERT_FALSE(s.calls.empty());
    EXPECT_EQ(s.calls[0], "strip 8x10@8 src 0 0 8 10 dst 8 10 0 0");
    RealPoint p{0, 0};
    PixelToReal(a, p);
    EXPECT_DOUBLE_EQ(p.x, 135);
    EXPECT_DOUBLE_EQ(p.y, 200);
    ASSERT_EQ(table.run("Window > Mirror Left-Right"), CommandTable::RunResult::Done);
    p = {0, 0};
    PixelToReal(a, p);
    EXPECT_DOUBLE_EQ(p.x, 100);
    EXPECT_DOUBLE_EQ(p.y, 200);
    EXPECT_FALSE(LiveView(b)->mapping.mirrorHorizontal);

    // The next start reads them back.
    EXPECT_EQ(config::ReadProfileString(path("Orvex.ini"), "Display", "MirrorLeftRight", "", 20), "false");
    EXPECT_EQ(config::ReadProfileString(path("Orvex.ini"), "Display", "MirrorTopBottom", "", 20), "true");
    windowList().Reset();
    application().reset();
    start();
    EXPECT_FALSE(table.isChecked("Window > Mirror Left-Right"));
    EXPECT_TRUE(LiveView(CreateImage(4, 4, PaletteGrey, true, 8))->mapping.mirrorVertical);
}
