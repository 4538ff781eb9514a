// The SX50 stage axes against the stand-in "sx50_32.dll", loaded through the
// real loading path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/profile_file.h"
#include "hardware/board.h"
#include "hardware/sx50/sx50_library.h"
#include "hardware/sx50/sx50mot.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex;

namespace {

class Sx50Test : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        standin = platform::Library::load("sx50_32.dll");
        ASSERT_TRUE(standin) << "stand-in library not built";
        ASSERT_TRUE(standin->resolve("SXStandIn", control));
        ASSERT_TRUE(standin->resolve("SXStandInText", text));
        control("reset", 0, 0);
        resetSx50Axes();
        ini = (std::filesystem::temp_directory_path() / ("sx50_" + std::to_string(::getpid()) + ".ini")).string();
        std::filesystem::remove(ini);
    }
    void TearDown() override {
        resetSx50Axes();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
        std::filesystem::remove(ini);
    }

    // Both axes read the file and are initialized, X first.
    void start(const std::string& iniText) {
        std::ofstream(ini) << iniText;
        sx50AxisX().ReadIni(ini, "stage x");
        sx50AxisY().ReadIni(ini, "stage y");
        ASSERT_EQ(sx50AxisX().Initialize(), 0);
        ASSERT_EQ(sx50AxisY().Initialize(), 0);
    }

    double ask(const char* what, int axis = 0) { return control(what, axis, 0); }

    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::unique_ptr<platform::Library> standin;
    double (*control)(const char*, int, double) = nullptr;
    const char* (*text)(int) = nullptr;
    std::string ini;
};

TEST_F(Sx50Test, BothAxesShareOneConnection) {
    start("[hardware]\nSX50InterfaceBoardType=2\nSX50WDSDeviceName=wds7\n");
    EXPECT_EQ(ask("initializations"), 1);
    EXPECT_EQ(ask("load abs calls"), 1);
    EXPECT_EQ(ask("load abs first"), 1);
    EXPECT_EQ(ask("load abs second"), 0);
    EXPECT_EQ(std::string(text(0)), "iomapper5");
    EXPECT_EQ(std::string(text(1)), "wds7");
    const int expected[] = {40, 2, 0, 0, 20000, 30000, 60000, 100000, 5, 2};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ask("parameter", i), expected[i]) << i;
    EXPECT_EQ(sx50Connection().initialized, 1);
    EXPECT_NE(sx50Connection().connection, 0u);
    EXPECT_TRUE(ui.messages.empty());

    // The connection ends once, with the axes.
    resetSx50Axes();
    EXPECT_EQ(ask("closes"), 1);
    EXPECT_EQ(ask("connection"), 0);
}

TEST_F(Sx50Test, AFailedInitializationIsReportedAndNothingMoves) {
    control("fail initialize", 0, 1);
    EXPECT_EQ(sx50AxisX().Initialize(), -1);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"SX50MOT::Initialize(): SX50 Initialization Error"});
    EXPECT_EQ(ask("load abs calls"), 0);
    ui.clear();
    sx50Connection().interfaceType = 1;
    EXPECT_EQ(sx50AxisX().GetPosition(), 0.0);
    sx50AxisX().WaitForPosition();
    sx50AxisX().Blank(1);
    EXPECT_TRUE(ui.messages.empty());
    // A move cannot be made: the axis is given up, once for the whole stage.
    sx50AxisX().axisName = "stage x";
    EXPECT_EQ(sx50AxisX().SetPosition(5), 0);
    EXPECT_EQ(sx50AxisY().SetPosition(5), 0);
    EXPECT_EQ(sx50AxisX().SetPosition(6), 0);
    EXPECT_EQ(ui.messageLines(),
              std::vector<std::string>{"SX50MOT::SetPosition(): The stage x axis has no connection to the SX50\n" +
                                       std::string(kGivenUpText)});
    EXPECT_EQ(sx50AxisY().failed, 1);
    EXPECT_EQ(ask("reads") + ask("status reads") + ask("faraday calls"), 0);
}

