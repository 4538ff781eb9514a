// Passes of the scan engine on the DEMO instrument and on the WIN-30 stand-in.
#include "acquisition/scan_engine.h"

#include <cmath>
#include <cstdlib>

#include "acquisition/acquisition_fixture.h"
#include "hardware/win30/standin/ueidaq_standin.h"

namespace orvex {
namespace {

class ScanEngine : public testing::AcquisitionTest {
  protected:
    // The ramp of the simulated analog signal at pixel indexes (x, y).
    static uint16_t ramp(uint32_t x, uint32_t y) { return static_cast<uint16_t>((x + y) * 16u); }

    ANALOGCHANNEL& analog16() {
        ANALOGCHANNEL& a = channelTables().analog[0];
        a.enabled = 1;
        a.want16Bit = 1;
        return a;
    }
    // A stage window of -10..10 SU on both simulated axes.
    void stageWindow() {
        for (SIMMOT* axis : {&board().simX, &board().simY}) {
            axis->lowLimit = -100;
            axis->highLimit = 100;
            axis->lowCorner = -10;
            axis->highCorner = 10;
        }
    }
};

TEST_F(ScanEngine, DemoBeamPassPaintsTheSimulatedRampPixelForPixel) {
    ANALOGCHANNEL& a = analog16();
    beamScan(64, 48);
    prepare();
    run(ACQUIRE_STORE);
    ScanPass();
    for (int i = 0; i < 48; ++i) {
        std::vector<uint16_t> line = row16(a, i);
        for (int j = 0; j < 64; ++j) ASSERT_EQ(line[j], ramp(j, i)) << "pixel " << j << ", " << i;
    }
    EXPECT_EQ(a.passCount, 1u);
    // Progress after every line, ending at 100.
    ASSERT_EQ(ui.progress.size(), 48u);
    EXPECT_EQ(ui.progress.front(), 2);
    EXPECT_EQ(ui.progress.back(), 100);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ScanEngine, PolaritiesMoveTheBeamNotWhereTheValueIsStored) {
    ANALOGCHANNEL& a = analog16();
    calmag().xPolarity = 1;
    calmag().yPolarity = 1;
    beamScan(40, 30);
    prepare();
    run(ACQUIRE_STORE);
    ScanPass();
    // Pixel (j, i) was taken with the beam at column 39 - j and row 29 - i.
    for (int i = 0; i < 30; ++i) {
        std::vector<uint16_t> line = row16(a, i);
        for (int j = 0; j < 40; ++j) ASSERT_EQ(line[j], ramp(39 - j, 29 - i));
    }
}

TEST_F(ScanEngine, EightBitChannelsAndEveryKindInOnePass) {
    ChannelTables& t = channelTables();
    t.analog[0].enabled = 1;  // 8 bits: the high byte of the ramp
    t.digitalMax = 1;
    t.digital[0].enabled = 1;
    t.digital[0].hwIndex = 3;
    t.counterMax = 1;
    t.counter[0].enabled = 1;
    t.counter[0].want16Bit = 1;
    beamScan(32, 16);
    prepare();
    EXPECT_EQ(t.enabledCounterCount, 1);
    run(ACQUIRE_STORE);
    ScanPass();
    const CALMAG& c = calmag();
    for (uint32_t i = 0; i < 16; ++i) {
        std::vector<uint8_t> analogRow = row8(t.analog[0], i);
        std::vector<uint8_t> digitalRow = row8(t.digital[0], i);
        std::vector<uint16_t> counterRow = row16(t.counter[0], i);
        for (uint32_t j = 0; j < 32; ++j) {
            const uint32_t daX = c.offsetX + j * c.stepX, daY = c.offsetY + i * c.stepY;
            ASSERT_EQ(analogRow[j], ramp(j, i) >> 8);
            ASSERT_EQ(digitalRow[j], (((daX * daY) >> 4) >> 3) & 1u);
            ASSERT_EQ(counterRow[j], (daX * daY) & 0xFFFFu);
        }
    }
}

TEST_F(ScanEngine, HaltIsSeenAtTheEndOfTheRowBeingTaken) {
    ANALOGCHANNEL& a = analog16();
    beamScan(20, 12);
    prepare();
    run(ACQUIRE_STORE);
    const uint32_t rawX = board().GetX(), rawY = board().GetY();
    // The beam scan drains messages only after each line: the sixth pump is
    // the end of row 5.
    ui.onPump = [&] {
        if (ui.pumps == 6) runState().runState = RUN_HALT;
    };
    ScanPass();
    EXPECT_EQ(ui.pumps, 6);
    for (int i = 0; i < 12; ++i) {
        std::vector<uint16_t> line = row16(a, i);
        for (int j = 0; j < 20; ++j) ASSERT_EQ(line[j], i <= 5 ? ramp(j, i) : 0) << j << "," << i;
    }
    EXPECT_EQ(board().GetX(), rawX);
    EXPECT_EQ(board().GetY(), rawY);
    EXPECT_EQ(a.passCount, 1u);  // a halted pass still counts
    EXPECT_EQ(ui.progress.size(), 6u);
}

TEST_F(ScanEngine, QuittingApplicationHaltsThePass) {
    analog16();
    beamScan(10, 10);
    prepare();
    run(ACQUIRE_STORE);
    ui.quitting = true;
    ScanPass();
    EXPECT_EQ(runState().runState, RUN_HALT);
    EXPECT_EQ(ui.pumps, 1);
}

TEST_F(ScanEngine, StageScanVisitsEveryPixelPositionAndComesBack) {
    analog16();
    stageWindow();
    CALMAG& c = calmag();
    c.SetXSize(10);
    c.SetYSize(5);
    c.stageToMicrons = 1;
    c.scanType = SCAN_STAGE;
    c.stageXPolarity = 1;
    c.SetScan();
    prepare();
    run(ACQUIRE_STORE);
    board().simX.position = 3;
    board().simY.position = 4;
    const uint32_t rawX = board().GetX();
    std::vector<double> xs, ys;
    ui.onPump = [&] {
        xs.push_back(board().simX.position);
        ys.push_back(board().simY.position);
    };
    ScanPass();
    // One pump per Y move and one per X move: 5 x (1 + 10), plus one per line end.
    ASSERT_EQ(xs.size(), 5u * 12u);
    // X reversed: the first pixel is half a pixel inside the high corner.
    EXPECT_NEAR(xs[1], 9.0, 1e-9);
    EXPECT_NEAR(xs[10], -9.0, 1e-9);
    EXPECT_NEAR(ys[0], 8.0, 1e-9);  // Y from the top
    EXPECT_NEAR(ys[12], 4.0, 1e-9);
    // Back at the remembered stage position (the simulated stage stands at 0).
    EXPECT_EQ(board().simX.position, 0.0);
    EXPECT_EQ(board().simY.position, 0.0);
    EXPECT_EQ(board().GetX(), rawX);
}

TEST_F(ScanEngine, HaltInAStageScanTakesEffectAtTheNextPixel) {
    ANALOGCHANNEL& a = analog16();
    stageWindow();
    CALMAG& c = calmag();
    c.SetXSize(10);
    c.SetYSize(4);
    c.scanType = SCAN_STAGE;
    c.SetScan();
    prepare();
    for (int row = 0; row < 4; ++row)
        WriteLine16(a.image, row, std::vector<uint16_t>(10, 999).data());
    run(ACQUIRE_STORE);
    // Twelve pumps per row (the Y move, ten X moves, the line end): row 1's
    // Y pump is number 13, the one after the X move of column 4 number 18.
    ui.onPump = [&] {
        if (ui.pumps == 18) runState().runState = RUN_HALT;
    };
    ScanPass();
    std::vector<uint16_t> halted = row16(a, 1);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(halted[j] == 999, j >= 4) << j;
    EXPECT_EQ(row16(a, 2)[0], 999);
    EXPECT_NE(row16(a, 0)[9], 999);
}

TEST_F(ScanEngine, HybridScanCoversTheImageTileByTile) {
    ANALOGCHANNEL& a = analog16();
    stageWindow();
    CALMAG& c = calmag();
    c.SetXSize(21);
    c.SetYSize(21);
    c.stageToMicrons = 100;  // a 2000-micron frame
    c.calMicronsX = c.calMicronsY = 1000;
    c.calMag = 100;
    c.scanType = SCAN_HYBRID;
    c.SetFieldOfView(100);  // a 1000-micron beam frame: 3 x 3 tiles
    c.SetScan();
    ASSERT_EQ(c.tilesX, 3);
    ASSERT_EQ(c.tilesY, 3);
    prepare();
    for (int row = 0; row < 21; ++row)
        WriteLine16(a.image, row, std::vector<uint16_t>(21, 1).data());
    run(ACQUIRE_STORE);
    softwareSettings().retrace = 0;
    ScanPass();
    EXPECT_EQ(a.tilesX, 3);
    // Every pixel was written (the ramp of the beam codes is never 1 here).
    for (int i = 0; i < 21; ++i) {
        std::vector<uint16_t> line = row16(a, i);
        for (int j = 0; j < 21; ++j) ASSERT_NE(line[j], 1) << j << "," << i;
    }
    EXPECT_EQ(ui.progress.size(), 3u);
    EXPECT_EQ(ui.progress.back(), 100);
    EXPECT_EQ(board().simX.position, 0.0);
    EXPECT_EQ(GlobalHistoryText().find("MoveTo position"), std::string::npos);
}

// With reversed stage polarities the tiles are taken in reverse order; each
// tile's pixels are scanned while the stage stands on that tile.
TEST_F(ScanEngine, HybridTilesAreScannedWhereTheStageStands) {
    analog16();
    stageWindow();
    CALMAG& c = calmag();
    c.SetXSize(21);
    c.SetYSize(21);
    c.stageToMicrons = 100;
    c.calMicronsX = c.calMicronsY = 1000;
    c.calMag = 100;
    c.scanType = SCAN_HYBRID;
    c.stageXPolarity = c.stageYPolarity = 1;
    c.SetFieldOfView(100);
    c.SetScan();
    prepare();
    run(ACQUIRE_STORE);
    // Pumps right after a stage move still see the previous tile; every pump
    // inside a tile sees the stage on the tile's centre.
    int matching = 0, other = 0;
    std::vector<double> centres;
    ui.onPump = [&] {
        const bool onTile = std::fabs(board().simX.position * 100 - c.tileCentreX) < 1e-6 &&
                            std::fabs(board().simY.position * 100 - c.tileCentreY) < 1e-6;
        ++(onTile ? matching : other);
        if (onTile && (centres.empty() || centres.back() != c.tileCentreX))
            centres.push_back(c.tileCentreX);
    };
    ScanPass();
    EXPECT_GE(matching, 21 * 21);
    EXPECT_LE(other, c.tilesX * c.tilesY + c.tilesY);
    ASSERT_GE(centres.size(), 3u);
    EXPECT_LT(centres[0], centres[1]);  // reversed order from the reversed start
}

TEST_F(ScanEngine, DeclinedHybridScanTouchesNothingButCountsThePass) {
    ANALOGCHANNEL& a = analog16();
    stageWindow();
    CALMAG& c = calmag();
    c.SetXSize(11);
    c.SetYSize(11);
    c.stageToMicrons = 1;  // a 20-micron frame inside a large beam frame
    c.scanType = SCAN_HYBRID;
    c.SetScan();
    prepare();
    run(ACQUIRE_STORE);
    board().simX.position = 5;
    const uint32_t rawX = board().GetX();
    ScanPass();  // the question is answered No
    EXPECT_EQ(ui.count("Hybrid Scan Setup",
                       "Beam Frame is larger than Stage Frame.\nPure Beam Scan would be more "
                       "efficient.\nContinue Hybrid Scan?"),
              1);
    EXPECT_EQ(board().simX.position, 5.0);
    EXPECT_EQ(board().GetX(), rawX);
    EXPECT_EQ(row16(a, 5)[5], 0);
    EXPECT_EQ(a.passCount, 1u);
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_EQ(runState().runState, RUN_HALT);  // no pass was made: the run cannot end as finished
}

TEST_F(ScanEngine, StageReportText) {
    EXPECT_EQ(StageReportText(2, 1, 0.25, 0.5, -0.125),
              "X Axis: 2      Y Axis:  1\nMoveTo position: 0.250000\n"
              "Actual position: 0.500000\nStage Step: -0.125000\n");
}

TEST_F(ScanEngine, SimulatedPassAveragesTheSyntheticSignals) {
    ChannelTables& t = channelTables();
    ANALOGCHANNEL& a = analog16();
    t.counterMax = 1;
    t.counter[0].enabled = 1;
    t.counter[0].want16Bit = 1;
    beamScan(16, 8);
    prepare();
    run(ACQUIRE_STORE);
    ScanPass();
    const uint16_t before = row16(a, 2)[12];
    const uint16_t counterBefore = row16(t.counter[0], 2)[12];
    run(ACQUIRE_ACCUMULATE);
    SimulatedPass();
    EXPECT_EQ(a.passCount, 2u);
    // Pixel (12, 2): u = 0.5, v = -0.5.
    const double f = (std::cos(5.0 * 0.5 * -0.5) + 1) / 2;
    const uint32_t fresh = static_cast<uint32_t>(std::trunc(f * 65535));
    EXPECT_EQ(row16(a, 2)[12], (fresh + 1u * before) / 2);
    // Counters sum: row 2 < column 12 takes the cosine, plus the pass share.
    const uint32_t count = static_cast<uint32_t>(std::trunc((f + 1.0 / 5) * 6553.5));
    EXPECT_EQ(row16(t.counter[0], 2)[12], std::min<uint32_t>(counterBefore + count, 65535u));
    EXPECT_GT(a.simTotal, 0.0);

    // A halt ends the pass at once, without the increment.
    const int pumps = ui.pumps;
    ui.onPump = [&] { runState().runState = RUN_HALT; };
    runState().runState = RUN_RUNNING;
    SimulatedPass();
    EXPECT_EQ(a.passCount, 2u);
    EXPECT_EQ(ui.pumps, pumps + 1);
}

// The WIN-30 stand-in through the real driver: samples follow the D/A codes.
class Win30Scan : public ScanEngine {
  protected:
    void SetUp() override {
        ScanEngine::SetUp();
        setenv("ORVEX_LIBRARY_PATH", ORVEX_BIN_DIR, 0);
        softwareSettings().demo = 0;
        softwareSettings().probeType = kProbeSemq;
        BOARD& b = board();
        b.daType = b.adType = b.ioType = devicetype::Win30pg;
        ASSERT_EQ(win30pg().Initialize(), 0);
        auto stateOf = reinterpret_cast<UeidaqStandinState* (*)()>(
            win30pg().library->symbol("ueidaq_standin_state"));
        auto reset =
            reinterpret_cast<void (*)()>(win30pg().library->symbol("ueidaq_standin_reset"));
        ASSERT_TRUE(stateOf && reset);
        reset();
        standin = stateOf();
    }
    UeidaqStandinState* standin = nullptr;
};

TEST_F(Win30Scan, RetraceReadingsAreTakenAndThrownAway) {
    ANALOGCHANNEL& a = analog16();
    beamScan(12, 6);
    prepare();
    run(ACQUIRE_STORE);
    softwareSettings().retrace = 10;
    ScanPass();
    EXPECT_EQ(standin->blockCalls, 6 * (10 + 12));
    standin->blockCalls = 0;
    softwareSettings().retrace = 0;
    ScanPass();
    EXPECT_EQ(standin->blockCalls, 6 * 12);
    // The stored pixels are the board's 12-bit samples at the pixel's codes.
    const CALMAG& c = calmag();
    for (uint32_t i = 0; i < 6; ++i) {
        std::vector<uint16_t> line = row16(a, i);
        for (uint32_t j = 0; j < 12; ++j) {
            const uint32_t x = c.offsetX + j * c.stepX, y = c.offsetY + i * c.stepY;
            ASSERT_EQ(line[j], static_cast<uint16_t>((((x >> 5) + (y >> 5)) & 0xFFF) << 4));
        }
    }
}

TEST_F(Win30Scan, AveragingReadsEveryChannelBurstOnce) {
    ChannelTables& t = channelTables();
    t.analogMax = 2;
    t.analog[0].enabled = t.analog[1].enabled = 1;
    t.analog[1].polarity = 0;
    softwareSettings().pixelDiscard = 2;
    softwareSettings().pixelAverage = 3;
    softwareSettings().retrace = 0;
    beamScan(4, 2);
    prepare();
    EXPECT_EQ(t.BurstLength(), 10);
    EXPECT_EQ(t.analog[1].listIndex, 1);
    run(ACQUIRE_STORE);
    ScanPass();
    EXPECT_EQ(standin->blockCalls, 8);
    EXPECT_EQ(standin->lastBlockCount, 10);
    // Channel 1 reads 512 more and is inverted; 8-bit images keep the high byte.
    const CALMAG& c = calmag();
    const uint32_t x = c.offsetX + 3 * c.stepX, y = c.offsetY + 1 * c.stepY;
    const uint32_t s0 = (((x >> 5) + (y >> 5)) & 0xFFF) << 4;
    const uint32_t s1 = (((x >> 5) + (y >> 5) + 512) & 0xFFF) << 4;
    EXPECT_EQ(row8(t.analog[0], 1)[3], s0 >> 8);
    EXPECT_EQ(row8(t.analog[1], 1)[3], (65535 - s1) >> 8);
}

}  // namespace
}  // namespace orvex
