// The WIN-30 driver against the stand-in "ueidaq.dll", loaded through the
// real loading path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/profile_file.h"
#include "hardware/board.h"
#include "hardware/win30/standin/ueidaq_standin.h"
#include "hardware/win30/win30pg.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex;

namespace {

class Win30Test : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        ResetWin30pg();
        ResetBoard();
        standin = platform::Library::load("ueidaq.dll");
        ASSERT_TRUE(standin) << "stand-in library not built";
        ASSERT_TRUE(standin->resolve("ueidaq_standin_state", stateOf));
        ASSERT_TRUE(standin->resolve("ueidaq_standin_reset", reset));
        ASSERT_TRUE(standin->resolve("ueidaq_standin_set_port", setPort));
        reset();
        ini = (std::filesystem::temp_directory_path() /
               ("orvex_win30_" + std::to_string(::getpid()) + ".ini"))
                  .string();
        std::filesystem::remove(ini);
    }
    void TearDown() override {
        ResetWin30pg();
        ResetBoard();
        platform::setUi(nullptr);
        std::filesystem::remove(ini);
    }
    void WriteIni(const std::string& text) { std::ofstream(ini) << text; }
    UeidaqStandinState& board30() { return *stateOf(); }

    platform::HeadlessUi ui;
    std::unique_ptr<platform::Library> standin;
    UeidaqStandinState* (*stateOf)() = nullptr;
    void (*reset)() = nullptr;
    void (*setPort)(int, int) = nullptr;
    std::string ini;
};

}  // namespace

TEST_F(Win30Test, InitializeRunsTheSelfTestAndConfiguresTheBoard) {
    WIN30PG& driver = win30pg();
    driver.range = 1;
    EXPECT_EQ(driver.Initialize(), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(board30().diagCalls, 1);
    EXPECT_EQ(board30().configCalls, 1);
    const int expected[10] = {15, 6, 7, 0, 0, 1, 1, 0, 1, 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(board30().configArgs[i], expected[i]) << i;
    EXPECT_EQ(board30().oscillator, 100);
    EXPECT_EQ(board30().prescaler, 2);
    EXPECT_EQ(board30().adClock, 2);
    EXPECT_EQ(board30().modeArgs[0], 0);
    EXPECT_EQ(board30().modeArgs[1], 1);
    EXPECT_EQ(board30().modeArgs[2], 1);
    // On a protected system the base address is the kernel driver's business.
    EXPECT_EQ(board30().baseAddress, -1);
    EXPECT_EQ(driver.entry.set_base, nullptr);

    // The library is loaded once.
    EXPECT_EQ(driver.Initialize(), 0);
    EXPECT_EQ(board30().diagCalls, 2);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Win30Test, BipolarRangeConfiguresWithTheUnipolarArgumentClear) {
    WriteIni("[hardware]\nadrange=bipolar5\n");
    win30pg().ReadIni(ini);
    EXPECT_EQ(win30pg().range, 2);
    EXPECT_EQ(win30pg().Initialize(), 0);
    EXPECT_EQ(board30().configArgs[6], 0);
}

TEST_F(Win30Test, OutsideTheProtectedFamilyTheBaseAddressIsSetFirst) {
    WriteIni("[hardware]\nWIN30PGBaseAddress=768\n");
    win30pg().ReadIni(ini);
    win30pg().ntFamily = 0;
    EXPECT_EQ(win30pg().Initialize(), 0);
    EXPECT_EQ(board30().baseAddress, 768);
}

TEST_F(Win30Test, AFailedSelfTestIsReportedAndTheBoardLeftAlone) {
    board30().diagResult = 3;
    EXPECT_EQ(win30pg().Initialize(), 1);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"Initialize: win30 board faulty or not found",
                                        "Initialize(): Disabling calls to win30pg board"}));
    EXPECT_EQ(win30pg().boardUsable, 0);
    EXPECT_EQ(board30().configCalls, 0);
    // As the message says, the board is not called any more; the analog read
    // gives 0, never a made-up picture.
    win30pg().SetX(1000);
    win30pg().Control(1);
    EXPECT_EQ(board30().daCode[1], 0u);
    EXPECT_EQ(board30().outputWrites, 0);
    board().pixelX = 1;
    board().pixelY = 2;
    const int list[2] = {0, 255};
    uint16_t samples[2];
    EXPECT_EQ(win30pg().inputs(), AnalogInputs::Disabled);
    EXPECT_EQ(win30pg().ReadAnalogBlock(list, 2, samples), 0);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[1], 0);
    EXPECT_EQ(board30().blockCalls, 0);
}

