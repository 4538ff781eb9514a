// The dispatch's configuration: type words, its keys, the settings order,
// Initialize, the start-up step and the agreement check of SX50 readings.
#include "board_fixture.h"
#include "app/commands/setup.h"
#include "config/corfile.h"
#include "config/profile_file.h"
#include "config/settings_order.h"
#include "hardware/board_dialogs.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/sx50/sx50mot.h"

using namespace orvex;
using orvex::testing::BoardTest;

TEST(BoardTypes, WordsAreFoundInsideTheValueWithoutRegardToCase) {
    using DC = DeviceClass;
    EXPECT_EQ(BOARD::ParseType("Win30PG board", DC::DA, 1), 2);
    EXPECT_EQ(BOARD::ParseType("my WIN30PG", DC::IO, 1), 2);
    EXPECT_EQ(BOARD::ParseType("AD_None", DC::AD, 1), 0);
    EXPECT_EQ(BOARD::ParseType("CT_SIMULATE", DC::CounterTimer, 0), 1);
    EXPECT_EQ(BOARD::ParseType("none, simulate", DC::DA, 1), 0);  // "none" is tested first
    EXPECT_EQ(BOARD::ParseType("DCC20AX", DC::CounterTimer, 1), 2);
    EXPECT_EQ(BOARD::ParseType("MC_DCX", DC::MotorController, 1), 2);
    EXPECT_EQ(BOARD::ParseType("SX50 stage", DC::MotorController, 1), 3);
    EXPECT_EQ(BOARD::ParseType("dcx or sx50", DC::MotorController, 1), 2);
    // A class's hardware word means nothing to another class.
    EXPECT_EQ(BOARD::ParseType("dcc20ax", DC::DA, 1), 1);
    EXPECT_EQ(BOARD::ParseType("win30pg", DC::MotorController, 0), 0);
    // Nothing known: the previous code stays.
    EXPECT_EQ(BOARD::ParseType("pcl-812", DC::AD, 2), 2);
    EXPECT_EQ(BOARD::ParseType("", DC::CounterTimer, 0), 0);
    // Only the first 199 characters are looked at.
    EXPECT_EQ(BOARD::ParseType(std::string(199, 'x') + "none", DC::AD, 1), 1);
    EXPECT_EQ(BOARD::ParseType(std::string(195, 'x') + "none", DC::AD, 1), 0);
}

TEST(BoardTypes, NamesAreTheWordsTheReaderKnows) {
    using DC = DeviceClass;
    for (DC dc : {DC::AD, DC::DA, DC::IO, DC::CounterTimer, DC::MotorController})
        for (int code = 0; code <= 3; ++code) {
            const std::string name = BOARD::TypeName(code, dc);
            if (name != "unknown") {
                EXPECT_EQ(BOARD::ParseType(name, dc, -1), code) << name;
            }
        }
    EXPECT_EQ(BOARD::TypeName(2, DC::CounterTimer), "dcc20ax");
    EXPECT_EQ(BOARD::TypeName(3, DC::MotorController), "sx50");
    EXPECT_EQ(BOARD::TypeName(2, DC::IO), "win30pg");
}

using BoardConfig = BoardTest;

