// Every operation of the device dispatch, routed for every type, DEMO included.
#include <functional>
#include <limits>
#include <vector>

#include "board_fixture.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/sx50/sx50mot.h"

using namespace orvex;
using orvex::testing::BoardTest;

namespace {

// The modes a motor-controller route is tried in: DEMO (with a DCX
// configured, which it must ignore), then the type codes.
enum class Mode { Demo, None, Simulate, Dcx, Sx50, Bad };
const Mode kModes[] = {Mode::Demo, Mode::None, Mode::Simulate, Mode::Dcx, Mode::Sx50, Mode::Bad};

const char* ModeName(Mode mode) {
    switch (mode) {
        case Mode::Demo: return "demo";
        case Mode::None: return "none";
        case Mode::Simulate: return "simulate";
        case Mode::Dcx: return "dcx";
        case Mode::Sx50: return "sx50";
        case Mode::Bad: return "bad";
    }
    return "?";
}

class BoardRoutes : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        mcapi = platform::Library::load("mcapi32.dll");
        sx50 = platform::Library::load("sx50_32.dll");
        ASSERT_TRUE(mcapi && sx50) << "DCX and SX50 stand-ins not built";
        ASSERT_TRUE(mcapi->resolve("MCStandIn", mc));
        ASSERT_TRUE(sx50->resolve("SXStandIn", sx));
        mc("reset", 0, 0, 0);
        sx("reset", 0, 0);
    }

    void Enter(Mode mode) {
        const int codes[] = {devicetype::Dcx, 0, 1, 2, 3, 9};
        Configure(1, 1, 1, codes[static_cast<int>(mode)]);
        if (mode == Mode::Demo) softwareSettings().demo = 1;
        // Every axis with the same window and limits, so a route shows by
        // which axis changed.
        for (STAGEMOT* axis : Axes()) {
            axis->lowLimit = 0;
            axis->highLimit = 1000;
            axis->lowCorner = 200;
            axis->highCorner = 100;
        }
    }

    std::vector<STAGEMOT*> Axes() {
        BOARD& b = board();
        return {&b.simX, &b.simY, &b.dcxX(), &b.dcxY(), &b.sx50X(), &b.sx50Y()};
    }

    // Both controllers open on their stand-ins: DCX axes 1 and 2 of
    // controller 0, SX50 axes 1 and 2.
    void OpenControllers() {
        BOARD& b = board();
        b.dcxX().axisNumber = 1;
        b.dcxY().axisNumber = 2;
        b.dcxX().encoderRatio = b.dcxY().encoderRatio = 1;
        ASSERT_GE(b.dcxX().Open(0), 0);
        ASSERT_GE(b.dcxY().Open(0), 0);
        b.sx50X().axisNumber = 1;
        b.sx50Y().axisNumber = 2;
        ASSERT_EQ(b.sx50X().Initialize(), 0);
        ASSERT_EQ(b.sx50Y().Initialize(), 0);
        ui.clear();
    }

    // A fresh instrument of the mode with both stand-ins reset and open.
    void EnterWithControllers(Mode mode) {
        ResetHardware();
        mc("reset", 0, 0, 0);
        sx("reset", 0, 0);
        Enter(mode);
        OpenControllers();
    }

    std::unique_ptr<platform::Library> mcapi, sx50;
    double (*mc)(const char*, int, int, double) = nullptr;
    double (*sx)(const char*, int, double) = nullptr;
};

struct AxisOperation {
    const char* name;
    bool yAxis;
    std::function<void(BOARD&)> call;
    std::function<double(const STAGEMOT&)> observe;
    double expected;
};

}  // namespace

