#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "config/profile_file.h"
#include "hardware/stagemot.h"
#include "platform/headless_ui.h"

using namespace orvex;

namespace {

class StageAxis : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui); }
    void TearDown() override { platform::setUi(nullptr); }

    // An axis as ReadIni leaves it with limits 5..610 and span 10.
    static STAGEMOT Axis(const std::string& name = "stage x") {
        STAGEMOT axis;
        axis.axisName = name;
        axis.lowLimit = 5;
        axis.highLimit = 610;
        axis.lowCorner = 302.5;
        axis.highCorner = 312.5;
        return axis;
    }

    std::string RangeText(const char* where, const std::string& axis) {
        return std::string("An attempt was made to set a scan boundry ") + where + "\non the " + axis +
               " axis";
    }

    platform::HeadlessUi ui;
};

std::string WriteFile(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path) << text;
    return path.string();
}

}  // namespace

TEST_F(StageAxis, ReadIniCentresTheWindowOnTheTravelAndTakesMagnitudes) {
    const std::string path = WriteFile("orvex_stagemot_read.ini",
                                       "[Stage X]\nlow limit=5\nhigh limit=610\nspan=-10\n"
                                       "backlash=-0.25\ndump history=yes\n");
    STAGEMOT axis;
    axis.ReadIni(path, "stage x");
    EXPECT_EQ(axis.axisName, "stage x");  // the section name is the default
    EXPECT_DOUBLE_EQ(axis.lowCorner, 302.5);
    EXPECT_DOUBLE_EQ(axis.highCorner, 312.5);
    EXPECT_DOUBLE_EQ(axis.backlash, 0.25);
    EXPECT_EQ(axis.dumpHistory, 1);
    EXPECT_EQ(axis.dumpFlag, 0);

    STAGEMOT defaults;
    defaults.ReadIni(path, "stage y");  // no such section: every default
    EXPECT_DOUBLE_EQ(defaults.lowLimit, 5);
    EXPECT_DOUBLE_EQ(defaults.highLimit, 610);
    EXPECT_DOUBLE_EQ(defaults.Span(), 10);
    EXPECT_DOUBLE_EQ(defaults.backlash, 0.1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StageAxis, WriteIniStoresTenSignificantDigitsAndReadsBack) {
    const std::string path = WriteFile("orvex_stagemot_write.ini", "");
    STAGEMOT axis = Axis("Sample X");
    axis.lowLimit = 1.0 / 3.0;
    axis.WriteIni(path, "Stage X");
    EXPECT_EQ(config::ReadProfileString(path, "stage x", "low limit", ""), "0.3333333333");
    EXPECT_EQ(config::ReadProfileString(path, "stage x", "span", ""), "10");
    STAGEMOT back;
    back.ReadIni(path, "stage x");
    EXPECT_EQ(back.axisName, "Sample X");
    EXPECT_DOUBLE_EQ(back.highLimit, 610);
}

TEST_F(StageAxis, CornerSettersClampIntoTheLimitsWithTheAxisNameInTheMessage) {
    STAGEMOT axis = Axis();
    axis.SetHiSU(700);
    EXPECT_DOUBLE_EQ(axis.highCorner, 610);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "STAGEMOT::CheckRange()");
    EXPECT_EQ(ui.messages[0].text, RangeText("above high limit ", "stage x"));

    ui.clear();
    axis.SetLoSU(1);
    EXPECT_DOUBLE_EQ(axis.lowCorner, 5);
    EXPECT_EQ(ui.count("STAGEMOT::CheckRange()", RangeText("below low limit ", "stage x")), 1);

    // A corner beyond the other limit is pulled back to that limit.
    ui.clear();
    axis.SetHiSU(2);
    EXPECT_EQ(ui.count("STAGEMOT::CheckRange()", RangeText("below low limit ", "stage x")), 1);
    // ... and the window of no width that leaves is widened silently.
    EXPECT_DOUBLE_EQ(axis.lowCorner, 5 - 605 * 0.0005);
    EXPECT_DOUBLE_EQ(axis.highCorner, 5 + 605 * 0.0005);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(StageAxis, EqualCornersAreWidenedByAFractionOfTheTravelWithoutMessage) {
    STAGEMOT axis = Axis();
    axis.SetLoSU(50);
    axis.SetHiSU(50);
    EXPECT_DOUBLE_EQ(axis.lowCorner, 50 - 0.3025);
    EXPECT_DOUBLE_EQ(axis.highCorner, 50 + 0.3025);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StageAxis, DirectCentringKeepsTheWidthAndIgnoresTheLimits) {
    STAGEMOT axis = Axis();
    axis.SetSUDirect(0.0);
    EXPECT_DOUBLE_EQ(axis.lowCorner, -5);
    EXPECT_DOUBLE_EQ(axis.highCorner, 5);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_DOUBLE_EQ(axis.FractionOf(0), 0.5);
    EXPECT_DOUBLE_EQ(axis.PositionOf(0.25), -2.5);
}

TEST_F(StageAxis, PolarityCheckSortsCornersAndLimitsSilently) {
    STAGEMOT axis = Axis();
    axis.lowCorner = 20;
    axis.highCorner = 10;
    axis.lowLimit = 600;
    axis.highLimit = 5;
    axis.CheckPolarity();
    EXPECT_DOUBLE_EQ(axis.lowCorner, 10);
    EXPECT_DOUBLE_EQ(axis.highCorner, 20);
    EXPECT_DOUBLE_EQ(axis.lowLimit, 5);
    EXPECT_DOUBLE_EQ(axis.highLimit, 600);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StageAxis, ValidateRepairsEachFaultWithItsMessage) {
    STAGEMOT axis = Axis();
    axis.lowLimit = axis.highLimit = 100;
    axis.lowCorner = 400;
    axis.highCorner = 300;
    axis.Validate();
    const std::string caption = "STAGEMOT::Validate()";
    EXPECT_EQ(ui.count(caption, "Low limit = High limit"), 1);
    EXPECT_DOUBLE_EQ(axis.lowLimit, 99.9);
    EXPECT_DOUBLE_EQ(axis.highLimit, 100.1);
    EXPECT_EQ(ui.count(caption, "corners reversed"), 1);
    EXPECT_EQ(ui.count(caption, "high corner higher than high limit"), 1);
    EXPECT_EQ(ui.count(caption, "Limits reversed"), 0);
    EXPECT_DOUBLE_EQ(axis.lowCorner, 300);
    EXPECT_DOUBLE_EQ(axis.highCorner, 100.1);

    ui.clear();
    STAGEMOT reversed = Axis();
    reversed.lowLimit = 610;
    reversed.highLimit = 5;
    reversed.lowCorner = reversed.highCorner = 2;
    reversed.Validate();
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{caption + ": Limits reversed",
                                        caption + ": Low corner = High corner",
                                        caption + ": low corner lower than low limit"}));
    EXPECT_DOUBLE_EQ(reversed.lowCorner, 5);
    EXPECT_DOUBLE_EQ(reversed.highCorner, 2.002);
}