TEST_F(BoardConfig, ReadIniTakesTheKeysAndCorrectsTheWaits) {
    WriteIni("[hardware]\ntest_DH=yes\ntest_N=8\ncontrol logic=false\nadtype=AD_None\n"
             "datype=Win30PG board\niotype=IO_WIN30PG\ncttype=DCC20AX\nmctype=sx50\n"
             "dcc20ax_DeviceName=iomapper3\nspectrometer motors=5\nstage motors=2\n"
             "[faraday]\nDefaultBeamBlankFlag=on\nFaradayWaitInTime=-3\nFaradayWaitOutTime=250\n");
    BOARD& b = board();
    b.ReadIni(ini);
    EXPECT_EQ(b.testPattern, 1);
    EXPECT_EQ(b.testBlock, 8);
    EXPECT_EQ(b.controlLogic, 0);
    EXPECT_EQ(b.adType, 0);
    EXPECT_EQ(b.daType, 2);
    EXPECT_EQ(b.daMax, 65535u);
    EXPECT_EQ(b.ioType, 2);
    EXPECT_EQ(b.ctType, 2);
    EXPECT_EQ(b.mcType, 3);
    EXPECT_EQ(b.spectrometerMotors, 5);
    EXPECT_EQ(b.stageMotors, 2);
    EXPECT_EQ(b.defaultBeamBlank, 1);
    EXPECT_EQ(b.faradayWaitIn, 0);
    EXPECT_EQ(b.faradayWaitOut, 100);
    EXPECT_EQ(b.counterDeviceName, "iomapper3");
    EXPECT_EQ(dcc20ax().deviceNames[0], "iomapper3");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BoardConfig, TheDefaultsSimulateEverything) {
    WriteIni("[other]\n");
    BOARD& b = board();
    b.ReadIni(ini);
    EXPECT_EQ(b.adType, 1);
    EXPECT_EQ(b.daType, 1);
    EXPECT_EQ(b.ioType, 1);
    EXPECT_EQ(b.ctType, 1);
    EXPECT_EQ(b.mcType, 1);
    EXPECT_EQ(b.daMax, 65535u);
    EXPECT_EQ(b.controlLogic, 1);
    EXPECT_EQ(b.testPattern, 0);
    EXPECT_EQ(b.testBlock, 1);
    EXPECT_EQ(b.faradayWaitIn, 0.5);
    EXPECT_EQ(b.faradayWaitOut, 0.5);
    EXPECT_EQ(b.counterDeviceName, "iomapper0");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BoardConfig, UnknownWordsKeepTheTypeAndTheLargestCode) {
    BOARD& b = board();
    WriteIni("[hardware]\ndatype=none\n");
    b.ReadIni(ini);
    EXPECT_EQ(b.daType, 0);
    EXPECT_EQ(b.daMax, 0u);
    WriteIni("[hardware]\ndatype=pcl-812\nmctype=newport\ntest_DH=maybe\n");
    b.ReadIni(ini);
    EXPECT_EQ(b.daType, 0);
    EXPECT_EQ(b.daMax, 0u);
    EXPECT_EQ(b.mcType, 1);
    // The boolean rule reports the word it cannot read.
    EXPECT_EQ(ui.count("Expected: 'true, false, yes, no, on, off'", "READINI: bIsOn"), 1);
}

