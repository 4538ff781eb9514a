// Where the program finds "Orvex.ini" and keeps its files, and the reads of
// the initialization file that give the application its image data folder.
#include "app_test_support.h"

#include <cstdlib>

#include "app/command_table.h"
#include "app/program_folder.h"
#include "app/settings_install.h"
#include "config/settings_order.h"

using namespace orvex;
using namespace orvex::app;

namespace {

class ProgramFolderTest : public orvex::testing::AppTest {
protected:
    std::string savedXdg;
    bool hadXdg = false;
    void SetUp() override {
        AppTest::SetUp();
        if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) {
            hadXdg = true;
            savedXdg = xdg;
        }
        ::setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    }
    void TearDown() override {
        if (hadXdg)
            ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv(kProgramFolderVariable);
        UseProgramFolder("");
        config::ResetSettingsHandlers();
        AppTest::TearDown();
    }
};

}  // namespace

TEST_F(ProgramFolderTest, TheFolderGivenWinsOverTheVariableWhichWinsOverTheProgramsOwn) {
    const std::string own = ProgramFolder();
    EXPECT_FALSE(own.empty());
    ::setenv(kProgramFolderVariable, path("from-env").c_str(), 1);
    EXPECT_EQ(ProgramFolder(), path("from-env"));
    UseProgramFolder(path("given"));
    EXPECT_EQ(ProgramFolder(), path("given"));
    UseProgramFolder("");
    ::unsetenv(kProgramFolderVariable);
    EXPECT_EQ(ProgramFolder(), own);
}

TEST_F(ProgramFolderTest, UserFolderFollowsXdgElseHome) {
    EXPECT_EQ(UserConfigFolder(), path("config") + "/orvex");
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home && *home) EXPECT_EQ(UserConfigFolder(), std::string(home) + (std::string(home).back() == '/' ? "" : "/") + ".config/orvex");
    // A relative XDG_CONFIG_HOME is not one (the variable must be absolute).
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_NE(UserConfigFolder(), "relative/orvex");
}

TEST_F(ProgramFolderTest, TheSearchEndsWithTheProgramsFolderThenTheUsersFolder) {
    const auto search = IniSearch(path("prog"));
    ASSERT_EQ(search.size(), 5u);
    EXPECT_EQ(search[0], "./Orvex.ini");
    EXPECT_EQ(search[1], "./modules/Orvex.ini");
    EXPECT_EQ(search[2], "/ov/modules/Orvex.ini");
    EXPECT_EQ(search[3], path("prog") + "/Orvex.ini");
    EXPECT_EQ(search[4], path("config") + "/orvex/Orvex.ini");
}

TEST_F(ProgramFolderTest, AFolderThatCannotBeWrittenSendsTheProfileToTheUsersFolder) {
    // A writable folder keeps everything.
    EXPECT_EQ(KeptFilesFolder(dir.string()), dir.string());
    // One that cannot be written (gone, as an installed program's folder may
    // as well be read-only) gives way to the per-user folder, made on demand.
    const std::string gone = path("installed/bin");
    EXPECT_FALSE(FolderIsWritable(gone));
    EXPECT_EQ(KeptFilesFolder(gone), path("config") + "/orvex");
    EXPECT_TRUE(std::filesystem::is_directory(path("config") + "/orvex"));

    application().Start(gone);
    EXPECT_EQ(application().searchFolder, gone);
    EXPECT_EQ(application().programFolder, path("config") + "/orvex");
    EXPECT_EQ(application().profilePath, path("config") + "/orvex/Orvex.ini");
    application().SetDisplayMirror(true, false);
    EXPECT_NE(readFile(path("config") + "/orvex/Orvex.ini").find("MirrorLeftRight=true"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(gone));
}

TEST_F(ProgramFolderTest, TheInitializationFileIsFoundInTheUsersFolderAfterTheOthers) {
    std::filesystem::create_directories(path("config") + "/orvex");
    std::ofstream(path("config") + "/orvex/Orvex.ini") << "[hardware]\nprobetype=DEMO\n";
    auto steps = DefaultLifecycleSteps();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);  // no ./Orvex.ini here
    application().searchFolder = path("prog");
    EXPECT_TRUE(steps.locateIni());
    EXPECT_EQ(softwareSettings().iniPath, path("config") + "/orvex/Orvex.ini");
    // The program's folder comes first.
    std::filesystem::create_directories(path("prog"));
    std::ofstream(path("prog") + "/Orvex.ini") << "[hardware]\nprobetype=DEMO\n";
    EXPECT_TRUE(steps.locateIni());
    EXPECT_EQ(softwareSettings().iniPath, path("prog") + "/Orvex.ini");
    std::filesystem::current_path(previous);
}

TEST_F(ProgramFolderTest, EveryReadOfTheInitializationFileGivesTheImageDataFolderAfresh) {
    std::ofstream(path("Orvex.ini")) << "[software]\nImageDataDirectory=" << path("first") << "\n";
    std::ofstream(path("other.set")) << "[software]\nImageDataDirectory=" << path("second") << "\n";
    InstallSettingsHandlers();
    auto& steps = application().steps;
    steps.loadSettings = [] { config::LoadAllSettings(); };
    softwareSettings().iniPath = path("Orvex.ini");
    start();
    EXPECT_EQ(application().imageDataDirectory, path("first"));
    EXPECT_TRUE(std::filesystem::is_directory(path("first")));
    // Load Setup reads another file: its folder is the one from now on.
    ui.queue(platform::FileAnswer{path("other.set"), 0});
    ASSERT_EQ(commandTable().run("Setup > &Load Setup..."), CommandTable::RunResult::Done);
    EXPECT_EQ(application().imageDataDirectory, path("second"));
    EXPECT_TRUE(std::filesystem::is_directory(path("second")));
}

TEST(OpenTypeOf, TheExtensionNamesTheTypeAsTheOpenDialogsFilterWould) {
    EXPECT_EQ(OpenTypeOf("/data/a.tif"), OpenTiff);
    EXPECT_EQ(OpenTypeOf("a.TIFF"), OpenTiff);
    EXPECT_EQ(OpenTypeOf("c:\\maps\\b.PCX"), OpenPcx);
    EXPECT_EQ(OpenTypeOf("b.bmp"), OpenBmp);
    EXPECT_EQ(OpenTypeOf("g.grd"), OpenGrid8);
    EXPECT_EQ(OpenTypeOf("p.fc"), OpenPalette);
    EXPECT_EQ(OpenTypeOf("dir.v2/noextension"), OpenTiff);
}
