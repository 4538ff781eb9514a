// Whole stations configured from their initialization file through the load
// order and acquired through BOARD and the scan engine, against the stand-in
// libraries: DCC20AX counters with a DCX stage, and an SX50 stage.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "acquisition/acquire_commands.h"
#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "acquisition/scan_engine.h"
#include "app/progress.h"
#include "app/settings_install.h"
#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/sx50/sx50mot.h"
#include "hardware/win30/standin/ueidaq_standin.h"
#include "hardware/win30/win30pg.h"
#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex;

namespace {

const char* const kDcxStationIni =
    "[hardware]\n"
    "probetype=SEMQ\n"
    "cttype=dcc20ax\n"
    "CounterTimerDeviceName=devA, devB\n"
    "CounterTimerNumberofBoards=2\n"
    "mctype=dcx\n"
    "spectrometer motors=3\n"
    "stage motors=2\n"
    "[counter]\n"
    "max=2\n"
    "count time=0.2\n"
    "[software]\n"
    "retrace=0\n"
    "[stage x]\n"
    "low limit=0\nhigh limit=100\nspan=10\nbacklash=0\nencoder ratio=100\n"
    "[stage y]\n"
    "low limit=0\nhigh limit=100\nspan=12\nbacklash=0\nencoder ratio=50\n"
    "[faraday]\n"
    "FaradayCupPresent=true\nDefaultBeamBlankFlag=true\n";

const char* const kSx50Ini =
    "[hardware]\nprobetype=CAMECA\ncttype=none\nmctype=sx50\n"
    "SX50InterfaceBoardType=1\nSX50SEMDeviceName=sem9\n"
    "[stage x]\nlow limit=0\nhigh limit=1000\nspan=100\nbacklash=0\n"
    "[stage y]\nlow limit=0\nhigh limit=1000\nspan=100\nbacklash=0\n";

const char* const kWin30Ini =
    "[hardware]\nprobetype=JEOL\nadtype=win30pg\ndatype=win30pg\niotype=win30pg\ncttype=none\n"
    "mctype=none\n[analog]\nmax=2\nen1=on\nen2=on\n[software]\nretrace=0\n";

class Station : public ::testing::Test {
protected:
    explicit Station(const char* iniText) : iniText_(iniText) {}

    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        mcapi = platform::Library::load("mcapi32.dll");
        dcc = platform::Library::load("dcc20z32.dll");
        sx50 = platform::Library::load("sx50_32.dll");
        ASSERT_TRUE(mcapi && dcc && sx50) << "stand-in libraries not built";
        ASSERT_TRUE(mcapi->resolve("MCStandIn", mc));
        ASSERT_TRUE(dcc->resolve("DCCStandIn", counters));
        ASSERT_TRUE(sx50->resolve("SXStandIn", sx));
        mc("reset", 0, 0, 0);
        counters("reset", nullptr, 0, 0);
        sx("reset", 0, 0);
        windowList().Reset();
        OV_Info_Reset();
        ResetGlobalHistory();
        resetSoftwareSettings();
        ResetHardware();
        resetCalmag();
        resetChannelTables();
        resetRunState();
        resetAcquireMenuState();
        app::progressDisplay().reset();
        imageWindowEventHooks() = ImageWindowEventHooks();
        InstallImageWindowEventHandler();
        config::ResetSettingsHandlers();
        app::InstallSettingsHandlers();

        ini = (std::filesystem::temp_directory_path() / ("station_" + std::to_string(::getpid()) + ".ini"))
                  .string();
        std::ofstream(ini) << iniText_;
        softwareSettings().iniPath = ini;
        config::LoadAllSettings();
        beforeInitialize();
        ASSERT_EQ(board().Initialize(), 0);
    }
    virtual void beforeInitialize() {}
    void TearDown() override {
        windowList().Reset();
        OV_Info_Reset();
        imageWindowEventHooks() = ImageWindowEventHooks();
        config::ResetSettingsHandlers();
        ResetHardware();
        resetSoftwareSettings();
        ResetGlobalHistory();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
        std::filesystem::remove(ini);
    }

