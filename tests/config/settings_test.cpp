#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "config/corfile.h"
#include "config/elmfile.h"
#include "config/ini_location.h"
#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/setup_files.h"
#include "config/software_settings.h"
#include "platform/headless_ui.h"
#include "tests/config/temp_folder.h"

namespace orvex::config {
namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        resetSoftwareSettings();
        resetElementLists();
        resetCorFile();
        ResetSettingsHandlers();
    }
    void TearDown() override {
        ResetSettingsHandlers();
        SetSetupLoadedHandler(nullptr);
        platform::setUi(nullptr);
    }
    platform::HeadlessUi ui;
    TempFolder folder;
};

// Runs a test inside a folder, so the candidates relative to the current folder are its own.
class InFolder {
public:
    explicit InFolder(const std::string& path) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~InFolder() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

TEST_F(Settings, TheSearchTakesTheFirstCandidateThatNamesAProbeType) {
    std::string empty = folder.write("a/Orvex.ini", "[hardware]\nprobetype=\n");
    std::string none = folder.path("b/Orvex.ini");
    std::string other = folder.write("c/Orvex.ini", "[software]\nmake=x\n");
    std::string found = folder.write("d/Orvex.ini", "[Hardware]\nProbeType = jeol\n");
    std::string later = folder.write("e/Orvex.ini", "[hardware]\nprobetype=SEMQ\n");
    EXPECT_TRUE(LocateIniFile({empty, none, other, found, later}));
    EXPECT_EQ(softwareSettings().iniPath, found);
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_FALSE(LocateIniFile({empty, none, other}));
    EXPECT_EQ(softwareSettings().iniPath, "./Orvex.ini");
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"Read INI: Orvex.ini not found - fatal error"});
}

TEST_F(Settings, TheCandidatesAreTheCurrentFolderItsModulesTheDriveRootAndTheProgramFolder) {
    auto candidates = IniCandidates();
    ASSERT_EQ(candidates.size(), 4u);
    EXPECT_EQ(candidates[0], "./Orvex.ini");
    EXPECT_EQ(candidates[1], "./modules/Orvex.ini");
    EXPECT_EQ(candidates[2], "/ov/modules/Orvex.ini");
    EXPECT_EQ(std::filesystem::path(candidates[3]).parent_path(),
              std::filesystem::path(ORVEX_BIN_DIR));

    folder.write("modules/Orvex.ini", "[hardware]\nprobetype=CAMECA\n");
    InFolder here(folder.root());
    EXPECT_TRUE(LocateIniFile());
    EXPECT_EQ(softwareSettings().iniPath, "./modules/Orvex.ini");
    folder.write("Orvex.ini", "[hardware]\nprobetype=DEMO\n");
    EXPECT_TRUE(LocateIniFile());
    EXPECT_EQ(softwareSettings().iniPath, "./Orvex.ini");
}

TEST_F(Settings, ProbeTypesAreUpperCasedAndUnknownOnesBecomeDemo) {
    auto probe = [&](const std::string& word) {
        std::string path = folder.write("p.ini", "[hardware]\nprobetype=" + word + "\n");
        softwareSettings().ReadIni(path);
        return std::pair<int, int>(softwareSettings().probeType, softwareSettings().demo);
    };
    EXPECT_EQ(probe("jeol"), (std::pair<int, int>(kProbeJeol, 0)));
    EXPECT_EQ(probe("Semq"), (std::pair<int, int>(kProbeSemq, 0)));
    EXPECT_EQ(probe("cameca"), (std::pair<int, int>(kProbeCameca, 0)));
    EXPECT_EQ(probe("Demo"), (std::pair<int, int>(kProbeDemo, 1)));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(probe("Jeol2"), (std::pair<int, int>(kProbeDemo, 1)));
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"JEOL2: Unrecognized ProbeType - set to DEMO"});
}