TEST_F(BoardRoutes, WindowOperationsReachTheSimulatedAxisFirstThenTheConfiguredFamily) {
    auto low = [](const STAGEMOT& a) { return a.lowCorner; };
    auto high = [](const STAGEMOT& a) { return a.highCorner; };
    const std::vector<AxisOperation> operations = {
        {"SetXSUDirect", false, [](BOARD& b) { b.SetXSUDirect(500); }, low, 450},
        {"SetYSUDirect", true, [](BOARD& b) { b.SetYSUDirect(500); }, high, 550},
        {"SetXHiSU", false, [](BOARD& b) { b.SetXHiSU(300); }, high, 300},
        {"SetXLoSU", false, [](BOARD& b) { b.SetXLoSU(50); }, low, 50},
        {"SetYHiSU", true, [](BOARD& b) { b.SetYHiSU(300); }, high, 300},
        {"SetYLoSU", true, [](BOARD& b) { b.SetYLoSU(50); }, low, 50},
        {"CheckXPolarity", false, [](BOARD& b) { b.CheckXPolarity(); }, low, 100},
        {"CheckYPolarity", true, [](BOARD& b) { b.CheckYPolarity(); }, low, 100},
        {"SetBacklashDirection", false, [](BOARD& b) { b.SetBacklashDirection(-1, 1); },
         [](const STAGEMOT& a) { return a.backlashDirection; }, -1},
        {"SetBacklashDirection", true, [](BOARD& b) { b.SetBacklashDirection(-1, 1); },
         [](const STAGEMOT& a) { return a.backlashDirection; }, 1},
    };
    for (const AxisOperation& op : operations) {
        for (Mode mode : kModes) {
            SCOPED_TRACE(std::string(op.name) + " in " + ModeName(mode));
            ResetHardware();
            ui.clear();
            Enter(mode);
            BOARD& b = board();
            const STAGEMOT& sim = op.yAxis ? static_cast<STAGEMOT&>(b.simY) : b.simX;
            const STAGEMOT& dcx = op.yAxis ? b.dcxY() : b.dcxX();
            const STAGEMOT& sx = op.yAxis ? b.sx50Y() : b.sx50X();
            const double before = op.observe(dcx);
            op.call(b);
            EXPECT_EQ(op.observe(sim), op.expected);
            EXPECT_EQ(op.observe(dcx), mode == Mode::Dcx ? op.expected : before);
            EXPECT_EQ(op.observe(sx), mode == Mode::Sx50 ? op.expected : before);
            if (mode == Mode::Bad) {
                EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{
                                                 std::string("BOARD::") + op.name + "(): Bad MC_Type"}));
            } else {
                EXPECT_TRUE(ui.messages.empty());
            }
        }
    }
}