    // Counter channels 0 and 1 on counters 0 (first device) and 7 (second
    // device, its counter 2), 16 bits deep.
    void enableCounters() {
        ChannelTables& t = channelTables();
        ASSERT_EQ(t.counterMax, 2);
        t.counter[0].enabled = 1;
        t.counter[0].hwIndex = 0;
        t.counter[1].enabled = 1;
        t.counter[1].hwIndex = 7;
        for (auto& c : t.counter) c.want16Bit = 1;
    }
    void configure(int scanType, uint32_t width, uint32_t height) {
        CALMAG& c = calmag();
        c.SetXSize(width);
        c.SetYSize(height);
        c.stageToMicrons = 1;
        c.scanType = scanType;
        if (scanType == SCAN_BEAM) c.ApplyMagnification();
        c.SetScan();
    }
    void scan(int scanType, uint32_t width, uint32_t height) {
        configure(scanType, width, height);
        CALMAG& c = calmag();
        channelTables().PrepareAllImages(c, nullptr);
        runState().runState = RUN_RUNNING;
        runState().acquireMode = ACQUIRE_STORE;
        ScanPass();
    }
    static std::vector<uint16_t> row(const CHANNEL& c, int y) {
        std::vector<uint16_t> line(static_cast<size_t>(c.width));
        ReadLine16(c.image, y, line.data());
        return line;
    }

    /// How a run ended, as its last history line says.
    static std::string runEnd() {
        const std::string& text = GlobalHistoryText();
        const bool finished = text.find("finished scan: ") != std::string::npos;
        const bool halted = text.find("halted early: ") != std::string::npos;
        return finished == halted ? "?" : finished ? "finished" : "halted";
    }
    /// The stage waits that ran out, from the time the run took.
    uint32_t timeouts() const { return clock.tick / DCXMOT::kMoveTimeoutMs; }

    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::unique_ptr<platform::Library> mcapi, dcc, sx50;
    double (*mc)(const char*, int, int, double) = nullptr;
    double (*counters)(const char*, const char*, int, double) = nullptr;
    double (*sx)(const char*, int, double) = nullptr;
    std::string ini;

private:
    const char* iniText_;
};

class DcxStation : public Station {
protected:
    DcxStation() : Station(kDcxStationIni) {}
};

class Sx50Station : public Station {
protected:
    Sx50Station() : Station(kSx50Ini) {}
};

// A JEOL probe whose WIN-30 board fails its self-test at start-up.
class FailedWin30Station : public Station {
protected:
    FailedWin30Station() : Station(kWin30Ini) {}
    void beforeInitialize() override {
        ueidaq = platform::Library::load("ueidaq.dll");
        UeidaqStandinState* (*state)() = nullptr;
        ASSERT_TRUE(ueidaq && ueidaq->resolve("ueidaq_standin_state", state));
        void (*reset)() = nullptr;
        ASSERT_TRUE(ueidaq->resolve("ueidaq_standin_reset", reset));
        reset();
        board30 = state();
        board30->diagResult = 7;
    }
    /// The lines of an image's own history.
    static std::string historyOf(ImageHandle image) {
        const OrvexView* view = LiveView(image);
        return view ? view->history : "";
    }

    std::unique_ptr<platform::Library> ueidaq;
    UeidaqStandinState* board30 = nullptr;
};

// The same probe without the WIN-30 library.
class MissingWin30Station : public Station {
protected:
    MissingWin30Station() : Station(kWin30Ini) {}
    void beforeInitialize() override { win30pg().libraryName = "no_such_ueidaq.dll"; }
};

TEST_F(DcxStation, TheFileConfiguresEveryDriverAndTheStageFollowsTheSpectrometers) {
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    BOARD& b = board();
    EXPECT_EQ(b.ctType, devicetype::Dcc20ax);
    EXPECT_EQ(b.mcType, devicetype::Dcx);
    // Three spectrometer axes come first on controller 0.
    EXPECT_EQ(b.dcxX().axisNumber, 4);
    EXPECT_EQ(b.dcxY().axisNumber, 5);
    EXPECT_EQ(mc("open handles", 0, 0, 0), 2);
    EXPECT_EQ(b.dcxX().encoderRatio, 100);
    EXPECT_EQ(b.dcxY().encoderRatio, 50);
    EXPECT_EQ(counters("opened boards", "devA", 0, 0), 1);
    EXPECT_EQ(counters("opened boards", "devB", 0, 0), 1);
    EXPECT_EQ(dcc20ax().counterCount, 10);

    // Blanking goes to the Faraday output of the controller the stage is on.
    b.Blank(1);
    EXPECT_EQ(mc("digital", 0, 1, 0), 1);
    b.Blank(0);
    EXPECT_EQ(mc("digital", 0, 1, 0), 0);

    // Saving writes the drivers' keys back where they were read from.
    const std::string saved = ini + ".saved";
    config::SaveAllSettings(saved);
    EXPECT_EQ(config::ReadProfileString(saved, "stage y", "encoder ratio", ""), "50");
    EXPECT_EQ(config::ReadProfileString(saved, "hardware", "CounterTimerDeviceName", ""), "devA,devB");
    EXPECT_EQ(config::ReadProfileString(saved, "hardware", "CounterTimerNumberofBoards", ""), "2");
    std::filesystem::remove(saved);
}

