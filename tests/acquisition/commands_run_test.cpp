// Single, Continuous and Average on the DEMO instrument, with Finish, Halt
// and window closings delivered from the message pump as the window system
// would between two scan points.
#include <algorithm>

#include "acquisition/commands_fixture.h"
#include "app/application.h"
#include "imagestore/value_range.h"

namespace orvex {
namespace {

using testing::BlankingClock;
using Lines = std::vector<std::string>;

class Commands : public testing::CommandsTest {};

TEST_F(Commands, SingleWithoutChannelsSaysSoAndTouchesNothing) {
    beamScan(16, 12);
    OnAcquireSingle();
    EXPECT_EQ(ui.messageLines(), Lines{"acquire_single: No Channels Enabled!"});
    EXPECT_TRUE(blanking.waits.empty());
    EXPECT_EQ(simProbe().control, 0);
    EXPECT_EQ(windowList().Count(), 0);
    EXPECT_TRUE(runLines().empty());
    EXPECT_EQ(runState().commandBusy, 0);
    OnAcquireContinuous();
    OnAcquireAverage();
    EXPECT_EQ(ui.messageLines(), (Lines{"acquire_single: No Channels Enabled!",
                                        "acquire_continuous: No Channels Enabled!",
                                        "acquire_average: No Channels Enabled!"}));
}

// What the menus offer: during a run the Setup and Modes menus and the
// three starts are greyed, the running kind is checked, Finish and Halt are
// offered; between runs the other way round.
struct MenuLook {
    std::string enabled;  // "S" every Setup and Modes entry, "s" none; then the Acquire entries
    std::string checked;