TEST_F(Settings, RetraceIsKeptWithinItsRangeAndSaysSo) {
    auto retrace = [&](const std::string& value) {
        softwareSettings().ReadIni(folder.write("r.ini", "[software]\nretrace=" + value + "\n"));
        return softwareSettings().retrace;
    };
    EXPECT_EQ(retrace("0"), 0);
    EXPECT_EQ(retrace("10000"), 10000);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(retrace("2000000000"), kMaxRetrace);
    EXPECT_EQ(retrace("-5"), 0);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"SoftwareSettings::ReadIni(): retrace 2000000000 is outside 0..10000 - 10000 used",
                                        "SoftwareSettings::ReadIni(): retrace -5 is outside 0..10000 - 0 used"}));
}

TEST_F(Settings, ChannelMaximaDeriveFromTheBeamChannel) {
    std::string path = folder.write(
        "c.ini", "[digital]\nbeamchannel=yes\nmax=4\n[counter]\nbeamchannel=off\nmax=5\nmaxelm=2\n");
    SoftwareSettings& s = softwareSettings();
    s.ReadIni(path);
    EXPECT_EQ(s.digitalBeamChannel, 1);
    EXPECT_EQ(s.digitalMax, 4);
    EXPECT_EQ(s.digitalMaxElm, 3);
    EXPECT_EQ(s.digitalMaxEds, 0);
    EXPECT_EQ(s.counterBeamChannel, 0);
    EXPECT_EQ(s.counterMaxElm, 2);
    EXPECT_EQ(s.counterMaxEds, 3);

    // A beam channel that is no boolean word counts as none, after the message.
    s.ReadIni(folder.write("b.ini", "[digital]\nbeamchannel=1\nmax=3\n"));
    EXPECT_EQ(s.digitalBeamChannel, 0);
    EXPECT_EQ(s.digitalMaxElm, 3);
    EXPECT_EQ(ui.count("Expected: 'true, false, yes, no, on, off'", "READINI: bIsOn"), 1);
    ui.clear();

    // A file without any of the keys gives the defaults of a fresh record.
    s.ReadIni(folder.path("missing.ini"));
    s.WriteIni(folder.path("read.ini"));
    SoftwareSettings().WriteIni(folder.path("fresh.ini"));
    EXPECT_EQ(folder.read("read.ini"), folder.read("fresh.ini"));
    EXPECT_EQ(s.imageDataDirectory, "orvex/ImageData");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Settings, TheSoftwareSettingsAreWrittenInTheirForm) {
    SoftwareSettings& s = softwareSettings();
    s.probeType = kProbeCameca;
    s.digitalBeamChannel = 1;
    s.countTime = 0.123456789;
    s.imageDataDirectory = "/data/images";
    s.author = "A. Probe";
    std::string path = folder.path("w.ini");
    s.WriteIni(path);
    EXPECT_EQ(folder.read("w.ini"),
              "[software]\nmaximum scans=10\npixel discard=0\npixel average=1\nretrace=10\n"
              "make=Microprobe Vendor\nmodel=Microprobe Model\nauthor=A. Probe\n"
              "description=microprobe image\nhost computer=Computer Name or Type\n\n"
              "[hardware]\nprobetype=CAMECA\n\n"
              "[digital]\nmax=1\nmaxelm=1\nmaxeds=0\nbeamchannel=TRUE\n\n"
              "[counter]\nmax=1\nmaxelm=1\nmaxeds=0\nbeamchannel=FALSE\ncount time=0.123457\n");
    s.probeType = 9;
    s.WriteIni(path);
    EXPECT_EQ(ReadProfileString(path, "hardware", "probetype", ""), "UNSUPPORTED");
}