TEST_F(DcxStation, ACounterBeamScanReadsEveryCounterOnItsDevice) {
    enableCounters();
    scan(SCAN_BEAM, 8, 4);
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    const ChannelTables& t = channelTables();
    // Without a beam position the stand-in counts in the order of the starts.
    for (int y = 0; y < 4; ++y) {
        const auto first = row(t.counter[0], y), second = row(t.counter[1], y);
        for (int x = 0; x < 8; ++x) {
            const int k = y * 8 + x;
            ASSERT_EQ(first[x], k) << x << "," << y;
            ASSERT_EQ(second[x], 10000 + 200 + k) << x << "," << y;
        }
    }
    EXPECT_FLOAT_EQ(static_cast<float>(counters("last seconds", "devB", 2, 0)), 0.2f);
    EXPECT_EQ(counters("starts", "devA", 0, 0), 32);
}

TEST_F(DcxStation, ABoardThatNeverFinishesCountingDoesNotHoldTheScan) {
    enableCounters();
    counters("never finish", nullptr, 0, 1);
    scan(SCAN_BEAM, 4, 2);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{
                                     "DCC20AX::IsCounting(): The counters did not finish counting\n"
                                     "DCC20AX sampling disabled"});
    // The first count is given up, every later one reads 0 without a try.
    EXPECT_EQ(counters("starts", "devA", 0, 0), 1);
    EXPECT_EQ(row(channelTables().counter[1], 1)[3], 0);
}

TEST_F(DcxStation, AStageScanMovesTheDcxAxesPixelByPixelAndReturns) {
    enableCounters();
    BOARD& b = board();
    // The stage stands at 50, 50 SU; the scan windows are 45..55 and 44..56.
    mc("set counts", 0, 4, 50 * 100);
    mc("set counts", 0, 5, 50 * 50);
    std::vector<double> xs, ys;
    ui.onPump = [&] {
        xs.push_back(mc("counts", 0, 4, 0) / 100);
        ys.push_back(mc("counts", 0, 5, 0) / 50);
    };
    scan(SCAN_STAGE, 5, 3);
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    // Per row: one pump after the Y move, one per X move, one at the line's end.
    ASSERT_EQ(xs.size(), 3u * 7u);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_NEAR(xs[y * 7 + 1 + x], 46 + 2 * x, 1e-9) << x << "," << y;
        EXPECT_NEAR(ys[y * 7], 54 - 4 * y, 1e-9) << y;  // from the top
    }
    // Back where it stood, both axes switched off.
    EXPECT_NEAR(b.GetStageXPosition(), 50, 1e-9);
    EXPECT_NEAR(b.GetStageYPosition(), 50, 1e-9);
    EXPECT_EQ(mc("enabled", 0, 4, 0), 0);
    EXPECT_EQ(mc("enabled", 0, 5, 0), 0);
    // A count for every pixel.
    EXPECT_EQ(row(channelTables().counter[1], 2)[4], 10000 + 200 + 14);
}

TEST_F(Sx50Station, AStageScanMovesBothAxesOverOneConnectionAndReturns) {
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_EQ(sx("initializations", 0, 0), 1);
    EXPECT_EQ(sx50Connection().interfaceType, 1);
    sx("set position", 1, 480);
    sx("set position", 2, 520);

    std::vector<double> xs, ys;
    ui.onPump = [&] {
        xs.push_back(sx("position", 1, 0));
        ys.push_back(sx("position", 2, 0));
    };
    scan(SCAN_STAGE, 4, 2);
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    // The windows are 450..550 on both axes: 25 SU per X pixel, 50 per Y row.
    ASSERT_EQ(xs.size(), 2u * 6u);
    for (int y = 0; y < 2; ++y) {
        EXPECT_NEAR(ys[y * 6], 525 - 50 * y, 1e-9);
        for (int x = 0; x < 4; ++x) EXPECT_NEAR(xs[y * 6 + 1 + x], 462.5 + 25 * x, 1e-9);
    }
    EXPECT_NEAR(sx("position", 1, 0), 480, 1e-9);
    EXPECT_NEAR(sx("position", 2, 0), 520, 1e-9);
}

