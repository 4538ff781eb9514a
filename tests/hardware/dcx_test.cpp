// The DCX stage axes against the stand-in "mcapi32.dll", loaded through the
// real loading path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/profile_file.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/dcx/mcapi_library.h"
#include "imagestore/history.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex;

namespace {

class DcxTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        standin = platform::Library::load("mcapi32.dll");
        ASSERT_TRUE(standin) << "stand-in library not built";
        ASSERT_TRUE(standin->resolve("MCStandIn", control));
        control("reset", 0, 0, 0);
        resetDcxAxes();
        ini = (std::filesystem::temp_directory_path() / ("dcx_" + std::to_string(::getpid()) + ".ini")).string();
        std::filesystem::remove(ini);
    }
    void TearDown() override {
        resetDcxAxes();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
        std::filesystem::remove(ini);
    }

    // An axis opened on a controller, with limits 5..610.
    DCXMOT& openAxis(int controller, int axis, DCXMOT& a = dcxAxisX()) {
        a.axisNumber = static_cast<int16_t>(axis);
        a.lowLimit = 5;
        a.highLimit = 610;
        a.lowCorner = 300;
        a.highCorner = 310;
        EXPECT_GE(a.Open(controller), 0);
        return a;
    }

    double ask(const char* what, int controller, int axis) { return control(what, controller, axis, 0); }

    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::unique_ptr<platform::Library> standin;
    double (*control)(const char*, int, int, double) = nullptr;
    std::string ini;
};

TEST_F(DcxTest, StageUnitsAndCountsConvertWithRatioAndOffset) {
    DCXMOT& a = openAxis(0, 3);
    a.encoderRatio = 1000;
    a.offset = 2.5;
    EXPECT_EQ(a.SetPosition(12.5), 1);
    EXPECT_DOUBLE_EQ(ask("last target", 0, 3), 10000);
    control("set counts", 0, 3, 10000);
    EXPECT_DOUBLE_EQ(a.GetPositionEx(), 12.5);
    control("set counts", 0, 3, 307.5 * 1000 - 2500);
    EXPECT_DOUBLE_EQ(a.GetPositionHL(), 0.75);
    a.MoveToPosition(0.25);
    EXPECT_DOUBLE_EQ(ask("counts", 0, 3), (302.5 - 2.5) * 1000);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DcxTest, MovesEnableTheAxisAndTheWaitSwitchesItOff) {
    DCXMOT& a = openAxis(1, 2);
    a.SetPosition(20);
    EXPECT_EQ(ask("enabled", 1, 2), 1);
    EXPECT_EQ(a.movePending, 1);
    a.WaitForPosition();
    EXPECT_EQ(ask("enabled", 1, 2), 0);
    const double reads = ask("status reads", 0, 0);
    // A second wait after the same move returns at once.
    a.WaitForPosition();
    EXPECT_EQ(ask("status reads", 0, 0), reads);
    // Enabling an axis that is on, or disabling one that is off, is no call.
    const double calls = ask("enable calls", 1, 2);
    a.Disable();
    a.Enable();
    a.Enable();
    EXPECT_EQ(ask("enable calls", 1, 2), calls + 1);
}

TEST_F(DcxTest, BacklashIsTakenUpInTheConfiguredDirection) {
    DCXMOT& a = openAxis(0, 1);
    a.encoderRatio = 10;
    a.backlash = 0.1;
    a.SetBacklashDirection(+1);
    struct Case {
        double target;
        int moves;
    };
    // Present position 50: going down overshoots, going up does not, and
    // standing still still approaches from below.
    for (const Case& c : {Case{40, 2}, Case{60, 1}, Case{50, 2}}) {
        SCOPED_TRACE(c.target);
        control("set counts", 0, 1, 500);
        const double before = ask("moves", 0, 1);
        a.MoveWithBacklash(c.target);
        a.WaitForPosition();
        EXPECT_EQ(ask("moves", 0, 1) - before, c.moves);
        EXPECT_NEAR(ask("counts", 0, 1), c.target * 10, 1e-9);
        EXPECT_EQ(ask("enabled", 0, 1), 0);
    }
    // The overshoot of a downward move.
    control("set counts", 0, 1, 500);
    a.SetBacklashDirection(-1);
    a.MoveWithBacklash(60);
    EXPECT_NEAR(ask("counts", 0, 1), 600, 1e-9);
    EXPECT_EQ(a.movePending, 1);
}