TEST_F(Win30Test, AMissingLibraryIsReportedOnceAndLeavesTheSimulatedRamp) {
    win30pg().libraryName = "no_such_ueidaq.dll";
    EXPECT_EQ(win30pg().Initialize(), 1);
    EXPECT_EQ(win30pg().Initialize(), 1);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"LoadUEIDAQ(): Can't load UEIDAQ.dll"}));
    EXPECT_EQ(win30pg().inputs(), AnalogInputs::Simulated);
    board().pixelX = 100;
    board().pixelY = 200;
    const int list[3] = {0, 1, 255};
    uint16_t samples[4] = {};
    EXPECT_EQ(win30pg().ReadAnalogBlock(list, 4, samples), 0);
    for (uint16_t s : samples) EXPECT_EQ(s, 4800);
    board().pixelX = 4095;
    board().pixelY = 1;
    win30pg().ReadAnalogBlock(list, 1, samples);
    EXPECT_EQ(samples[0], 0);  // 65536 wraps to 0
    EXPECT_EQ(win30pg().daX, 4095);
    EXPECT_EQ(win30pg().daY, 1);
}

TEST_F(Win30Test, ABuildLackingEntryPointsIsCountedAgainstTheSystemsTotal) {
    win30pg().libraryName = "ueidaq_partial.dll";
    EXPECT_EQ(win30pg().Initialize(), 0);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"LoadUEIDAQ(): 3 of 8 functions did not load"}));

    ResetWin30pg();
    ui.clear();
    win30pg().libraryName = "ueidaq_partial.dll";
    win30pg().ntFamily = 0;
    win30pg().Initialize();
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"LoadUEIDAQ(): 3 of 9 functions did not load"}));

    // Without the block read the simulated ramp takes over; the rest still works.
    board().pixelX = 10;
    board().pixelY = 20;
    const int list[2] = {0, 255};
    uint16_t sample = 0;
    win30pg().ReadAnalogBlock(list, 1, &sample);
    EXPECT_EQ(sample, 480);
    win30pg().SetX(77);
    EXPECT_EQ(win30pg().daX, 77);
}

TEST_F(Win30Test, DigitalOutputKeepsItsWordAndWritesItWholeEachTime) {
    win30pg().Initialize();
    win30pg().Control(1);
    win30pg().SetDigitalBit(4, 1);
    win30pg().SetDigitalBit(8, 1);   // no such bit
    win30pg().SetDigitalBit(3, 2);   // no such value
    win30pg().SetTestPattern(0b110);
    ASSERT_EQ(board30().outputWrites, 5);
    EXPECT_EQ(board30().writtenWords[0], 0x80u);
    EXPECT_EQ(board30().writtenWords[1], 0x90u);
    EXPECT_EQ(board30().writtenWords[2], 0x80u);  // bit 4 := 0
    EXPECT_EQ(board30().writtenWords[3], 0xA0u);  // bit 5 := 1
    EXPECT_EQ(board30().writtenWords[4], 0xE0u);  // bit 6 := 1
    win30pg().Control(0);
    EXPECT_EQ(board30().outputWord, 0x60u);
}

TEST_F(Win30Test, DigitalInputIsPortTwoHighAndPortOneLow) {
    win30pg().Initialize();
    setPort(2, 0x12);
    setPort(1, 0x34);
    EXPECT_EQ(win30pg().ReadDigital(), 0x1234);
}