TEST_F(StageAxis, ValidateNeverLeavesEqualValuesAtZeroOrReversesNegativeOnes) {
    for (double value : {-10.0, 0.0}) {
        ui.clear();
        STAGEMOT axis = Axis();
        axis.lowLimit = axis.highLimit = value;
        axis.lowCorner = axis.highCorner = value;
        axis.Validate();
        EXPECT_LT(axis.lowLimit, axis.highLimit) << value;
        EXPECT_LT(axis.lowCorner, axis.highCorner) << value;
        EXPECT_EQ(ui.count("STAGEMOT::Validate()", "Limits reversed"), 0) << value;
        EXPECT_EQ(ui.count("STAGEMOT::Validate()", "corners reversed"), 0) << value;
    }
}

namespace {

// Records the moves and waits of one backlash decision.
struct MoveLog {
    double present = 50;
    std::vector<std::string> steps;

    void Run(STAGEMOT& axis, double target) {
        steps.clear();
        axis.MoveWithBacklash(
            target, [this] { return present; },
            [this](double p) { steps.push_back("move " + FormatSignificant(p, 10)); },
            [this] { steps.push_back("wait"); });
    }
};

}  // namespace

TEST_F(StageAxis, BacklashIsTakenUpFromTheSideOfTheFinalApproach) {
    STAGEMOT axis = Axis();
    axis.backlash = 0.1;
    axis.SetBacklashDirection(+1);
    MoveLog log;
    log.Run(axis, 40);
    EXPECT_EQ(log.steps, (std::vector<std::string>{"move 39.9", "wait", "move 40"}));
    log.Run(axis, 60);
    EXPECT_EQ(log.steps, (std::vector<std::string>{"move 60"}));
    log.Run(axis, 50);  // no distance still approaches from below
    EXPECT_EQ(log.steps, (std::vector<std::string>{"move 49.9", "wait", "move 50"}));

    axis.SetBacklashDirection(-1);
    log.Run(axis, 60);
    EXPECT_EQ(log.steps, (std::vector<std::string>{"move 60.1", "wait", "move 60"}));
    log.Run(axis, 40);
    EXPECT_EQ(log.steps, (std::vector<std::string>{"move 40"}));

    axis.SetBacklashDirection(0);
    log.Run(axis, 60);
    EXPECT_EQ(log.steps, (std::vector<std::string>{"move 59.9", "wait", "move 60"}));
}

TEST_F(StageAxis, BacklashCasesAreRecordedOnlyWithDumpHistory) {
    STAGEMOT axis = Axis();
    axis.backlash = 0.1;
    axis.SetBacklashDirection(-1);
    MoveLog log;
    log.Run(axis, 60);
    EXPECT_EQ(axis.history, "");

    axis.dumpHistory = 1;
    log.Run(axis, 60);
    EXPECT_EQ(axis.history, "+move-backlash      move after backlash ");
    log.Run(axis, 40);
    EXPECT_EQ(axis.history, "-move-backlash      ");

    axis.backlash = 0;
    bool read = false;
    axis.MoveWithBacklash(
        10, [&] { read = true; return 0.0; }, [](double) {}, [] {});
    EXPECT_EQ(axis.history, "no backlash         ");
    EXPECT_FALSE(read);  // without backlash the hardware is not asked where it is
}