TEST_F(BoardConfig, WriteIniWritesTypeNamesAndTheConfiguredDriversKeys) {
    WriteIni("[hardware]\ntest_DH=true\n");
    Configure(devicetype::Win30pg, devicetype::Win30pg, devicetype::Dcc20ax, devicetype::Simulate);
    BOARD& b = board();
    b.adType = devicetype::None;
    b.controlLogic = 0;
    b.stageMotors = 2;
    b.spectrometerMotors = 3;
    b.defaultBeamBlank = 1;
    b.faradayWaitIn = 1.0 / 3.0;
    b.simX.axisName = "stage x";
    b.simX.lowLimit = 5;
    b.simX.highLimit = 610;
    b.simX.lowCorner = 100;
    b.simX.highCorner = 110;
    win30pg().range = 2;
    dcc20ax().SetDeviceName("iomapper7");
    b.WriteIni(ini);
    auto read = [&](const char* section, const char* key) {
        return config::ReadProfileString(ini, section, key, "<missing>");
    };
    EXPECT_EQ(read("hardware", "control logic"), "false");
    EXPECT_EQ(read("hardware", "adtype"), "none");
    EXPECT_EQ(read("hardware", "datype"), "win30pg");
    EXPECT_EQ(read("hardware", "iotype"), "win30pg");
    EXPECT_EQ(read("hardware", "cttype"), "dcc20ax");
    EXPECT_EQ(read("hardware", "mctype"), "simulate");
    EXPECT_EQ(read("hardware", "adrange"), "bipolar5");
    EXPECT_EQ(read("hardware", "CounterTimerDeviceName"), "iomapper7");
    EXPECT_EQ(read("hardware", "spectrometer motors"), "3");
    EXPECT_EQ(read("hardware", "stage motors"), "2");
    EXPECT_EQ(read("stage x", "span"), "10");
    EXPECT_EQ(read("stage x", "low limit"), "5");
    EXPECT_EQ(read("faraday", "DefaultBeamBlankFlag"), "true");
    EXPECT_EQ(read("faraday", "FaradayWaitInTime"), "0.3333333");
    EXPECT_EQ(read("faraday", "FaradayWaitOutTime"), "0.5");
    EXPECT_EQ(read("hardware", "test_DH"), "true");  // left as the user wrote it
    EXPECT_EQ(read("hardware", "test_N"), "<missing>");

    // In DEMO the drivers' keys stay out; without a controller so do the motors.
    std::filesystem::remove(ini);
    softwareSettings().demo = 1;
    b.mcType = devicetype::None;
    b.WriteIni(ini);
    EXPECT_EQ(read("hardware", "adrange"), "<missing>");
    EXPECT_EQ(read("hardware", "CounterTimerDeviceName"), "<missing>");
    EXPECT_EQ(read("hardware", "stage motors"), "<missing>");
    EXPECT_EQ(read("stage x", "span"), "<missing>");
    EXPECT_EQ(read("hardware", "mctype"), "none");
}

TEST_F(BoardConfig, SettingsRoundTripThroughTheLoadAndSaveOrder) {
    WriteIni("[hardware]\nprobetype=SEMQ\ndatype=win30pg\nadrange=bipolar5\nmctype=simulate\n"
             "stage motors=2\nCounterTimeNumberofBoards=2\n"
             "[Stage X]\naxis name=sample x\nlow limit=0\nhigh limit=100\nspan=20\n"
             "[stage y]\nlow limit=10\nhigh limit=30\nspan=4\nbacklash=0.5\n"
             "[faraday]\nFaradayWaitOutTime=2.5\n");
    config::ResetSettingsHandlers();
    installBoardSettings();
    softwareSettings().iniPath = ini;
    config::LoadAllSettings();
    BOARD& b = board();
    EXPECT_EQ(softwareSettings().demo, 0);
    EXPECT_EQ(b.daType, 2);
    EXPECT_EQ(win30pg().range, 2);
    EXPECT_EQ(b.simX.axisName, "sample x");
    EXPECT_EQ(b.simX.lowCorner, 40);
    EXPECT_EQ(b.simX.highCorner, 60);
    EXPECT_EQ(b.simY.axisName, "stage y");
    EXPECT_EQ(b.simY.backlash, 0.5);
    EXPECT_EQ(simProbe().iniRead, 1);
    EXPECT_EQ(simProbe().boards, 2);
    EXPECT_EQ(b.faradayWaitOut, 2.5);

    const std::string copy = ini + ".copy";
    config::SaveAllSettings(copy);
    ResetHardware();
    softwareSettings().iniPath = copy;
    config::LoadAllSettings();
    EXPECT_EQ(board().daType, 2);
    EXPECT_EQ(win30pg().range, 2);
    EXPECT_EQ(board().simX.axisName, "sample x");
    EXPECT_EQ(board().simX.lowCorner, 40);
    EXPECT_EQ(board().simY.highCorner, 22);
    EXPECT_EQ(board().faradayWaitOut, 2.5);
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines().front();
    std::filesystem::remove(copy);
    config::ResetSettingsHandlers();
}

// --- Initialize and the start-up step -----------------------------------------

