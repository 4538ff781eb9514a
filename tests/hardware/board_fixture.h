#pragma once
// What the dispatch tests share: a headless Ui, a test clock, a scratch
// initialization file, every hardware object at its start-up state, and the
// WIN-30 stand-in loaded so its state can be watched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "acquisition/calmag.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/sim/simprobe.h"
#include "hardware/win30/standin/ueidaq_standin.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

namespace orvex::testing {

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        ResetHardware();
        resetSoftwareSettings();
        resetCalmag();
        ResetGlobalHistory();
        ueidaq = platform::Library::load("ueidaq.dll");
        ASSERT_TRUE(ueidaq) << "WIN-30 stand-in not built";
        ASSERT_TRUE(ueidaq->resolve("ueidaq_standin_state", ueidaqState));
        void (*reset)() = nullptr;
        ASSERT_TRUE(ueidaq->resolve("ueidaq_standin_reset", reset));
        reset();
        ini = (std::filesystem::temp_directory_path() /
               ("orvex_board_" + std::to_string(::getpid()) + ".ini"))
                  .string();
        std::filesystem::remove(ini);
    }

    void TearDown() override {
        ResetHardware();
        resetSoftwareSettings();
        resetCalmag();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
        std::filesystem::remove(ini);
    }

    void WriteIni(const std::string& text) { std::ofstream(ini) << text; }

    /// A real instrument (not DEMO) with the given types.
    void Configure(int da, int io, int ct, int mc) {
        softwareSettings().demo = 0;
        softwareSettings().probeType = kProbeSemq;
        BOARD& b = board();
        b.daType = b.adType = da;
        b.ioType = io;
        b.ctType = ct;
        b.mcType = mc;
    }

    /// The WIN-30 driver talking to the stand-in, as Initialize leaves it.
    void OpenWin30() { ASSERT_EQ(win30pg().Initialize(), 0); }

    UeidaqStandinState& win30Board() { return *ueidaqState(); }

    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::unique_ptr<platform::Library> ueidaq;
    UeidaqStandinState* (*ueidaqState)() = nullptr;
    std::string ini;
};

}  // namespace orvex::testing
