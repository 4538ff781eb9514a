// The Stage Scan Setup dialog: corners kept in their axis order, width and
// height about the midpoint, the Update buttons, and what OK stores.
#include "acquisition/commands_fixture.h"
#include "acquisition/stage_scan_dialog.h"
#include "app/commands/setup.h"

namespace orvex {
namespace {

using Dialog = StageScanSetupDialog;

class StageScanSetup : public testing::CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        frame(1, 3, 2, 6);
    }
    static void frame(double xLow, double xHigh, double yLow, double yHigh) {
        board().simX.lowCorner = xLow;
        board().simX.highCorner = xHigh;
        board().simY.lowCorner = yLow;
        board().simY.highCorner = yHigh;
    }
    static std::string text(const Dialog& d, const char* label) { return d.find(label)->text; }
};

TEST_F(StageScanSetup, OpensOnTheBoardFrameWithItsOrderPerAxis) {
    Dialog d;
    EXPECT_EQ(d.caption(), "Stage Scan Setup");
    EXPECT_EQ(text(d, Dialog::kX1), "1.000");
    EXPECT_EQ(text(d, Dialog::kX2), "3.000");
    EXPECT_EQ(text(d, Dialog::kY1), "6.000");  // the upper corner first
    EXPECT_EQ(text(d, Dialog::kY2), "2.000");
    EXPECT_EQ(text(d, Dialog::kWidth), "2.000");
    EXPECT_EQ(text(d, Dialog::kHeight), "4.000");
    EXPECT_TRUE(d.xAscending);
    EXPECT_FALSE(d.yAscending);
    EXPECT_EQ(text(d, Dialog::kPosition), "");
    EXPECT_TRUE(d.find("X Stage Units") && d.find("Y Stage Units"));

    board().simX.dumpFlag = 1;
    simProbe().stageX = 1.5;
    simProbe().stageY = -2;
    Dialog dumping;
    EXPECT_EQ(text(dumping, Dialog::kPosition), "Stage X = 1.500  Stage Y = -2.000");
}

TEST_F(StageScanSetup, EditsKeepEachAxisInItsOrder) {
    Dialog d;
    ASSERT_TRUE(d.setText(Dialog::kWidth, "4"));  // about the midpoint 2
    EXPECT_DOUBLE_EQ(d.x1, 0);
    EXPECT_DOUBLE_EQ(d.x2, 4);
    ASSERT_TRUE(d.setText(Dialog::kHeight, "2"));  // about 4, still descending
    EXPECT_DOUBLE_EQ(d.y1, 5);
    EXPECT_DOUBLE_EQ(d.y2, 3);
    ASSERT_TRUE(d.setText(Dialog::kX1, "9"));  // past corner 2: the corners swap
    EXPECT_DOUBLE_EQ(d.x1, 4);
    EXPECT_DOUBLE_EQ(d.x2, 9);
    EXPECT_EQ(text(d, Dialog::kWidth), "5.000");
    ASSERT_TRUE(d.setText(Dialog::kY2, "7"));
    EXPECT_DOUBLE_EQ(d.y1, 7);
    EXPECT_DOUBLE_EQ(d.y2, 5);
    ASSERT_TRUE(d.setText(Dialog::kX2, "x"));  // unreadable: the value in force is shown again
    EXPECT_EQ(text(d, Dialog::kX2), "9.000");
}