namespace {

class BoardStart : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        mcapi = platform::Library::load("mcapi32.dll");
        sx50 = platform::Library::load("sx50_32.dll");
        ASSERT_TRUE(mcapi && sx50);
        ASSERT_TRUE(mcapi->resolve("MCStandIn", mc));
        ASSERT_TRUE(sx50->resolve("SXStandIn", sx));
        mc("reset", 0, 0, 0);
        sx("reset", 0, 0);
    }
    std::unique_ptr<platform::Library> mcapi, sx50;
    double (*mc)(const char*, int, int, double) = nullptr;
    double (*sx)(const char*, int, double) = nullptr;
};

}  // namespace

TEST_F(BoardStart, DemoInitializesOnlyTheSimulatedInstrument) {
    Configure(2, 2, 2, devicetype::Dcx);
    softwareSettings().demo = 1;
    simProbe().boards = 1;  // configured, but the file was never read
    EXPECT_EQ(board().Initialize(), 0);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Counters: Uninitialized"}));
    EXPECT_EQ(win30pg().libraryTried, 0);
    EXPECT_EQ(mc("opens", 0, 0, 0), 0);
    EXPECT_EQ(win30Board().diagCalls, 0);
}

TEST_F(BoardStart, TheBoardIsInitializedWhenAnyOfItsClassesUsesIt) {
    for (int cls = 0; cls < 3; ++cls) {
        ResetHardware();
        win30Board().diagCalls = 0;
        Configure(1, 1, 1, 1);
        BOARD& b = board();
        (cls == 0 ? b.adType : cls == 1 ? b.daType : b.ioType) = devicetype::Win30pg;
        EXPECT_EQ(b.Initialize(), 0);
        EXPECT_EQ(win30Board().diagCalls, 1) << cls;
    }
    ResetHardware();
    win30Board().diagCalls = 0;
    Configure(1, 1, 1, 1);
    board().Initialize();
    EXPECT_EQ(win30Board().diagCalls, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BoardStart, DcxStageAxesFollowTheSpectrometerAxes) {
    Configure(1, 1, 1, devicetype::Dcx);
    BOARD& b = board();
    b.spectrometerMotors = 5;
    EXPECT_EQ(b.Initialize(), 0);
    EXPECT_EQ(b.dcxX().axisNumber, 6);
    EXPECT_EQ(b.dcxY().axisNumber, 7);
    EXPECT_GE(b.dcxX().handle, 0);
    EXPECT_GE(b.dcxY().handle, 0);
    EXPECT_EQ(mc("opens", 0, 0, 0), 2);

    ResetHardware();
    mc("reset", 0, 0, 0);
    Configure(1, 1, 1, devicetype::Dcx);
    board().spectrometerMotors = 7;
    board().Initialize();
    EXPECT_EQ(board().dcxX().axisNumber, 8);
    EXPECT_EQ(board().dcxY().axisNumber, 9);
    // Y is opened on controller 1: its Faraday output lands there.
    board().dcxY().Blank(1);
    EXPECT_EQ(mc("digital", 1, 3, 0), 1);
    EXPECT_EQ(mc("digital", 0, 3, 0), -1);
}

TEST_F(BoardStart, ADcxOpenFailureStopsInitializeWithItsCode) {
    Configure(1, 1, 1, devicetype::Dcx);
    mc("open result", 0, 0, -7);
    EXPECT_EQ(board().Initialize(), -7);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].caption, "DCX::Initialize()");
    EXPECT_EQ(ui.messageLines()[1], "BOARD::Initialize(): DCX Stage X open error(DCX)");
    EXPECT_EQ(mc("opens", 0, 0, 0), 1);  // Y is not tried after X failed

    ResetHardware();
    ui.clear();
    mc("reset", 0, 0, 0);
    Configure(1, 1, 1, devicetype::Dcx);
    board().spectrometerMotors = 7;  // X on controller 0, Y on controller 1
    mc("open result", 1, 0, -1);
    EXPECT_EQ(board().Initialize(), -1);
    EXPECT_EQ(ui.messageLines().back(), "BOARD::Initialize(): DCX Stage Y open error(DCX)");
}