TEST_F(Sx50Test, AbsoluteTargetsBecomeRelativeMoves) {
    start("");
    control("set position", 1, 12.25);
    EXPECT_EQ(sx50AxisX().SetPosition(10), 1);
    EXPECT_DOUBLE_EQ(ask("last relative", 1), -2.25);
    EXPECT_DOUBLE_EQ(ask("position", 1), 10);
    EXPECT_DOUBLE_EQ(sx50AxisX().GetPosition(), 10);
    EXPECT_EQ(ask("error calls"), 2);  // after each position read
    // Y is axis 2 and leaves X alone.
    control("set position", 2, 100);
    sx50AxisY().SetPosition(150.5);
    EXPECT_DOUBLE_EQ(ask("position", 2), 150.5);
    EXPECT_DOUBLE_EQ(ask("position", 1), 10);
}

TEST_F(Sx50Test, BacklashTakesTwoRelativeMoves) {
    start("[stage x]\nbacklash=0.1\n");
    SX50MOT& x = sx50AxisX();
    x.SetBacklashDirection(1);
    control("set position", 1, 50);
    x.MoveWithBacklash(40);
    x.WaitForPosition();
    EXPECT_EQ(ask("starts", 1), 2);
    EXPECT_NEAR(ask("last relative", 1), 0.1, 1e-12);
    EXPECT_NEAR(ask("position", 1), 40, 1e-12);
    x.MoveToPosition(1.0);  // the high corner: straight up
    EXPECT_EQ(ask("starts", 1), 3);
    EXPECT_NEAR(ask("position", 1), x.GetHiSU(), 1e-9);
}

TEST_F(Sx50Test, LibraryErrorsAreShownOnlyWhenTheInterfaceTypeIsNotZero) {
    for (const char* type : {"0", "1", "2"}) {
        SCOPED_TRACE(type);
        resetSx50Axes();
        control("reset", 0, 0);
        ui.clear();
        start(std::string("[hardware]\nSX50InterfaceBoardType=") + type + "\n");
        const bool loud = std::string(type) != "0";
        SX50MOT& x = sx50AxisX();

        control("fail start", 0, 1);
        EXPECT_EQ(x.SetPosition(20), 0);
        control("fail start", 0, 0);
        control("fail load", 0, 1);
        EXPECT_EQ(x.SetPosition(20), 0);
        EXPECT_EQ(ask("starts", 1), 0);  // a failed load is never started
        control("fail load", 0, 0);
        control("fail read", 0, 1);
        const double relative = ask("last relative", 1);
        EXPECT_EQ(x.SetPosition(30), 0);
        EXPECT_EQ(ask("last relative", 1), relative);  // no move from an unknown position
        x.GetPosition();
        control("fail read", 0, 0);
        EXPECT_EQ(sx50Connection().lastStatus, loud ? 1 : 0);

        const std::vector<std::string> shown = {"SX50MOT::SetPosition: error - SX_StartStage()",
                                                "SX50MOT::SetPosition: error - SX_LoadStageRel()",
                                                "SX50MOT::SetPosition(): error - SX_ReadStagePos()",
                                                "SX50MOT::GetPosition(): error - SX_ReadStagePos()"};
        EXPECT_EQ(ui.messageLines(), loud ? shown : std::vector<std::string>{});
    }
}

TEST_F(Sx50Test, TheInterfaceTypeIsOneOfThreeWords) {
    struct Case {
        const char* line;
        int type;
        bool warned;
    };
    for (const Case& c : {Case{"", 0, false}, Case{"SX50InterfaceBoardType=1\n", 1, false},
                          Case{"SX50InterfaceBoardType= 2 \n", 2, false}, Case{"SX50InterfaceBoardType=3\n", 0, true},
                          Case{"SX50InterfaceBoardType=10\n", 0, true}}) {
        SCOPED_TRACE(c.line);
        ui.clear();
        sx50Connection().interfaceType = 1;
        std::ofstream(ini) << "[hardware]\n" << c.line;
        sx50AxisX().ReadIni(ini, "stage x");
        EXPECT_EQ(sx50Connection().interfaceType, c.type);
        EXPECT_EQ(ui.count("SX50MOT::ReadIni()", "Warning - SX50:Unrecognized Interface Type\nMust be '0' or '1'"),
                  c.warned ? 1 : 0);
        EXPECT_EQ(ui.messages.size(), c.warned ? 1u : 0u);
    }
}