TEST_F(StageScanSetup, UpdateButtonsTakeThePresentStagePosition) {
    Dialog d;
    simProbe().stageX = 5;
    simProbe().stageY = 1;
    EXPECT_FALSE(d.press(Dialog::kUpdate1));
    // Corner 1 := (5, 1); the x pair swaps to stay ascending, the y pair to stay descending.
    EXPECT_DOUBLE_EQ(d.x1, 3);
    EXPECT_DOUBLE_EQ(d.x2, 5);
    EXPECT_DOUBLE_EQ(d.y1, 2);
    EXPECT_DOUBLE_EQ(d.y2, 1);
    EXPECT_EQ(text(d, Dialog::kPosition), "Stage X = 5.000  Stage Y = 1.000");
    EXPECT_EQ(text(d, Dialog::kHeight), "1.000");

    simProbe().stageX = 10;
    simProbe().stageY = 20;
    d.press(Dialog::kUpdateCentre);  // signed width 2 and height -1 kept
    EXPECT_DOUBLE_EQ(d.x1, 9);
    EXPECT_DOUBLE_EQ(d.x2, 11);
    EXPECT_DOUBLE_EQ(d.y1, 20.5);
    EXPECT_DOUBLE_EQ(d.y2, 19.5);

    simProbe().stageX = 0;
    simProbe().stageY = 30;
    d.press(Dialog::kUpdate2);
    EXPECT_DOUBLE_EQ(d.x1, 0);
    EXPECT_DOUBLE_EQ(d.x2, 9);
    EXPECT_DOUBLE_EQ(d.y1, 30);
    EXPECT_DOUBLE_EQ(d.y2, 20.5);
}

TEST_F(StageScanSetup, OkStoresTheFrameUnlessAPairOfCornersIsEqual) {
    using platform::DialogStep;
    auto run = [&](std::vector<DialogStep> steps) {
        steps.push_back({DialogStep::Op::Press, "OK"});
        ui.queue(platform::DialogScript{steps, nullptr});
        app::commandTable().run("Setup > &Stage Scan Setup...");
    };
    run({{DialogStep::Op::SetText, Dialog::kX2, "1"}});
    run({{DialogStep::Op::SetText, Dialog::kY1, "2"}});
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"setup_resolution(): Left X = Right X - Coordinates not changed",
                                        "setup_resolution(): Upper Y = Lower Y - Coordinates not changed"}));
    EXPECT_DOUBLE_EQ(board().simX.lowCorner, 1);
    EXPECT_DOUBLE_EQ(board().simX.highCorner, 3);
    EXPECT_DOUBLE_EQ(board().simY.highCorner, 6);

    run({{DialogStep::Op::SetText, Dialog::kWidth, "10"}, {DialogStep::Op::SetText, Dialog::kY2, "-4"}});
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_DOUBLE_EQ(board().simX.lowCorner, -3);
    EXPECT_DOUBLE_EQ(board().simX.highCorner, 7);
    EXPECT_DOUBLE_EQ(board().simY.lowCorner, -4);
    EXPECT_DOUBLE_EQ(board().simY.highCorner, 6);

    // Cancel stores nothing.
    ui.queue(platform::DialogScript{{{DialogStep::Op::SetText, Dialog::kWidth, "1"},
                                     {DialogStep::Op::Press, "Cancel"}},
                                    nullptr});
    setup_resolution();
    EXPECT_DOUBLE_EQ(board().simX.highCorner, 7);
}

TEST_F(StageScanSetup, ReversedRegistrationReadsAndStoresTheFrameTheOtherWayRound) {
    calmag().registrationXPolarity = 1;
    EXPECT_TRUE(calmag().RegistrationPolarities().x);
    EXPECT_FALSE(calmag().RegistrationPolarities().y);
    Dialog d;
    EXPECT_DOUBLE_EQ(d.x1, 3);  // the left corner is the stage's high one
    EXPECT_DOUBLE_EQ(d.x2, 1);
    EXPECT_FALSE(d.xAscending);
    EXPECT_DOUBLE_EQ(d.y1, 6);

    using platform::DialogStep;
    // Only the right corner moves: stored as the stage's low corner, the high
    // one is left exactly where it was.
    ui.queue(platform::DialogScript{{{DialogStep::Op::SetText, Dialog::kX2, "0"},
                                     {DialogStep::Op::Press, "OK"}},
                                    nullptr});
    setup_resolution();
    EXPECT_DOUBLE_EQ(board().simX.lowCorner, 0);
    EXPECT_DOUBLE_EQ(board().simX.highCorner, 3);
    EXPECT_DOUBLE_EQ(board().simY.lowCorner, 2);
    EXPECT_DOUBLE_EQ(board().simY.highCorner, 6);
}

}  // namespace
}  // namespace orvex