TEST_F(BoardStart, Sx50AxesShareOneConnection) {
    Configure(1, 1, 1, devicetype::Sx50);
    board().sx50X().axisNumber = 1;
    board().sx50Y().axisNumber = 2;
    EXPECT_EQ(board().Initialize(), 0);
    EXPECT_EQ(sx("initializations", 0, 0), 1);
    EXPECT_TRUE(ui.messages.empty());

    ResetHardware();
    Configure(1, 1, 1, 4);
    EXPECT_EQ(board().Initialize(), 0);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"BOARD::Initialize(): Bad MC_Type"}));
}

TEST_F(BoardStart, StartUpCentresTheBeamAndTheStageWindow) {
    BOARD& b = board();
    b.daMax = 65535;
    b.simX.lowCorner = 302.5;
    b.simX.highCorner = 312.5;
    b.simY.lowCorner = 10;
    b.simY.highCorner = 14;
    simProbe().SetControl(1);
    b.StartUp();
    EXPECT_EQ(b.pixelX, 32767u);
    EXPECT_EQ(b.pixelY, 32767u);
    EXPECT_EQ(b.GetX(), 32767u);
    EXPECT_EQ(b.GetY(), 32767u);
    EXPECT_EQ(simProbe().control, 0);
    // The simulated stage stands at 0.0: the window is centred there.
    EXPECT_DOUBLE_EQ(b.simX.lowCorner, -5);
    EXPECT_DOUBLE_EQ(b.simX.highCorner, 5);
    EXPECT_DOUBLE_EQ(b.simY.lowCorner, -2);
    EXPECT_DOUBLE_EQ(b.simY.highCorner, 2);
    EXPECT_TRUE(ui.messages.empty());

    b.stageMotors = 5;
    b.StartUp();
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"init_software_3(): Warning: more than 4 stage motors!"}));
}

TEST_F(BoardStart, StartUpRecentresARealStageOnWhereItStands) {
    Configure(devicetype::Win30pg, devicetype::Win30pg, 1, devicetype::Dcx);
    OpenWin30();
    BOARD& b = board();
    b.daMax = 65535;
    ASSERT_EQ(b.Initialize(), 0);
    b.dcxX().encoderRatio = 1000;
    b.dcxX().lowCorner = 100;
    b.dcxX().highCorner = 120;
    mc("set counts", 0, 1, 42000);
    b.controlLogic = 0;  // Control(0) then drives the line high
    b.StartUp();
    EXPECT_DOUBLE_EQ(b.dcxX().lowCorner, 32);
    EXPECT_DOUBLE_EQ(b.dcxX().highCorner, 52);
    EXPECT_EQ(win30Board().daCode[1], 32767u);
    EXPECT_EQ(win30Board().daCode[0], 32767u);
    EXPECT_EQ(win30Board().outputWord & 0x80, 0x80u);
    // The simulated window is told the same centre first.
    EXPECT_DOUBLE_EQ((b.simX.lowCorner + b.simX.highCorner) / 2, 42);
}

// --- agreement of SX50 readings ----------------------------------------------------