TEST_F(DcxTest, DumpHistoryLogsEachMoveWithItsBacklashCase) {
    ResetGlobalHistory();
    DCXMOT& a = openAxis(0, 1);
    a.axisName = "stage x";
    a.backlash = 0.1;
    a.SetBacklashDirection(-1);
    control("set counts", 0, 1, 30);
    a.MoveWithBacklash(40);
    EXPECT_TRUE(GlobalHistoryText().empty());  // only with "dump history"
    a.dumpHistory = 1;
    control("set counts", 0, 1, 30);
    a.MoveWithBacklash(40);
    EXPECT_EQ(GlobalHistoryText(),
              "+move-backlash      stage x posSU: 40.1\n"
              "move after backlash stage x posSU: 40\n");
    EXPECT_TRUE(a.history.empty());
    ResetGlobalHistory();
}

TEST_F(DcxTest, OpenErrorsNameTheControllerAndLeaveABadHandle) {
    struct Case {
        int code;
        int controller;
        std::string text;
    };
    const std::vector<Case> cases = {
        {-1, 0, "No controller is installed at this ID0"},
        {-2, 1, "The driver is out of handles."},
        {-3, 0, "Unable to open controller for exclusive use - another process has handle"},
        {-4, 0, "The requested mode is unavailable."},
        {-5, 0, "The requested mode is not available for this controller."},
        {-6, 0, "Unable to initialize device driver."},
        {-7, 0, "Controller hardware is missing or not responding"},
        {-8, 0, "Unable to allocate memory for handle"},
        {-18, 12, "Specified nID is out of range:12"},
        {-19, 0, "The constant value supplied for wMode is invalid."},
        {-42, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        resetDcxAxes();
        ui.clear();
        control("open result", c.controller, 0, c.code);
        DCXMOT& a = dcxAxisX();
        EXPECT_EQ(a.Open(c.controller), c.code);
        EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"DCX::Initialize(): " + c.text});
        EXPECT_EQ(a.handle, c.code);
    }
    EXPECT_EQ(ask("last open mode", 0, 0), 2);

    // Every operation on the unopened axis says so under its own name, and
    // nothing reaches the controller.
    ui.clear();
    DCXMOT& a = dcxAxisX();
    EXPECT_EQ(a.SetPosition(10), 0);
    EXPECT_EQ(a.GetPositionEx(), 0.0);
    a.Enable();
    a.Disable();
    a.Blank(1);
    a.movePending = 1;
    a.WaitForPosition();
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{
                                     "DCXMOT::SetPosition(): bad handle", "DCXMOT::GetPositionEx(): bad handle",
                                     "DCXMOT::Enable(): bad handle", "DCXMOT::Disable(): bad handle",
                                     "DCXMOT::Blank(): bad handle", "DCXMOT::WaitForPosition(): bad handle"}));
    EXPECT_EQ(ask("status reads", 0, 0), 0);
}

TEST_F(DcxTest, TheFaradayOutputDependsOnTheCupBeingPresent) {
    for (bool present : {true, false}) {
        SCOPED_TRACE(present);
        resetDcxAxes();
        control("reset", 0, 0, 0);
        std::ofstream(ini) << "[faraday]\nFaradayCupPresent=" << (present ? "Yes" : "off") << "\n";
        DCXMOT& a = dcxAxisX();
        a.ReadIni(ini, "stage x");
        openAxis(0, 1);
        a.Blank(1);
        EXPECT_EQ(ask("last digital channel", 0, 0), present ? 1 : 3);
        EXPECT_EQ(ask("last digital state", 0, 0), 1);
        a.Blank(0);
        EXPECT_EQ(ask("digital", 0, present ? 1 : 3), 0);
    }
}