TEST_F(BoardRoutes, CornerGettersAnswerFromTheFamilyTheTypeSelects) {
    const double expected[] = {1, 0, 1, 2, 3, 0};  // by mode
    for (Mode mode : kModes) {
        SCOPED_TRACE(ModeName(mode));
        ResetHardware();
        ui.clear();
        Enter(mode);
        BOARD& b = board();
        b.simX.lowCorner = b.simX.highCorner = b.simY.lowCorner = b.simY.highCorner = 1;
        b.dcxX().lowCorner = b.dcxX().highCorner = b.dcxY().lowCorner = b.dcxY().highCorner = 2;
        b.sx50X().lowCorner = b.sx50X().highCorner = b.sx50Y().lowCorner = b.sx50Y().highCorner = 3;
        const double e = expected[static_cast<int>(mode)];
        EXPECT_EQ(b.GetXLoSU(), e);
        EXPECT_EQ(b.GetXHiSU(), e);
        EXPECT_EQ(b.GetYLoSU(), e);
        EXPECT_EQ(b.GetYHiSU(), e);
        if (mode == Mode::Bad) {
            EXPECT_EQ(ui.count("BOARD::GetXLoSU()", "Bad MC_Type"), 1);
            EXPECT_EQ(ui.count("BOARD::GetYHiSU()", "Bad MC_Type"), 1);
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}

TEST_F(BoardRoutes, StagePositionsMoveTheSimulatedAxisAndTheConfiguredController) {
    for (Mode mode : kModes) {
        SCOPED_TRACE(ModeName(mode));
        EnterWithControllers(mode);
        BOARD& b = board();
        for (STAGEMOT* axis : Axes()) {
            axis->lowCorner = 100;
            axis->highCorner = 200;
            axis->backlash = 0;
        }
        b.SetPositionX(150);
        b.SetPositionY(120);
        EXPECT_EQ(b.simX.position, 150);
        EXPECT_EQ(b.simY.position, 120);
        EXPECT_EQ(mc("counts", 0, 1, 0), mode == Mode::Dcx ? 150 : 0);
        EXPECT_EQ(mc("counts", 0, 2, 0), mode == Mode::Dcx ? 120 : 0);
        EXPECT_EQ(sx("position", 1, 0), mode == Mode::Sx50 ? 150 : 0);
        EXPECT_EQ(sx("position", 2, 0), mode == Mode::Sx50 ? 120 : 0);

        // Fractions: nothing goes to the simulated axis first, and with no
        // controller nothing moves at all.
        b.simX.position = b.simY.position = -1;
        b.MoveToPositionX(0.5);
        b.MoveToPositionY(0.25);
        const bool simulated = mode == Mode::Demo || mode == Mode::Simulate;
        EXPECT_EQ(b.simX.position, simulated ? 150 : -1);
        EXPECT_EQ(b.simY.position, simulated ? 125 : -1);
        EXPECT_EQ(mc("counts", 0, 2, 0), mode == Mode::Dcx ? 125 : 0);
        EXPECT_EQ(sx("position", 2, 0), mode == Mode::Sx50 ? 125 : 0);

        // The read-back fraction, from the family the type selects.
        b.simX.position = 110;
        mc("set counts", 0, 1, 130);
        sx("set position", 1, 140);
        const double fractions[] = {0.1, 0.0, 0.1, 0.3, 0.4, 0.0};
        EXPECT_DOUBLE_EQ(b.GetPositionXHL(), fractions[static_cast<int>(mode)]);

        // The absolute stage position: the simulated instrument's is fixed at 0.
        const double stage[] = {0, 0, 0, 130, 140, 0};
        EXPECT_DOUBLE_EQ(b.GetStageXPosition(), stage[static_cast<int>(mode)]);

        if (mode == Mode::Bad) {
            for (const char* caption :
                 {"BOARD::SetPositionX()", "BOARD::SetPositionY()", "BOARD::MoveToPositionX()",
                  "BOARD::MoveToPositionY()", "BOARD::GetPositionXHL()", "BOARD::GetStageXPosition()"})
                EXPECT_EQ(ui.count(caption, "Bad MC_Type"), 1) << caption;
        } else {
            EXPECT_TRUE(ui.messages.empty()) << ui.messageLines().front();
        }
    }
}

TEST_F(BoardRoutes, WaitsDisablingOffsetsAndErrorsGoOnlyWhereTheyMeanSomething) {
    for (Mode mode : kModes) {
        SCOPED_TRACE(ModeName(mode));
        EnterWithControllers(mode);
        BOARD& b = board();
        b.dcxX().movePending = 1;
        const double dcxReads = mc("status reads", 0, 0, 0);
        const double sxReads = sx("status reads", 0, 0);
        b.WaitForPositionX();
        b.WaitForPositionY();
        EXPECT_EQ(mc("status reads", 0, 0, 0) > dcxReads, mode == Mode::Dcx);
        EXPECT_EQ(sx("status reads", 0, 0) > sxReads, mode == Mode::Sx50);

        mc("set counts", 0, 1, 0);
        b.dcxX().Enable();
        b.DisableX();
        EXPECT_EQ(mc("enabled", 0, 1, 0), mode == Mode::Dcx ? 0 : 1);

        b.SetXYOffset(2.5, -1.5);
        EXPECT_EQ(b.dcxX().offset, mode == Mode::Dcx ? 2.5 : 0);
        EXPECT_EQ(b.dcxY().offset, mode == Mode::Dcx ? -1.5 : 0);

        ui.clear();
        b.dcxX().errorCode = 4;
        b.dcxY().errorCode = 15;
        b.ReportErrors();
        if (mode == Mode::Dcx || mode == Mode::Sx50) {
            EXPECT_EQ(ui.messageLines(),
                      (std::vector<std::string>{"DCXMOT: DCX interface error on Last operation",
                                                "2: Axis number out of range"}));
        } else if (mode == Mode::Bad) {
            EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"BOARD::ReportErrors(): Bad MC_Type"}));
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}

TEST_F(BoardRoutes, BlankingActsByTheControllerEvenInDemoAndWaitsToSettle) {
    for (Mode mode : kModes) {
        SCOPED_TRACE(ModeName(mode));
        EnterWithControllers(mode);
        BOARD& b = board();
        b.faradayWaitIn = 0.25;
        b.faradayWaitOut = 0.0125;

        // Blanking at the end only when the configuration asks for it.
        uint64_t slept = clock.slept;
        b.Blank(1);
        EXPECT_EQ(clock.slept, slept);
        EXPECT_EQ(mc("digital", 0, 3, 0), -1);

        slept = clock.slept;
        b.Blank(0);
        const bool waits = mode != Mode::None && mode != Mode::Bad;
        EXPECT_EQ(clock.slept - slept, waits ? 12u : 0u);  // whole milliseconds, truncated
        const bool dcx = mode == Mode::Dcx || mode == Mode::Demo;
        EXPECT_EQ(mc("digital", 0, 3, 0), dcx ? 0 : -1);
        EXPECT_EQ(sx("faraday", 0, 0), mode == Mode::Sx50 ? 0 : -1);

        b.defaultBeamBlank = 1;
        slept = clock.slept;
        b.Blank(1);
        EXPECT_EQ(clock.slept - slept, waits ? 250u : 0u);
        EXPECT_EQ(mc("digital", 0, 3, 0), dcx ? 1 : -1);
        EXPECT_EQ(sx("faraday", 0, 0), mode == Mode::Sx50 ? 1 : -1);
        if (mode == Mode::Bad) {
            EXPECT_EQ(ui.count("BOARD::Blank()", "Bad MC_Type"), 2);
        }
    }
}

TEST_F(BoardRoutes, SettlingWaitsThatCouldNeverEndAreBounded) {
    Enter(Mode::Simulate);
    BOARD& b = board();
    b.faradayWaitOut = 1e300;  // set behind the reader's back
    b.Blank(0);
    EXPECT_EQ(clock.slept, 100000u);
    b.faradayWaitOut = std::numeric_limits<double>::quiet_NaN();
    b.Blank(0);
    EXPECT_EQ(clock.slept, 100000u);
}

TEST_F(BoardRoutes, ScanBoundsFollowTheRegistrationPolarities) {
    Enter(Mode::Simulate);
    BOARD& b = board();
    const RegistrationPolarity straight{false, false};
    b.SetScanBoundsSU(10, 80, 40, 20, straight);
    EXPECT_EQ(b.simX.lowCorner, 10);
    EXPECT_EQ(b.simX.highCorner, 40);
    EXPECT_EQ(b.simY.lowCorner, 20);
    EXPECT_EQ(b.simY.highCorner, 80);
    ScanBoundsSU back = b.GetScanBoundsSU(straight);
    EXPECT_EQ(back.leftX, 10);
    EXPECT_EQ(back.upperY, 80);
    EXPECT_EQ(back.rightX, 40);
    EXPECT_EQ(back.lowerY, 20);

    const RegistrationPolarity reversed{true, true};
    b.SetScanBoundsSU(40, 20, 10, 80, reversed);
    EXPECT_EQ(b.simX.lowCorner, 10);
    EXPECT_EQ(b.simX.highCorner, 40);
    EXPECT_EQ(b.simY.lowCorner, 20);
    EXPECT_EQ(b.simY.highCorner, 80);
    back = b.GetScanBoundsSU(reversed);
    EXPECT_EQ(back.leftX, 40);
    EXPECT_EQ(back.upperY, 20);
    EXPECT_EQ(back.rightX, 10);
    EXPECT_EQ(back.lowerY, 80);

    // A frame drawn the wrong way round is put in order, not refused. The
    // corners are set one by one, low first: setting the low corner onto the
    // high one (both 40) widens the window by half a thousandth of the travel
    // before the high corner moves to 10.
    b.SetScanBoundsSU(40, 80, 10, 20, {false, true});
    EXPECT_EQ(b.simX.lowCorner, 10);
    EXPECT_EQ(b.simX.highCorner, 39.5);
    EXPECT_TRUE(ui.messages.empty());
}

// --- D/A, A/D, I/O ---------------------------------------------------------------

TEST_F(BoardRoutes, DemoKeepsTheBeamInTheSimulatedProbeEvenWithABoardConfigured) {
    Configure(devicetype::Win30pg, devicetype::Win30pg, 1, 1);
    softwareSettings().demo = 1;
    OpenWin30();
    BOARD& b = board();
    b.SetX(100);
    b.SetY(7);
    EXPECT_EQ(b.GetX(), 100u);
    EXPECT_EQ(b.GetY(), 7u);
    EXPECT_EQ(win30Board().daCode[1], 0u);
    EXPECT_EQ(win30pg().daX, 0);
    b.Control(1);
    EXPECT_EQ(simProbe().outputWord & 0x80, 0x80);
    EXPECT_EQ(win30Board().outputWrites, 0);
    b.SetADGain(0, 2);
    EXPECT_EQ(win30Board().gainCalls, 0);
    simProbe().daX = 3;
    simProbe().daY = 5 << 4;
    EXPECT_EQ(b.ReadDigital(), 15u);
}

TEST_F(BoardRoutes, TheBoardTypeDrivesTheWin30AfterTheSimulatedProbe) {
    Configure(devicetype::Win30pg, devicetype::Win30pg, 1, 1);
    OpenWin30();
    BOARD& b = board();
    b.SetX(1234);
    b.SetY(4321);
    EXPECT_EQ(simProbe().daX, 1234u);
    EXPECT_EQ(win30Board().daCode[1], 1234u);
    EXPECT_EQ(win30Board().daCode[0], 4321u);
    b.SetADGain(2, 100);
    EXPECT_EQ(win30Board().gainCode[2], 2);
    b.Control(1);
    EXPECT_EQ(win30Board().outputWord, 0x80u);
    EXPECT_EQ(simProbe().control, 1);
    // With the control logic inverted, "on" switches the line off.
    b.controlLogic = 0;
    b.Control(1);
    EXPECT_EQ(win30Board().outputWord, 0x00u);
    EXPECT_EQ(simProbe().control, 0);
    EXPECT_EQ(simProbe().outputWord & 0x80, 0);

    win30Board().inputPort[2] = 0xAB;
    win30Board().inputPort[1] = 0xCD;
    EXPECT_EQ(b.ReadDigital(), 0xABCDu);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BoardRoutes, SimulatedAndAbsentBoardsAnswerWithoutTouchingTheWin30) {
    OpenWin30();
    for (int type : {devicetype::None, devicetype::Simulate}) {
        Configure(type, type, 1, 1);
        BOARD& b = board();
        simProbe().daX = 16;
        simProbe().daY = 16;
        b.SetX(16);
        b.Control(1);
        b.SetADGain(0, 2);
        EXPECT_EQ(b.ReadDigital(), type == devicetype::None ? 0u : 16u);
        EXPECT_EQ(b.GetX(), 16u);
    }
    EXPECT_EQ(win30Board().daCode[1], 0u);
    EXPECT_EQ(win30Board().outputWrites, 0);
    EXPECT_EQ(win30Board().gainCalls, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BoardRoutes, UnknownBoardTypesAreReportedAfterTheSimulatedProbeIsSet) {
    Configure(5, 5, 1, 1);
    BOARD& b = board();
    b.SetX(9);
    b.SetY(8);
    b.SetADGain(0, 1);
    b.Control(1);
    EXPECT_EQ(b.ReadDigital(), 0u);  // no message for the digital word
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"BOARD::SetX(): Unsupported D/A Type",
                                        "BOARD::SetY(): Unsupported D/A Type",
                                        "BOARD::SetADGain(): Unsupported A/D Type",
                                        "BOARD::Control(): Unsupported I/O Type"}));
    EXPECT_EQ(b.GetX(), 9u);
    EXPECT_EQ(simProbe().control, 1);
}