TEST_F(Win30Test, GainsTakeBothScalesAndIgnoreTheRest) {
    win30pg().Initialize();
    win30pg().SetGain(3, 100);
    EXPECT_EQ(board30().gainCode[3], 2);
    win30pg().SetGain(0, 1);
    win30pg().SetGain(1, 10);
    win30pg().SetGain(2, 8);
    win30pg().SetGain(7, 1000);
    EXPECT_EQ(board30().gainCode[0], 0);
    EXPECT_EQ(board30().gainCode[1], 1);
    EXPECT_EQ(board30().gainCode[2], 3);
    EXPECT_EQ(board30().gainCode[7], 3);
    const int calls = board30().gainCalls;
    win30pg().SetGain(3, 3);
    win30pg().SetGain(8, 2);
    win30pg().SetGain(-1, 2);
    EXPECT_EQ(board30().gainCalls, calls);
}

TEST_F(Win30Test, BlockReadFollowsTheBeamAndSpansSixteenBits) {
    win30pg().Initialize();
    win30pg().SetX(0x4000);  // X is output 1
    win30pg().SetY(0x2000);  // Y is output 0
    EXPECT_EQ(board30().daCode[1], 0x4000u);
    EXPECT_EQ(board30().daCode[0], 0x2000u);
    const int list[3] = {0, 2, 255};
    uint16_t samples[4];
    EXPECT_EQ(win30pg().ReadAnalogBlock(list, 4, samples), 0);
    const uint16_t ch0 = static_cast<uint16_t>(((0x4000 >> 5) + (0x2000 >> 5)) << 4);
    const uint16_t ch2 = static_cast<uint16_t>((((0x4000 >> 5) + (0x2000 >> 5) + 1024) & 0xFFF) << 4);
    EXPECT_EQ(samples[0], ch0);
    EXPECT_EQ(samples[1], ch2);
    EXPECT_EQ(samples[2], ch0);
    EXPECT_EQ(samples[3], ch2);
    EXPECT_EQ(board30().lastBlockCount, 4);
    // A different beam position reads differently: a scan shows a picture.
    win30pg().SetX(0);
    win30pg().ReadAnalogBlock(list, 1, samples);
    EXPECT_NE(samples[0], ch0);
}

TEST_F(Win30Test, RangeWordsAreComparedExactly) {
    WriteIni("[hardware]\nadrange=unipolar10\n");
    win30pg().ReadIni(ini);
    EXPECT_EQ(win30pg().range, 1);
    EXPECT_EQ(ui.count("WIN30PG::ReadIni()",
                       "Warning: 'unipolar10' not supported by WIN30 boards.\nDo not exceed +5v on "
                       "WIN30 input.\nRange Set to 'unipolar5'."),
              1);
    WriteIni("[hardware]\nadrange=Bipolar5\n");
    win30pg().ReadIni(ini);
    EXPECT_EQ(win30pg().range, 1);
    EXPECT_EQ(ui.count("WIN30PG::ReadIni()", "Bipolar5 - ad_range: not unipolar5 or bipolar5"), 1);

    ui.clear();
    WriteIni("[other]\n");
    win30pg().ReadIni(ini);  // defaults: unipolar, base 576, no message
    EXPECT_EQ(win30pg().range, 1);
    EXPECT_EQ(win30pg().baseAddress, 576);
    EXPECT_TRUE(ui.messages.empty());

    win30pg().range = 2;
    win30pg().WriteIni(ini);
    EXPECT_EQ(config::ReadProfileString(ini, "hardware", "adrange", ""), "bipolar5");
    win30pg().range = 0;
    win30pg().WriteIni(ini);
    EXPECT_EQ(config::ReadProfileString(ini, "hardware", "adrange", ""), "uninitialized");
    EXPECT_EQ(config::ReadProfileString(ini, "hardware", "WIN30PGBaseAddress", "none"), "none");
}