TEST_F(DcxStation, AnAxisThatNeverEndsItsMoveCostsOneTimeoutAndStopsTheRun) {
    enableCounters();
    mc("set counts", 0, 4, 50 * 100);
    mc("set counts", 0, 5, 50 * 50);
    mc("never stop axis", 0, 4, 1);  // X
    configure(SCAN_STAGE, 5, 3);
    OnAcquireSingle();
    EXPECT_EQ(ui.messageLines(),
              std::vector<std::string>{"DCXMOT::WaitForPosition(): The stage x axis did not report the end of its "
                                       "move\n" + std::string(kGivenUpText)});
    EXPECT_EQ(timeouts(), 1u);
    EXPECT_EQ(runEnd(), "halted");
    EXPECT_EQ(runState().runState, RUN_IDLE);
    // Nothing was measured where the stage never arrived.
    EXPECT_EQ(counters("starts", "devA", 0, 0), 0);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(row(channelTables().counter[0], y), std::vector<uint16_t>(5, 0));
    // The sound axis went back where it stood.
    EXPECT_NEAR(board().GetStageYPosition(), 50, 1e-9);
}

TEST_F(DcxStation, AHybridScanStopsBeforeBeamScanningATileTheStageNeverReached) {
    enableCounters();
    mc("never stop axis", 0, 4, 1);  // X
    CALMAG& c = calmag();
    c.SetXSize(21);
    c.SetYSize(21);
    c.stageToMicrons = 200;  // a 2000 x 2400 micron stage frame
    c.calMicronsX = c.calMicronsY = 1000;
    c.calMag = 100;
    c.scanType = SCAN_HYBRID;
    c.SetFieldOfView(100);  // a 1000-micron beam frame
    c.SetScan();
    ASSERT_GT(c.tilesX * c.tilesY, 1);
    OnAcquireSingle();
    EXPECT_EQ(ui.messages.size(), 1u) << ui.messageLines()[0];
    EXPECT_EQ(timeouts(), 1u);
    EXPECT_EQ(runEnd(), "halted");
    EXPECT_EQ(counters("starts", "devA", 0, 0), 0);
    EXPECT_TRUE(ui.progress.size() <= 1u);
}

TEST_F(DcxStation, AControllerThatIsNotOpenStopsTheScanWhateverItsSize) {
    enableCounters();
    board().dcxX().Close();
    board().dcxY().Close();
    // Each operation that needs the controller says "bad handle", but no move
    // is tried twice: the messages do not grow with the image.
    std::vector<size_t> shown;
    for (uint32_t size : {3u, 30u, 60u}) {
        ui.clear();
        ResetGlobalHistory();
        configure(SCAN_STAGE, size, size);
        OnAcquireSingle();
        shown.push_back(ui.messages.size());
        EXPECT_EQ(ui.count("DCXMOT::SetPosition()", "bad handle"), 2);
        EXPECT_EQ(runEnd(), "halted");
    }
    EXPECT_EQ(shown[1], shown[2]);  // both replace the images of the run before
    EXPECT_LE(shown[2], 24u);
    EXPECT_EQ(counters("starts", "devA", 0, 0), 0);
}

TEST_F(DcxStation, ADeadControllerEndsAnAverageRunWithOneMessageAndIsTriedAgainByTheNext) {
    enableCounters();
    channelTables().SetAllMaxPasses(3);
    mc("never stop", 0, 0, 1);
    configure(SCAN_STAGE, 5, 3);
    OnAcquireAverage();
    // The Y move of the first row, then the X move home: both given up, one said.
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(timeouts(), 2u);
    EXPECT_NE(GlobalHistoryText().find("The stage x axis did not report the end of its move\n"), std::string::npos);
    EXPECT_EQ(runEnd(), "halted");
    EXPECT_EQ(GlobalHistoryText().find("  Pass number:2"), std::string::npos);

    // The controller is back: a new run moves both axes again.
    mc("never stop", 0, 0, 0);
    ui.clear();
    ResetGlobalHistory();
    const uint32_t before = clock.tick;
    OnAcquireSingle();
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_EQ(runEnd(), "finished");
    EXPECT_LT(clock.tick - before, DCXMOT::kMoveTimeoutMs);
    EXPECT_EQ(row(channelTables().counter[0], 2)[4], 14);
}

TEST_F(Sx50Station, AnAxisThatNeverComesToRestCostsOneTimeoutAndStopsTheRun) {
    ChannelTables& t = channelTables();
    t.digital[0].enabled = 1;
    sx("set position", 1, 480);
    sx("set position", 2, 520);
    sx("busy axis", 2, 1);  // Y
    configure(SCAN_STAGE, 4, 2);
    OnAcquireSingle();
    EXPECT_EQ(ui.messageLines(),
              std::vector<std::string>{"SX50MOT::WaitForPosition(): The stage y axis did not come to rest\n" +
                                       std::string(kGivenUpText)});
    EXPECT_EQ(timeouts(), 1u);
    EXPECT_EQ(runEnd(), "halted");
    // The first row's X moves were never made; X is back where it stood.
    EXPECT_EQ(sx("starts", 1, 0), 1);
    EXPECT_NEAR(sx("position", 1, 0), 480, 1e-9);
}

