#include "app_test_support.h"

#include "app/headless_session.h"
#include "app/program_folder.h"

using namespace orvex;
using namespace orvex::app;

namespace {

// A session runs in a folder of its own: the element lists and the image
// data folder of a fresh machine land below the current folder.
class SessionTest : public orvex::testing::AppTest {
protected:
    std::filesystem::path previous;
    void SetUp() override {
        AppTest::SetUp();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        // The profile file and what the dialogs keep stay in the test's folder.
        UseProgramFolder(dir.string());
        resetSoftwareSettings();
        application().reset();
        std::ofstream(path("Orvex.ini")) << "[hardware]\nprobetype=demo\n[software]\nImageDataDirectory=data\n";
    }
    void TearDown() override {
        UseProgramFolder("");
        std::filesystem::current_path(previous);
        AppTest::TearDown();
    }
};

}  // namespace

TEST_F(SessionTest, MacroRunsOnAStartedSystemAndEndsWithoutAsking) {
    std::ofstream(path("m.txt")) << "menu Window > Global History...\n"
                                    "expect nothing\n"
                                    "echo started\n";
    std::stringstream out, err;
    EXPECT_EQ(RunMacroSession(path("m.txt"), path("Orvex.ini"), out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "started\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "data"));  // the image data folder of a fresh machine
    EXPECT_FALSE(application().running);
    EXPECT_EQ(windowList().Count(), 0);

    std::ofstream(path("bad.txt")) << "echo one\nmenu Nowhere\necho two\n";
    std::stringstream out2, err2;
    EXPECT_EQ(RunMacroSession(path("bad.txt"), path("Orvex.ini"), out2, err2), 1);
    EXPECT_EQ(out2.str(), "one\n");
    EXPECT_NE(err2.str().find(path("bad.txt") + ":2: no menu command \"Nowhere\""), std::string::npos);
    std::stringstream out3, err3;
    EXPECT_EQ(RunMacroSession(path("none.txt"), path("Orvex.ini"), out3, err3), 1);
}

TEST_F(SessionTest, AcquireSavesOneRegisteredTiffPerChannelAndTheHistoryBesideThem) {
    std::stringstream out, err;
    AcquireOptions o;
    o.iniPath = path("Orvex.ini");
    o.outDir = path("run1");
    ASSERT_EQ(RunAcquireSession(o, out, err), 0) << err.str();
    std::vector<std::filesystem::path> tiffs;
    bool history = false;
    for (auto& e : std::filesystem::directory_iterator(path("run1"))) {
        if (e.path().extension() == ".tif") tiffs.push_back(e.path());
        if (e.path().filename().string().rfind("OV_History_", 0) == 0) {
            history = true;
            std::string text = readFile(e.path());
            EXPECT_NE(text.find("started acquire|single: "), std::string::npos);
            EXPECT_NE(text.find("finished scan: "), std::string::npos);
            EXPECT_LT(text.find("started acquire|single: "), text.find("finished scan: "));
        }
    }
    ASSERT_EQ(tiffs.size(), 1u);  // DEMO enables the first analog channel
    EXPECT_TRUE(history);
    EXPECT_EQ(out.str(), tiffs[0].string() + "\n");

    // Read back as a user would open it: the registration came along.
    platform::setUi(&ui);
    ImageHandle back = ReadImageFile(tiffs[0].string(), ImageFileTiff);
    ASSERT_TRUE(back);
    EXPECT_TRUE(LiveImage(back)->IsPositionRegistered());
    std::vector<uint8_t> row(static_cast<size_t>(LiveImage(back)->Width()));
    long sum = 0;
    for (int r = 0; r < LiveImage(back)->Height(); ++r) {
        ReadLine8(back, r, row.data());
        for (uint8_t v : row) sum += v;
    }
    EXPECT_GT(sum, 0);  // the simulated instrument painted something
}

TEST_F(SessionTest, ContinuousFinishesAfterTheGivenPasses) {
    std::stringstream out, err;
    AcquireOptions o;
    o.iniPath = path("Orvex.ini");
    o.outDir = path("run2");
    o.mode = "continuous";
    o.passes = 3;
    ASSERT_EQ(RunAcquireSession(o, out, err), 0) << err.str();
    std::string history;
    for (auto& e : std::filesystem::directory_iterator(path("run2")))
        if (e.path().extension() == ".txt") history = readFile(e.path());
    EXPECT_NE(history.find("    pass: 2  \n"), std::string::npos);
    EXPECT_EQ(history.find("    pass: 3  \n"), std::string::npos);
    EXPECT_NE(history.find("finished scan: "), std::string::npos);
}

TEST_F(SessionTest, AContinuousRunFromAMacroFinishesAfterItsPasses) {
    std::ofstream(path("c.txt")) << "passes 2\nmenu Acquire > Continuous\nexpect-windows 1\necho finished\n";
    std::stringstream out, err;
    ASSERT_EQ(RunMacroSession(path("c.txt"), path("Orvex.ini"), out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "finished\n");
    const std::string history = GlobalHistoryText();
    EXPECT_NE(history.find("    pass: 1  \n"), std::string::npos);
    EXPECT_EQ(history.find("    pass: 2  \n"), std::string::npos);
    std::stringstream out2, err2;
    std::ofstream(path("bad.txt")) << "passes 0\n";
    EXPECT_EQ(RunMacroSession(path("bad.txt"), path("Orvex.ini"), out2, err2), 1);
}

// Every command of the table can be run from a macro by its path without "&",
// and comes back when nothing answers it (the menu commands of files and the
// run control are exercised elsewhere).
TEST_F(SessionTest, EveryMenuCommandRunsFromAMacroAndReturns) {
    std::ofstream(path("list.txt")) << "commands\n";
    std::stringstream listing, ignored;
    ASSERT_EQ(RunMacroSession(path("list.txt"), path("Orvex.ini"), listing, ignored), 0);
    std::ofstream macro(path("all.txt"));
    macro << "open " << ORVEX_TEST_DATA << "/formats/pillow-grey8.tif\n";
    int commands = 0;
    for (std::string line; std::getline(listing, line);) {
        for (const char* mark : {" (disabled)", " (checked)"})
            if (auto at = line.find(mark); at != std::string::npos) line.erase(at);
        std::string plain;
        for (size_t i = 0; i < line.size(); ++i)
            if (line[i] != '&' || (i + 1 < line.size() && line[i + 1] == ' ')) plain += line[i];
        if (plain.rfind("File >", 0) == 0 || plain == "Acquire > Finish" || plain == "Acquire > Halt") continue;
        macro << "activate 1\nmenu " << plain << "\n";
        ++commands;
    }
    macro << "echo end\n";
    macro.close();
    EXPECT_GT(commands, 40);
    std::stringstream out, err;
    EXPECT_EQ(RunMacroSession(path("all.txt"), path("Orvex.ini"), out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "end\n");
}
