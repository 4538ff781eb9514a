#include "app_test_support.h"

#include "app/headless_session.h"

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
        resetSoftwareSettings();
        application().reset();
        std::ofstream(path("Orvex.ini")) << "[hardware]\nprobetype=demo\n[software]\nImageDataDirectory=data\n";
    }
    void TearDown() override {
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