TEST_F(Settings, LoadSaveLoadKeepsEveryValue) {
    std::string path = folder.write(
        "Orvex.ini",
        "; station 2\n[hardware]\nprobetype=sEmQ\nadtype=3\n"
        "[software]\nmaximum scans=25\npixel discard=2\npixel average=4\nretrace=7\n"
        "make=\"Maker\"\nmodel=Model 9\nauthor=Someone Else\ndescription=polished section\n"
        "host computer=probe-pc\nImageDataDirectory=/srv/images\nelmfile=my.elm\nedsfile=my.eds\n"
        "corfile=motors.cor\n[digital]\nmax=6\nmaxelm=4\nmaxeds=1\nbeamchannel=true\n"
        "[counter]\nmax=5\nmaxelm=5\nmaxeds=0\nbeamchannel=no\ncount time=0.25\n");
    softwareSettings().iniPath = path;
    LoadAllSettings();
    SoftwareSettings first = softwareSettings();
    ELMFILE elements = elmFile();
    EXPECT_EQ(first.probeType, kProbeSemq);
    EXPECT_EQ(first.make, "Maker");
    EXPECT_EQ(first.imageDataDirectory, "/srv/images");
    EXPECT_EQ(elements.path, "my.elm");
    EXPECT_EQ(elements.capacity, 5);
    EXPECT_EQ(edsFile().capacity, 1);
    EXPECT_EQ(corFile().path, "motors.cor");

    std::string copy = folder.write("copy.set", folder.read("Orvex.ini"));
    SaveAllSettings(copy);
    resetSoftwareSettings();
    resetElementLists();
    resetCorFile();
    softwareSettings().iniPath = copy;
    LoadAllSettings();
    // Both records write the same text, and the one field that is never written is kept.
    first.WriteIni(folder.path("first.ini"));
    softwareSettings().WriteIni(folder.path("again.ini"));
    EXPECT_EQ(folder.read("again.ini"), folder.read("first.ini"));
    EXPECT_EQ(softwareSettings().imageDataDirectory, "/srv/images");
    EXPECT_EQ(softwareSettings().digitalMaxEds, 1);
    EXPECT_DOUBLE_EQ(softwareSettings().countTime, 0.25);
    EXPECT_EQ(elmFile().path, "my.elm");
    EXPECT_EQ(edsFile().path, "my.eds");
    EXPECT_EQ(corFile().path, "motors.cor");
    // Lines nobody owns survive the save.
    EXPECT_EQ(folder.read("copy.set").rfind("; station 2\n", 0), 0u);
    EXPECT_EQ(ReadProfileInt(copy, "hardware", "adtype", 0), 3);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Settings, TheSlotsRunInTheirFixedOrders) {
    std::vector<std::string> calls;
    auto slot = [&](SettingsSlot s, const std::string& name) {
        SetSettingsHandlers(
            s, [&calls, name](const std::string& path) { calls.push_back("read " + name + " " + path); },
            [&calls, name](const std::string& path) { calls.push_back("write " + name + " " + path); });
    };
    const char* names[] = {"software", "board",  "calibration", "countertimer", "analog",
                           "simaxes",  "dcx",    "sx50",        "simprobe",     "bars",
                           "lists",    "grid",   "channels",    "demo"};
    for (int i = 0; i < static_cast<int>(SettingsSlot::Count); ++i)
        slot(static_cast<SettingsSlot>(i), names[i]);
    softwareSettings().iniPath = "in.ini";
    LoadAllSettings();
    std::vector<std::string> reads;
    for (const char* name : names) reads.push_back(std::string("read ") + name + " in.ini");
    EXPECT_EQ(calls, reads);

    calls.clear();
    SaveAllSettings("out.set");
    std::vector<std::string> writes;
    for (const char* name : {"software", "calibration", "board", "countertimer", "analog", "simaxes",
                             "dcx", "sx50", "bars", "lists", "channels"})
        writes.push_back(std::string("write ") + name + " out.set");
    EXPECT_EQ(calls, writes);

    // An empty slot is skipped; resetting brings back config's own slots only.
    SetSettingsHandlers(SettingsSlot::Board, nullptr, nullptr);
    calls.clear();
    LoadAllSettings();
    EXPECT_EQ(calls.size(), reads.size() - 1);
    ResetSettingsHandlers();
    calls.clear();
    LoadAllSettings();
    EXPECT_TRUE(calls.empty());
}