    static MenuLook now() {
        const app::CommandTable& t = app::commandTable();
        MenuLook look;
        int entries = 0, on = 0;
        for (const app::Command& c : t.all()) {
            const std::string top = app::SplitMenuPath(c.path).front();
            if (top != "Setup" && top != "Modes") continue;
            ++entries;
            on += t.isEnabled(c.path);
        }
        EXPECT_EQ(entries, 16);  // twelve Setup entries, four Modes
        look.enabled = on == entries ? "S" : on == 0 ? "s" : "?";
        for (const char* kind : {"Single", "Continuous", "Average", "Finish", "Halt"}) {
            const std::string path = std::string("Acquire > ") + kind;
            if (t.isEnabled(path)) look.enabled += kind[0];
            if (t.isChecked(path)) look.checked += kind;
        }
        return look;
    }
    bool idle() const { return enabled == "SSCA" && checked.empty(); }
    bool running(const std::string& kind) const { return enabled == "sFH" && checked == kind; }
};

TEST_F(Commands, SingleTakesOnePassInsideTheBeamFrameAndStretchesThePalette) {
    ANALOGCHANNEL& a = enableAnalog();
    EXPECT_TRUE(MenuLook::now().idle());
    bool greyedDuringRun = false, askedAgain = false;
    ui.onPump = [&] {
        greyedDuringRun = MenuLook::now().running("Single") && runState().acquisitionInProgress == 1 &&
                          ui.status[0] == "Acquisition running - single";
        if (!askedAgain) {
            askedAgain = true;
            // Arriving through the pump: refused as greyed, and ignored by the command itself.
            EXPECT_EQ(app::commandTable().run("Acquire > Single"), app::CommandTable::RunResult::Disabled);
            OnAcquireSingle();
        }
    };
    app::commandTable().run("Acquire > &Single");
    EXPECT_TRUE(greyedDuringRun);
    EXPECT_EQ(runLines(), (Lines{"started acquire|single: @", "finished scan: @"}));
    EXPECT_EQ(a.passCount, 1u);
    EXPECT_TRUE(MenuLook::now().idle());
    EXPECT_EQ(runState().runState, RUN_IDLE);
    EXPECT_EQ(runState().acquireMode, ACQUIRE_NONE);
    EXPECT_EQ(runState().commandBusy, 0);
    EXPECT_EQ(runState().acquisitionInProgress, 0);
    // Unblanked under the instrument's control, blanked at the end with the
    // deflection given back.
    ASSERT_EQ(blanking.waits.size(), 2u);
    EXPECT_EQ(blanking.waits[0].milliseconds, 700u);
    EXPECT_EQ(blanking.waits[0].control, 0);
    EXPECT_EQ(blanking.waits[1].milliseconds, 300u);
    EXPECT_EQ(blanking.waits[1].control, 0);
    EXPECT_EQ(simProbe().control, 0);

    // The palette: black below the data, white above, the base ramp between.
    unsigned lo = 0, hi = 0;
    OV_ScanForMinMax(LiveImage(a.image), lo, hi);
    ASSERT_LT(lo, hi);
    std::vector<uint32_t> p;
    GetPalette(a.image, p);
    for (unsigned i = 0; i < 256; ++i) {
        const uint32_t expected = i < lo ? 0u : i > hi ? 0xFFFFFFu : basePalette[(i - lo) * 255 / (hi - lo)];
        ASSERT_EQ(p[i], expected) << i;
    }
}

TEST_F(Commands, FinishDuringSingleCompletesThePassButLogsHaltedEarly) {
    ANALOGCHANNEL& a = enableAnalog(16, 12);
    ui.onPump = [&] { app::commandTable().run("Acquire > &Finish"); };
    OnAcquireSingle();
    EXPECT_EQ(runLines(), (Lines{"started acquire|single: @", "halted early: @"}));
    EXPECT_EQ(a.passCount, 1u);
    EXPECT_EQ(ui.progress.back(), 100);  // every line was scanned
}

TEST_F(Commands, HaltAndFinishOverrideEachOtherOnlyWhileRunning) {
    OnAcquireFinish();
    OnAcquireHalt();
    EXPECT_EQ(runState().runState, RUN_IDLE);
    runState().runState = RUN_RUNNING;
    OnAcquireHalt();
    EXPECT_EQ(runState().runState, RUN_HALT);
    OnAcquireFinish();
    EXPECT_EQ(runState().runState, RUN_FINISH);
    OnAcquireHalt();
    EXPECT_EQ(runState().runState, RUN_HALT);
}

TEST_F(Commands, ContinuousEndsByFinishAsFinishedAndByHaltAsHaltedEarly) {
    enableAnalog(8, 6);
    bool checkedDuringRun = false;
    ui.onPump = [&] {
        checkedDuringRun = MenuLook::now().running("Continuous");
        if (runLines().size() == 3) app::commandTable().run("Acquire > &Finish");  // during pass 1
    };
    OnAcquireContinuous();
    EXPECT_TRUE(checkedDuringRun);
    EXPECT_TRUE(MenuLook::now().idle());
    EXPECT_EQ(runLines(), (Lines{"started acquire|continuous: @", "    pass: 0  ", "    pass: 1  ",
                                 "finished scan: @"}));

    ResetGlobalHistory();
    blanking.waits.clear();
    ui.onPump = [&] {
        if (runLines().size() == 4) app::commandTable().run("Acquire > &Halt");  // during pass 2
    };
    OnAcquireContinuous();
    EXPECT_EQ(runLines(), (Lines{"started acquire|continuous: @", "    pass: 0  ", "    pass: 1  ",
                                 "    pass: 2  ", "halted early: @"}));
    // The beam was centred and given back before it was blanked.
    ASSERT_EQ(blanking.waits.size(), 2u);
    EXPECT_EQ(blanking.waits[1].milliseconds, 300u);
    EXPECT_EQ(blanking.waits[1].control, 0);
    EXPECT_EQ(blanking.waits[1].daX, board().GetDAMax() / 2);
    EXPECT_EQ(simProbe().daY, board().GetDAMax() / 2);
    EXPECT_EQ(runState().runState, RUN_IDLE);
}

TEST_F(Commands, AverageMakesMaximumScansPassesButAtLeastTwo) {
    for (uint32_t maximum : {1u, 3u}) {
        ResetGlobalHistory();
        ANALOGCHANNEL& a = enableAnalog(8, 6);
        channelTables().SetAllMaxPasses(maximum);
        bool checked = false;
        ui.onPump = [&] { checked = checked || MenuLook::now().running("Average"); };
        OnAcquireAverage();
        EXPECT_TRUE(checked);
        EXPECT_TRUE(MenuLook::now().idle());
        Lines expected{"started acquire|average: @", "  Pass number:1  ", "  Pass number:2  "};
        if (maximum == 3) expected.push_back("  Pass number:3  ");
        expected.push_back("finished scan: @");
        EXPECT_EQ(runLines(), expected) << maximum;
        EXPECT_EQ(a.passCount, maximum);  // the count stops at the maximum
        EXPECT_EQ(ui.status[0], "Pass number:" + std::to_string(std::max(2u, maximum)));
    }
}

TEST_F(Commands, HaltDuringTheFirstAveragingPassEndsAfterItCentredAndBlanked) {
    ANALOGCHANNEL& a = enableAnalog(8, 6);
    channelTables().SetAllMaxPasses(3);
    ui.onPump = [&] { OnAcquireHalt(); };
    OnAcquireAverage();
    EXPECT_EQ(runLines(), (Lines{"started acquire|average: @", "  Pass number:1  ", "halted early: @"}));
    EXPECT_EQ(a.passCount, 1u);
    ASSERT_EQ(blanking.waits.size(), 2u);
    EXPECT_EQ(blanking.waits[1].milliseconds, 300u);
    EXPECT_EQ(blanking.waits[1].control, 0);
    EXPECT_EQ(blanking.waits[1].daX, board().GetDAMax() / 2);
    EXPECT_EQ(runState().acquisitionInProgress, 0);
}

// On a real probe every averaging pass is a scan pass, which counts even when
// halted: the halted last pass must not make the run look finished.
TEST_F(Commands, HaltDuringTheLastAveragingPassIsAHaltedRunAndFinishAFinishedOne) {
    softwareSettings().probeType = kProbeSemq;
    softwareSettings().demo = 0;
    for (bool halt : {true, false}) {
        ResetGlobalHistory();
        ANALOGCHANNEL& a = enableAnalog(8, 6);
        channelTables().SetAllMaxPasses(3);
        ui.onPump = [&] {
            if (runLines().size() < 4) return;  // pass 3 is being scanned
            if (halt)
                OnAcquireHalt();
            else
                OnAcquireFinish();
        };
        OnAcquireAverage();
        EXPECT_EQ(runLines(), (Lines{"started acquire|average: @", "  Pass number:1  ", "  Pass number:2  ",
                                     "  Pass number:3  ", halt ? "halted early: @" : "finished scan: @"}))
            << halt;
        EXPECT_EQ(a.passCount, 3u);
        EXPECT_EQ(runState().runState, RUN_IDLE);
    }
}

TEST_F(Commands, ADeclinedHybridScanIsAHaltedRunAskedOnce) {
    enableAnalog(11, 11);
    for (SIMMOT* axis : {&board().simX, &board().simY}) {
        axis->lowCorner = -10;
        axis->highCorner = 10;
    }
    calmag().stageToMicrons = 1;  // a 20-micron stage frame inside a large beam frame
    calmag().scanType = SCAN_HYBRID;
    const std::string question =
        "Beam Frame is larger than Stage Frame.\nPure Beam Scan would be more efficient.\nContinue Hybrid Scan?";
    for (void (*command)() : {&OnAcquireSingle, &OnAcquireContinuous, &OnAcquireAverage}) {
        ResetGlobalHistory();
        ui.clear();
        command();  // answered No
        EXPECT_EQ(ui.count("Hybrid Scan Setup", question), 1);
        ASSERT_FALSE(runLines().empty());
        EXPECT_EQ(runLines().back(), "halted early: @");
        EXPECT_EQ(runState().runState, RUN_IDLE);
    }
}

TEST_F(Commands, ClosingTheOnlyChannelWindowEndsAContinuousRunAfterThePass) {
    ANALOGCHANNEL& a = enableAnalog(8, 6);
    int pumpsAfterClose = 0;
    ui.onPump = [&] {
        if (!a.image) {
            ++pumpsAfterClose;
            return;
        }
        CloseImageWindow(a.image);  // closed by the program: nothing is asked
    };
    OnAcquireContinuous();
    EXPECT_EQ(runLines(), (Lines{"started acquire|continuous: @", "    pass: 0  ", "halted early: @"}));
    EXPECT_GT(pumpsAfterClose, 0);  // the pass went on to its end
    EXPECT_FALSE(a.enabled);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Commands, ClosingAChannelWindowMidRunAsksWhetherToTerminate) {
    ANALOGCHANNEL& a = enableAnalog(8, 6);
    const ImageHandle other = CreateImage(4, 4, PaletteCustom, true, 8);
    LiveImage(other)->SetModified(false);
    int closes = 0;
    // No: the window stays and the run goes on. An unrelated window closes
    // without a question. Yes: the run halts and the window closes.
    ui.onPump = [&] {
        if (!a.image || runState().runState != RUN_RUNNING) return;
        ++closes;
        if (closes == 1) {
            EXPECT_FALSE(app::application().CloseImage(a.image));
            EXPECT_TRUE(app::application().CloseImage(other));
        } else if (runLines().size() == 3) {
            ui.queue(platform::Answer::Yes);
            ui.queue(platform::Answer::No);  // not saved
            EXPECT_TRUE(app::application().CloseImage(a.image));
        }
    };
    OnAcquireContinuous();
    EXPECT_EQ(runLines(), (Lines{"started acquire|continuous: @", "    pass: 0  ", "    pass: 1  ",
                                 "halted early: @"}));
    EXPECT_EQ(ui.count("Close During Acquisition", "Do You Wish to Terminate Acquisition?"), 2);
    EXPECT_EQ(windowList().Count(), 0);
    // Idle again: closing asks nothing.
    const ImageHandle later = CreateImage(4, 4, PaletteCustom, true, 8);
    LiveImage(later)->SetModified(false);
    const size_t asked = ui.messages.size();
    EXPECT_TRUE(app::application().CloseImage(later));
    EXPECT_EQ(ui.messages.size(), asked);
}

TEST_F(Commands, EndingTheProgramMidRunAsksAndMainWindowCloseIsRefused) {
    ANALOGCHANNEL& a = enableAnalog(8, 6);
    app::application().steps = app::DefaultLifecycleSteps();
    bool asked = false;
    ui.onPump = [&] {
        if (asked || !a.image) return;
        asked = true;
        EXPECT_FALSE(app::application().CloseMainWindow());
        EXPECT_FALSE(app::application().Exit());  // unanswered: No
        EXPECT_TRUE(LiveView(a.image));
        OnAcquireFinish();
    };
    OnAcquireContinuous();
    EXPECT_EQ(ui.count("Close program", "Acquisition is running\nUse Finish or Halt\nto stop acquisition"), 1);
    EXPECT_EQ(ui.count("Close During Acquisition", "Do You Wish to Terminate Acquisition?"), 1);
    EXPECT_EQ(runLines().back(), "finished scan: @");
}

}  // namespace
}  // namespace orvex