TEST_F(BoardRoutes, TheTestPatternPaintsBlocksOnTheDigitalOutput) {
    Configure(devicetype::Win30pg, devicetype::Win30pg, 1, 1);
    OpenWin30();
    BOARD& b = board();
    b.testPattern = 1;
    b.testBlock = 4;
    struct Pixel { uint32_t x, y; unsigned bits; };
    // bit 4: checkerboard of 4 x 4 blocks; bit 5: columns; bit 6: rows.
    const Pixel pixels[] = {{0, 0, 0x00}, {4, 0, 0x30}, {0, 4, 0x50}, {5, 6, 0x60}, {3, 3, 0x00},
                            {8, 4, 0x50}};
    for (const Pixel& p : pixels) {
        b.pixelX = p.x;
        b.pixelY = p.y;
        b.SetX(p.x);
        EXPECT_EQ(win30pg().outputWord & 0x70, p.bits) << p.x << "," << p.y;
    }
    // The three bits go out one by one, bit 4 first.
    win30Board().outputWrites = 0;
    win30pg().outputWord = 0;
    b.pixelX = 4;
    b.pixelY = 4;
    b.SetX(0);
    ASSERT_EQ(win30Board().outputWrites, 3);
    EXPECT_EQ(win30Board().writtenWords[0], 0x00u);
    EXPECT_EQ(win30Board().writtenWords[1], 0x20u);
    EXPECT_EQ(win30Board().writtenWords[2], 0x60u);

    // A block side of 0 from the file is taken as 1 instead of dividing by zero.
    b.testBlock = 0;
    b.pixelX = 1;
    b.pixelY = 0;
    b.SetX(0);
    EXPECT_EQ(win30pg().outputWord & 0x70, 0x30u);
    // No pattern on the Y output.
    win30Board().outputWrites = 0;
    b.SetY(5);
    EXPECT_EQ(win30Board().outputWrites, 0);
}