TEST_F(BoardStart, Sx50ReadingsMustAgreeBeforeTheyAreBelieved) {
    Configure(1, 1, 1, devicetype::Sx50);
    BOARD& b = board();
    b.sx50X().axisNumber = 1;
    b.sx50Y().axisNumber = 2;
    ASSERT_EQ(b.Initialize(), 0);
    for (SX50MOT* axis : {&b.sx50X(), &b.sx50Y()}) {
        axis->lowCorner = 0;
        axis->highCorner = 1;
    }
    auto queue = [&](int axis, std::initializer_list<double> readings) {
        for (double r : readings) sx("queue reading", axis, r);
    };
    sx("set position", 1, 0.25);
    EXPECT_DOUBLE_EQ(b.GetPositionXHL(), 0.25);
    EXPECT_EQ(GlobalHistoryText(), "");

    queue(1, {0.4, 0.5, 0.4});
    EXPECT_DOUBLE_EQ(b.GetPositionXHL(), 0.4);
    EXPECT_EQ(GlobalHistoryText(), "GetPositionXHL() error, 3rd opinion\n");

    ResetGlobalHistory();
    queue(1, {0.4, 0.5, 0.5});
    EXPECT_DOUBLE_EQ(b.GetPositionXHL(), 0.5);
    EXPECT_EQ(GlobalHistoryText(), "GetPositionXHL() error, 3rd opinion\n");

    ResetGlobalHistory();
    queue(1, {0.4, 0.5, 0.6, 0.7});
    EXPECT_DOUBLE_EQ(b.GetPositionXHL(), 0.7);
    EXPECT_EQ(GlobalHistoryText(),
              "GetPositionXHL() error, 3rd opinion\nGetPositionXHL() error, 4rd opinion\n");

    ResetGlobalHistory();
    queue(2, {0.4, 0.5, 0.6, 0.7});
    EXPECT_DOUBLE_EQ(b.GetPositionYHL(), 0.6);
    EXPECT_EQ(GlobalHistoryText(),
              "GetPositionYHL() error, 3rd opinion\nGetPositionYHL() error, 4rd opinion\n");
    EXPECT_EQ(sx("queued", 2, 0), 1);  // Y takes no fourth reading

    ResetGlobalHistory();
    sx("reset", 0, 0);
}

TEST_F(BoardStart, StageOffsetsComeFromTheCorrespondenceFileAfterTheSpectrometers) {
    const std::string cor = ini + ".cor";
    std::ofstream(cor) << "1 2 3 4\n0.5 1.5 2.5 3.5\n";
    corFile().path = cor;
    Configure(1, 1, 1, devicetype::Dcx);
    BOARD& b = board();
    b.spectrometerMotors = 2;
    b.stageMotors = 2;
    b.StartUpMotors();
    EXPECT_EQ(corFile().motorCount, 4);
    EXPECT_DOUBLE_EQ(b.dcxX().offset, 2.5);
    EXPECT_DOUBLE_EQ(b.dcxY().offset, 3.5);

    // With fewer than two stage motors the offsets are 0.
    b.stageMotors = 1;
    b.StartUpMotors();
    EXPECT_DOUBLE_EQ(b.dcxX().offset, 0);
    EXPECT_DOUBLE_EQ(b.dcxY().offset, 0);
    EXPECT_TRUE(ui.messages.empty());
    resetCorFile();
    std::filesystem::remove(cor);
}

TEST_F(BoardConfig, TheBeamBlankingDialogChangesTheFlagOnlyOnOk) {
    using platform::DialogScript;
    using platform::DialogStep;
    auto tick = [](int value, const char* button) {
        return DialogScript{{{DialogStep::Op::SetValue, "Unblank/Blank for acquisition", "", value},
                             {DialogStep::Op::Press, button, "", 0}},
                            {}};
    };
    ui.queue(tick(1, "Cancel"));
    OnFaradaySetup();
    EXPECT_EQ(board().defaultBeamBlank, 0);
    ui.queue(tick(1, "OK"));
    OnFaradaySetup();
    EXPECT_EQ(board().defaultBeamBlank, 1);
    EXPECT_EQ(ui.dialogsRun, (std::vector<std::string>{"Beam Blanking", "Beam Blanking"}));

    // The box shows the present state when the dialog opens.
    BeamBlankingDialog dialog(board());
    EXPECT_EQ(dialog.find("Unblank/Blank for acquisition")->value, 1);
    dialog.setValue("Unblank/Blank for acquisition", 0);
    dialog.press("OK");
    EXPECT_EQ(board().defaultBeamBlank, 0);
}