TEST_F(DcxTest, AMoveThatNeverEndsIsGivenUpAndReported) {
    ResetGlobalHistory();
    DCXMOT& a = openAxis(0, 4);
    a.axisName = "stage y";
    control("never stop", 0, 0, 1);
    a.SetPosition(100);
    a.WaitForPosition();
    EXPECT_GT(clock.tick, DCXMOT::kMoveTimeoutMs);
    const std::string given = "The stage y axis did not report the end of its move";
    EXPECT_EQ(ui.messageLines(),
              std::vector<std::string>{"DCXMOT::WaitForPosition(): " + given + "\n" + kGivenUpText});
    EXPECT_EQ(GlobalHistoryText(), given + "\n");
    EXPECT_EQ(ask("enabled", 0, 4), 0);

    // Given up: later moves return at once, commanding nothing, waiting for nothing.
    EXPECT_EQ(a.failed, 1);
    const uint32_t after = clock.tick;
    const double moves = ask("moves", 0, 4);
    EXPECT_EQ(a.SetPosition(200), 0);
    a.MoveToPosition(0.5);
    a.WaitForPosition();
    EXPECT_EQ(ask("moves", 0, 4), moves);
    EXPECT_EQ(clock.tick, after);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(DcxTest, AStageGivenUpShowsOneMessageAndIsTriedAgainOnRetry) {
    ResetGlobalHistory();
    DCXMOT& x = openAxis(0, 4);
    DCXMOT& y = dcxAxisY();
    y.axisNumber = 5;
    ASSERT_GE(y.Open(0), 0);
    x.axisName = "stage x";
    y.axisName = "stage y";
    control("never stop", 0, 0, 1);
    for (DCXMOT* axis : {&y, &x}) {
        axis->SetPosition(10);
        axis->WaitForPosition();
    }
    // The dead controller takes both axes: one message, both on record.
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(GlobalHistoryText(), "The stage y axis did not report the end of its move\n"
                                   "The stage x axis did not report the end of its move\n");
    softwareSettings().probeType = kProbeSemq;
    softwareSettings().demo = 0;
    board().mcType = devicetype::Dcx;
    EXPECT_TRUE(board().StageFailed());

    control("never stop", 0, 0, 0);
    board().RetryStage();
    EXPECT_FALSE(board().StageFailed());
    EXPECT_EQ(x.SetPosition(30), 1);
    x.WaitForPosition();
    EXPECT_EQ(ask("last target", 0, 4), 30 * x.encoderRatio);

    // After the retry a new failure is shown again.
    control("never stop", 0, 0, 1);
    x.SetPosition(40);
    x.WaitForPosition();
    EXPECT_EQ(ui.messages.size(), 2u);
    ResetBoard();
    resetSoftwareSettings();
}

TEST_F(DcxTest, AMissingLibraryOrEntryPointIsReportedOnce) {
    mcapiLibrary().name = "mcapi32_absent.dll";
    EXPECT_EQ(dcxAxisX().Open(0), DCXMOT::kNoLibrary);
    EXPECT_EQ(dcxAxisY().Open(0), DCXMOT::kNoLibrary);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadDlls(): Can't load MCAPI32.dll"});

    resetDcxAxes();
    ui.clear();
    mcapiLibrary().name = "mcapi32_partial.dll";
    EXPECT_LT(dcxAxisX().Open(0), 0);
    EXPECT_LT(dcxAxisY().Open(0), 0);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadMCAPI(): 2 of 9 functions did not load"});
    EXPECT_EQ(ask("opens", 0, 0), 0);
}

TEST_F(DcxTest, InterfaceErrorsAreShownOnceByReportErrors) {
    DCXMOT& a = openAxis(0, 9);  // controllers have eight axes
    a.GetPositionEx();
    a.ReportErrors();
    a.ReportErrors();
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"9: Axis number out of range"});
    ui.clear();
    a.errorCode = 3;
    a.ReportErrors();
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"DCXMOT: DCX interface error on Last operation"});
}

TEST_F(DcxTest, SettingsReadAndWriteTheAxisKeys) {
    std::ofstream(ini) << "[stage x]\naxis name=X stage\nlow limit=1\nhigh limit=101\nspan=20\n"
                          "[stage y]\nencoder ratio=0\n";
    DCXMOT& x = dcxAxisX();
    x.ReadIni(ini, "stage x");
    EXPECT_EQ(x.encoderRatio, 1000);
    EXPECT_EQ(x.faradayCupPresent, 0);
    EXPECT_EQ(x.lowCorner, 41);
    EXPECT_TRUE(ui.messages.empty());
    DCXMOT& y = dcxAxisY();
    y.ReadIni(ini, "stage y");
    EXPECT_EQ(y.encoderRatio, 1000);
    EXPECT_EQ(ui.messageLines(),
              std::vector<std::string>{"DCXMOT::ReadIni(): encoder ratio must not be 0 on the stage y axis - 1000 used"});

    x.encoderRatio = 1234.56789012345;
    x.WriteIni(ini, "stage x");
    EXPECT_EQ(config::ReadProfileString(ini, "stage x", "encoder ratio", ""), "1234.56789");
    EXPECT_EQ(config::ReadProfileString(ini, "stage x", "span", ""), "20");
    EXPECT_EQ(config::ReadProfileString(ini, "stage x", "axis name", ""), "X stage");
}

TEST_F(DcxTest, ClosingFreesEveryHandleTheFirstOneToo) {
    openAxis(0, 1, dcxAxisX());
    openAxis(0, 2, dcxAxisY());
    EXPECT_EQ(dcxAxisX().handle, 0);
    EXPECT_EQ(ask("open handles", 0, 0), 2);
    resetDcxAxes();
    EXPECT_EQ(ask("open handles", 0, 0), 0);
}

}  // namespace