// --- counters ----------------------------------------------------------------------

TEST_F(BoardRoutes, SimulatedCountersStartForEveryEnabledChannelAndEndOneByOne) {
    for (bool demo : {true, false}) {
        SCOPED_TRACE(demo ? "demo" : "simulate");
        ResetHardware();
        Configure(1, 1, demo ? devicetype::Dcc20ax : devicetype::Simulate, 1);
        softwareSettings().demo = demo;
        BOARD& b = board();
        b.links.enabledCounters = [](int* numbers, int capacity) {
            const int enabled[] = {7, 2, 11};
            for (int i = 0; i < 3 && i < capacity; ++i) numbers[i] = enabled[i];
            return 3;
        };
        EXPECT_EQ(b.SetCountTime(0.005f), 0);
        EXPECT_DOUBLE_EQ(simProbe().countTime, 0.01);
        EXPECT_EQ(b.SetCountTime(0.01f), 1);
        b.Start();
        EXPECT_TRUE(simProbe().counting[2] && simProbe().counting[7] && simProbe().counting[11]);
        EXPECT_EQ(b.IsCounting(), 1);
        EXPECT_EQ(b.IsCounting(), 1);
        EXPECT_EQ(b.IsCounting(), 1);
        EXPECT_EQ(b.IsCounting(), 0);
        simProbe().daX = 10;
        simProbe().daY = 10;
        EXPECT_EQ(b.ReadCounter(2), 50);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BoardRoutes, CountersOfTheOtherTypes) {
    BOARD& b = board();
    b.links.enabledCounters = [](int* numbers, int) {
        numbers[0] = 0;
        return 1;
    };
    Configure(1, 1, devicetype::None, 1);
    EXPECT_EQ(b.SetCountTime(1), 0);
    b.Start();
    EXPECT_FALSE(simProbe().counting[0]);
    EXPECT_EQ(b.IsCounting(), 0);
    EXPECT_EQ(b.ReadCounter(0), 0);
    EXPECT_TRUE(ui.messages.empty());

    // The counter board: a driver without a valid configuration counts nothing.
    Configure(1, 1, devicetype::Dcc20ax, 1);
    EXPECT_EQ(b.SetCountTime(0.5f), 1);
    EXPECT_DOUBLE_EQ(dcc20ax().countTime, 0.5);
    EXPECT_DOUBLE_EQ(simProbe().countTime, 0);
    b.Start();
    EXPECT_FALSE(simProbe().counting[0]);
    EXPECT_EQ(b.IsCounting(), 0);
    EXPECT_EQ(b.ReadCounter(0), 0);

    Configure(1, 1, 6, 1);
    b.SetCountTime(1);
    b.Start();
    b.IsCounting();
    b.ReadCounter(0);
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"BOARD::SetCountTime(): Bad CT_Type", "BOARD::Start(): Bad CT_Type",
                                        "BOARD::IsCounting(): Bad CT_Type",
                                        "BOARD::ReadCounter(): Unknown Counter Type"}));
}

TEST_F(BoardRoutes, AnAbsurdCounterListFromTheChannelTablesIsCut) {
    Configure(1, 1, devicetype::Simulate, 1);
    BOARD& b = board();
    b.links.enabledCounters = [](int* numbers, int capacity) {
        for (int i = 0; i < capacity; ++i) numbers[i] = i;
        return 1000;  // claims more than it could have written
    };
    b.Start();
    int started = 0;
    for (bool flag : simProbe().counting) started += flag;
    EXPECT_EQ(started, BOARD::kCounterChannels);
}