TEST_F(Sx50Test, WritingLeavesTheAxisNameAlone) {
    start("[hardware]\nSX50InterfaceBoardType=2\n[stage y]\naxis name=Y\nlow limit=0\nhigh limit=100\nspan=4\n");
    std::filesystem::remove(ini);
    sx50AxisY().WriteIni(ini, "stage y");
    EXPECT_EQ(config::ReadProfileString(ini, "stage y", "axis name", "none"), "none");
    EXPECT_EQ(config::ReadProfileString(ini, "stage y", "high limit", ""), "100");
    EXPECT_EQ(config::ReadProfileString(ini, "stage y", "span", ""), "4");
    EXPECT_EQ(config::ReadProfileString(ini, "hardware", "SX50InterfaceBoardType", ""), "2");
}

TEST_F(Sx50Test, WaitingEndsOnRestOnAFailedReadOrAfterTheTimeLimit) {
    start("[hardware]\nSX50InterfaceBoardType=1\n[stage x]\naxis name=X\n");
    SX50MOT& x = sx50AxisX();
    x.WaitForPosition();
    EXPECT_EQ(ask("status reads"), 1);  // idle in the low half, whatever the high half says

    control("fail status", 0, 1);
    x.WaitForPosition();
    EXPECT_EQ(ask("status reads"), 2);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"SX50MOT::WaitForPosition(): error - SX_ReadStageStatus()"});
    control("fail status", 0, 0);

    ui.clear();
    control("busy", 0, 1);
    x.WaitForPosition();
    EXPECT_GT(clock.tick, SX50MOT::kMoveTimeoutMs);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"SX50MOT::WaitForPosition(): The X axis did not come to rest\n" +
                                                          std::string(kGivenUpText)});
    // Given up: no further waits, no moves started, until the stage is retried.
    const uint32_t after = clock.tick;
    const int reads = static_cast<int>(ask("status reads"));
    x.WaitForPosition();
    EXPECT_EQ(x.SetPosition(12), 0);
    EXPECT_EQ(clock.tick, after);
    EXPECT_EQ(ask("status reads"), reads);
    EXPECT_EQ(ask("starts", 1), 0);
    control("busy", 0, 0);
    board().RetryStage();
    EXPECT_EQ(x.SetPosition(12), 1);
    EXPECT_EQ(ask("starts", 1), 1);
}

TEST_F(Sx50Test, TheFaradayCupFollowsBlank) {
    start("");
    sx50AxisX().Blank(1);
    EXPECT_EQ(ask("faraday"), 1);
    sx50AxisX().Blank(0);
    EXPECT_EQ(ask("faraday"), 0);
}

TEST_F(Sx50Test, AMissingLibraryOrEntryPointIsReportedOnce) {
    sx50Library().name = "sx50_32_absent.dll";
    EXPECT_EQ(sx50AxisX().Initialize(), -1);
    EXPECT_EQ(sx50AxisY().Initialize(), -1);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadSX50_32(): Can't load SX50_32.dll"});

    resetSx50Axes();
    ui.clear();
    sx50Library().name = "sx50_32_partial.dll";
    EXPECT_EQ(sx50AxisX().Initialize(), -1);
    EXPECT_EQ(sx50AxisY().Initialize(), -1);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadSX50_32(): 2 of 7 functions did not load"});
    EXPECT_EQ(ask("initializations"), 0);
    sx50AxisX().Blank(1);
    EXPECT_EQ(sx50AxisX().SetPosition(3), 0);
    EXPECT_EQ(ask("reads"), 0);
}

}  // namespace