TEST_F(Settings, TheExitSaveGoesToTheProgramFolderWhateverWasRead) {
    EXPECT_EQ(ExitIniPath(), std::string(ORVEX_BIN_DIR) + "/Orvex.ini");
    folder.write("setups/mine.set", "[hardware]\nprobetype=JEOL\n");
    ui.queue(platform::FileAnswer{folder.path("setups/mine.set"), 0});
    ASSERT_TRUE(LoadSetup());
    EXPECT_EQ(softwareSettings().iniPath, folder.path("setups/mine.set"));
    SaveSettingsOnExit(folder.path("program"));  // the folder does not exist: nothing written
    std::filesystem::create_directories(folder.path("program"));
    SaveSettingsOnExit(folder.path("program"));
    EXPECT_EQ(ReadProfileString(folder.path("program/Orvex.ini"), "hardware", "probetype", ""), "JEOL");
    EXPECT_EQ(ExitIniPath(folder.path("program")), folder.path("program") + "/Orvex.ini");
}

TEST_F(Settings, LoadSetupAsksForASetupFileAndReadsEverythingFromIt) {
    int recomputed = 0;
    SetSetupLoadedHandler([&] { ++recomputed; });
    std::string setup = folder.write("x.set", "[hardware]\nprobetype=CAMECA\n[software]\nretrace=3\n");

    ui.queue(platform::CancelAnswer{});
    softwareSettings().iniPath = "before.ini";
    EXPECT_FALSE(LoadSetup());
    EXPECT_EQ(softwareSettings().iniPath, "before.ini");
    EXPECT_EQ(recomputed, 0);

    ui.queue(platform::FileAnswer{setup, 0});
    EXPECT_TRUE(LoadSetup());
    EXPECT_EQ(softwareSettings().iniPath, setup);
    EXPECT_EQ(softwareSettings().probeType, kProbeCameca);
    EXPECT_EQ(softwareSettings().retrace, 3);
    EXPECT_EQ(recomputed, 1);

    ASSERT_EQ(ui.fileRequests.size(), 2u);
    const platform::FileRequest& request = ui.fileRequests[1];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.defaultExtension, "set");
    using Filters = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(request.filters, (Filters{{"Setup Files (*.set)", "*.set"}, {"All Files (*.*)", "*.*"}}));
}

TEST_F(Settings, SaveSetupStartsInTheImageDataFolderAndSuggestsTheSameName) {
    softwareSettings().imageDataDirectory = folder.root();
    softwareSettings().retrace = 44;
    std::string setup = folder.path("saved");  // the extension is added
    ui.queue(platform::FileAnswer{setup, 0});
    EXPECT_TRUE(SaveSetup());
    EXPECT_EQ(ReadProfileInt(setup + ".set", "software", "retrace", 0), 44);

    ui.queue(platform::FileAnswer{setup + ".set", 0});
    ASSERT_TRUE(LoadSetup());
    // The image data folder is not part of a setup file: it falls back to its default.
    EXPECT_EQ(softwareSettings().imageDataDirectory, "orvex/ImageData");
    softwareSettings().imageDataDirectory = folder.root();
    ui.queue(platform::CancelAnswer{});
    EXPECT_FALSE(SaveSetup());
    ASSERT_EQ(ui.fileRequests.size(), 3u);
    for (size_t i : {size_t(0), size_t(2)}) {
        const platform::FileRequest& request = ui.fileRequests[i];
        EXPECT_TRUE(request.save);
        EXPECT_EQ(request.folder, folder.root());
        EXPECT_EQ(request.name, "Orvex.set");
        EXPECT_EQ(request.defaultExtension, "set");
        using Filters = std::vector<std::pair<std::string, std::string>>;
        EXPECT_EQ(request.filters, (Filters{{"Setup Files (*.set)", "*.set"}}));
    }
}

}  // namespace
}  // namespace orvex::config
