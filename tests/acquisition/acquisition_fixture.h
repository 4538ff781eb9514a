#pragma once
// A whole acquisition set-up on the DEMO instrument: every single object back
// at its start-up state, a headless Ui, the channel hooks installed.
#include <gtest/gtest.h>

#include <vector>

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "acquisition/test_support.h"
#include "app/progress.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/sim/simprobe.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"

namespace orvex::testing {

class AcquisitionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setClock(&clock);
        platform::setUi(&ui);
        windowList().Reset();
        OV_Info_Reset();
        ResetGlobalHistory();
        resetSoftwareSettings();
        ResetBoard();
        ResetSimProbe();
        ResetWin30pg();
        resetCalmag();
        resetChannelTables();
        resetRunState();
        app::progressDisplay().reset();
        imageWindowEventHooks() = ImageWindowEventHooks();
        InstallImageWindowEventHandler();
        installChannelSettings();
        installCalibrationSettings();
        board().daMax = 65535;
    }
    void TearDown() override {
        windowList().Reset();
        OV_Info_Reset();
        imageWindowEventHooks() = ImageWindowEventHooks();
        ResetWin30pg();
        ResetBoard();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
    }

    /// A beam scan of width x height with the first analog channel enabled.
    void beamScan(uint32_t width, uint32_t height) {
        CALMAG& c = calmag();
        c.SetXSize(width);
        c.SetYSize(height);
        c.scanType = SCAN_BEAM;
        c.ApplyMagnification();
        c.SetScan();
    }
    /// Prepares every enabled channel, as an acquisition start does.
    void prepare() { channelTables().PrepareAllImages(calmag(), nullptr); }
    /// Starts a run in a mode.
    void run(int mode) {
        runState().runState = RUN_RUNNING;
        runState().acquireMode = mode;
    }
    /// Row `row` of a channel's image at 16 bits (8-bit images read as value x 256).
    static std::vector<uint16_t> row16(const CHANNEL& c, int row) {
        std::vector<uint16_t> line(static_cast<size_t>(c.width));
        ReadLine16(c.image, row, line.data());
        return line;
    }
    static std::vector<uint8_t> row8(const CHANNEL& c, int row) {
        std::vector<uint8_t> line(static_cast<size_t>(c.width));
        ReadLine8(c.image, row, line.data());
        return line;
    }

    platform::HeadlessUi ui;
    platform::TestClock clock;
};

}  // namespace orvex::testing
