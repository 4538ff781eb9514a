// The simulated probe and the simulated stage axes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "hardware/sim/simmot.h"
#include "hardware/sim/simprobe.h"
#include "platform/headless_ui.h"

using namespace orvex;

namespace {

class SimProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        ResetSimProbe();
    }
    void TearDown() override {
        ResetSimProbe();
        platform::setUi(nullptr);
        if (!ini.empty()) std::filesystem::remove(ini);
    }
    void WriteIni(const std::string& text) {
        ini = (std::filesystem::temp_directory_path() /
               ("orvex_sim_" + std::to_string(::getpid()) + ".ini"))
                  .string();
        std::ofstream(ini) << text;
    }

    platform::HeadlessUi ui;
    std::string ini;
};

}  // namespace

TEST_F(SimProbeTest, DigitalWordAndCountersAreProductsOfTheBeamPosition) {
    SIMPROBE& probe = simProbe();
    probe.SetDA(SIMPROBE::Axis::X, 3);
    probe.SetDA(SIMPROBE::Axis::Y, 5);
    EXPECT_EQ(probe.GetDA(SIMPROBE::Axis::X), 3u);
    EXPECT_EQ(probe.ReadDigital(), 0u);
    EXPECT_EQ(probe.ReadCounter(0), 15);
    EXPECT_EQ(probe.ReadCounter(1), 15);
    EXPECT_EQ(probe.ReadCounter(2), 7);
    EXPECT_EQ(probe.ReadCounter(4), 3);

    // The 32-bit product wraps; counters see it modulo 65536.
    probe.SetDA(SIMPROBE::Axis::X, 65535);
    probe.SetDA(SIMPROBE::Axis::Y, 65535);
    EXPECT_EQ(probe.ReadDigital(), 268427264u);
    EXPECT_EQ(probe.ReadCounter(0), 1);
    probe.SetDA(SIMPROBE::Axis::X, 70000);
    probe.SetDA(SIMPROBE::Axis::Y, 70000);
    EXPECT_EQ(probe.ReadDigital(), static_cast<uint32_t>(70000u * 70000u) >> 4);

    // Counter numbers outside 0..19 read nothing rather than shifting out of range.
    EXPECT_EQ(probe.ReadCounter(-1), 0);
    EXPECT_EQ(probe.ReadCounter(20), 0);
    EXPECT_EQ(probe.ReadCounter(19), static_cast<int>((70000u * 70000u) % 65536u) >> 9);
}

TEST_F(SimProbeTest, EachCountingPollEndsTheLowestCounter) {
    SIMPROBE& probe = simProbe();
    probe.StartCounter(4);
    probe.StartCounter(2);
    probe.StartCounter(25);  // no such counter: ignored
    EXPECT_EQ(probe.IsCounting(), 1);
    EXPECT_FALSE(probe.counting[2]);
    EXPECT_TRUE(probe.counting[4]);
    EXPECT_EQ(probe.IsCounting(), 1);
    EXPECT_FALSE(probe.counting[4]);
    EXPECT_EQ(probe.IsCounting(), 0);
}

TEST_F(SimProbeTest, CountTimeIsNeverBelowTenMilliseconds) {
    SIMPROBE& probe = simProbe();
    EXPECT_EQ(probe.SetCountTime(0), 0);
    EXPECT_DOUBLE_EQ(probe.countTime, 0.01);
    EXPECT_EQ(probe.SetCountTime(0.005f), 0);
    EXPECT_DOUBLE_EQ(probe.countTime, 0.01);
    EXPECT_EQ(probe.SetCountTime(0.25f), 1);
    EXPECT_FLOAT_EQ(static_cast<float>(probe.countTime), 0.25f);
}

TEST_F(SimProbeTest, ControlMirrorsOnBitSevenOnly) {
    SIMPROBE& probe = simProbe();
    probe.outputWord = 0x0011;
    probe.SetControl(5);
    EXPECT_EQ(probe.control, 5);
    EXPECT_EQ(probe.outputWord, 0x0091);
    probe.SetControl(0);
    EXPECT_EQ(probe.outputWord, 0x0011);
    EXPECT_DOUBLE_EQ(probe.GetStagePosition(SIMPROBE::Axis::X), 0.0);
    EXPECT_DOUBLE_EQ(probe.GetStagePosition(SIMPROBE::Axis::Y), 0.0);
}

TEST_F(SimProbeTest, TooFewSimulatedStageMotorsWarnTwiceAndChangeNothingElse) {
    WriteIni("[hardware]\nmctype=MC_SIMULATE\nstage motors=1\nCounterTimeNumberofBoards=2\n"
             "[counter]\nmax=3\n");
    simProbe().ReadIni(ini);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{
                  "readini(): not enough simulated stage motors for simulated X-Y imaging",
                  "SIMPROBE::ReadIni(): simulated stage motors disabled"}));
    EXPECT_EQ(simProbe().boards, 2);
    EXPECT_EQ(simProbe().counterCount, 3);
    simProbe().Initialize();
    EXPECT_EQ(simProbe().counterCount, 10);

    // Without a simulated or DCX controller the motor count is not looked at.
    ui.clear();
    WriteIni("[hardware]\nmctype=sx50\nstage motors=0\n");
    simProbe().ReadIni(ini);
    EXPECT_TRUE(ui.messages.empty());
    WriteIni("[hardware]\nmctype=dcx\nstage motors=2\n");
    simProbe().ReadIni(ini);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SimProbeTest, InitializeNeedsTheFileReadFirst) {
    simProbe().Initialize();  // no boards yet: nothing to do, nothing said
    EXPECT_TRUE(ui.messages.empty());
    simProbe().boards = 1;
    simProbe().Initialize();
    EXPECT_EQ(ui.count("Counters", "Uninitialized"), 1);
    simProbe().iniRead = 1;
    simProbe().boards = 65535;
    simProbe().Initialize();
    EXPECT_EQ(ui.count("Counters", "Uninitialized"), 2);
    // An absurd board count does not overflow the counter count.
    simProbe().boards = 2000000000;
    simProbe().Initialize();
    EXPECT_GT(simProbe().counterCount, 0);
}

TEST(SimulatedAxis, MovesAtOnceWithinItsWindowWithoutRangeCheck) {
    SIMMOT axis;
    axis.lowCorner = 100;
    axis.highCorner = 200;
    EXPECT_EQ(axis.SetPosition(1e6), 1);
    EXPECT_DOUBLE_EQ(axis.GetPosition(), 1e6);
    axis.MoveToPosition(0.25);
    EXPECT_DOUBLE_EQ(axis.GetPosition(), 125);
    EXPECT_DOUBLE_EQ(axis.GetPositionHL(), 0.25);
    axis.SetPosition(50);
    EXPECT_DOUBLE_EQ(axis.GetPositionHL(), -0.5);
    axis.highCorner = axis.lowCorner;  // no window: a fraction of 0, not NaN
    EXPECT_DOUBLE_EQ(axis.GetPositionHL(), 0.0);
}