TEST_F(FailedWin30Station, EveryRunSaysTheAnalogInputsAreDisabledAndMeasuresNothing) {
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Initialize: win30 board faulty or not found",
                                                           "Initialize(): Disabling calls to win30pg board"}));
    ui.clear();
    ChannelTables& t = channelTables();
    ASSERT_EQ(t.EnabledCount(CHANNEL_ANALOG), 2);
    configure(SCAN_BEAM, 6, 4);
    OnAcquireSingle();
    ASSERT_EQ(ui.messageLines(), std::vector<std::string>{std::string("acquire_single: ") + kAnalogBoardFailedWarning});
    EXPECT_EQ(ui.messages[0].icon, platform::Icon::Warning);
    for (int k = 0; k < 2; ++k) {
        const ANALOGCHANNEL& a = t.analog[k];
        EXPECT_NE(historyOf(a.image).find(std::string(kAnalogBoardFailedHistory) + "\n"), std::string::npos) << k;
        for (int y = 0; y < 4; ++y) EXPECT_EQ(row(a, y), std::vector<uint16_t>(6, 0)) << k << "," << y;
    }
    EXPECT_NE(GlobalHistoryText().find(kAnalogBoardFailedHistory), std::string::npos);
    EXPECT_EQ(board30->blockCalls, 0);

    // Once per run, however many passes it makes.
    ui.clear();
    t.SetAllMaxPasses(3);
    OnAcquireAverage();
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{std::string("acquire_average: ") + kAnalogBoardFailedWarning});
    EXPECT_EQ(runEnd(), "finished");
}

TEST_F(FailedWin30Station, ARunWithoutAnalogChannelsOrOnTheDemoProbeIsNotWarned) {
    ui.clear();
    ChannelTables& t = channelTables();
    configure(SCAN_BEAM, 6, 4);
    t.analog[0].enabled = t.analog[1].enabled = 0;
    t.digital[0].enabled = 1;
    OnAcquireSingle();
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];

    // DEMO never runs the board's self-test: its analog channels show the simulated ramp.
    softwareSettings().probeType = kProbeDemo;
    softwareSettings().demo = 1;
    ResetWin30pg();
    ASSERT_EQ(board().Initialize(), 0);
    t.analog[0].enabled = 1;
    OnAcquireSingle();
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_NE(row(t.analog[0], 3)[5], 0);
}

TEST_F(MissingWin30Station, ARealProbeOnTheSimulatedRampSaysSo) {
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadUEIDAQ(): Can't load UEIDAQ.dll"});
    ui.clear();
    configure(SCAN_BEAM, 6, 4);
    ui.onPump = [] { OnAcquireFinish(); };
    OnAcquireContinuous();
    ASSERT_EQ(ui.messageLines(),
              std::vector<std::string>{std::string("acquire_continuous: ") + kAnalogBoardMissingWarning});
    EXPECT_EQ(runEnd(), "finished");
    EXPECT_NE(GlobalHistoryText().find(kAnalogBoardMissingHistory), std::string::npos);
    EXPECT_NE(row(channelTables().analog[0], 3)[5], 0);
}

TEST_F(Sx50Station, ALostConnectionStopsTheScanWithOneMessage) {
    channelTables().digital[0].enabled = 1;
    sx50AxisX().Close();
    configure(SCAN_STAGE, 4, 2);
    OnAcquireSingle();
    EXPECT_EQ(ui.messageLines(),
              std::vector<std::string>{"SX50MOT::SetPosition(): The stage y axis has no connection to the SX50\n" +
                                       std::string(kGivenUpText)});
    EXPECT_EQ(runEnd(), "halted");
}

TEST_F(Sx50Station, DisagreeingReadingsAreSettledThroughBoard) {
    // Window 450..550: readings 490, 500, 490 are the fractions 0.4, 0.5, 0.4.
    for (double reading : {490.0, 500.0, 490.0}) sx("queue reading", 1, reading);
    EXPECT_NEAR(board().GetPositionXHL(), 0.4, 1e-12);
    EXPECT_EQ(GlobalHistoryText(), "GetPositionXHL() error, 3rd opinion\n");
    EXPECT_EQ(sx("queued", 1, 0), 0);
}

}  // namespace
