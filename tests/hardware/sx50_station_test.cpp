// An SX50 station configured from its initialization file through the load
// order, scanned through BOARD and the scan engine against the stand-in.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "acquisition/scan_engine.h"
#include "app/history.h"
#include "app/progress.h"
#include "app/window_list.h"
#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/sx50/sx50mot.h"
#include "imagestore/image_info.h"
#include "imagestore/image_window_events.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex;

namespace {

class Sx50Station : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        library = platform::Library::load("sx50_32.dll");
        ASSERT_TRUE(library) << "stand-in library not built";
        ASSERT_TRUE(library->resolve("SXStandIn", sx));
        sx("reset", 0, 0);
        windowList().Reset();
        OV_Info_Reset();
        ResetGlobalHistory();
        resetSoftwareSettings();
        ResetHardware();
        resetCalmag();
        resetChannelTables();
        resetRunState();
        app::progressDisplay().reset();
        imageWindowEventHooks() = ImageWindowEventHooks();
        InstallImageWindowEventHandler();
        config::ResetSettingsHandlers();
        config::InstallSettingsHandlers();

        ini = (std::filesystem::temp_directory_path() / ("sx50_station_" + std::to_string(::getpid()) + ".ini"))
                  .string();
        std::ofstream(ini) << "[hardware]\nprobetype=CAMECA\ncttype=none\nmctype=sx50\n"
                              "SX50InterfaceBoardType=1\nSX50SEMDeviceName=sem9\n"
                              "[stage x]\nlow limit=0\nhigh limit=1000\nspan=100\nbacklash=0\n"
                              "[stage y]\nlow limit=0\nhigh limit=1000\nspan=100\nbacklash=0\n";
        softwareSettings().iniPath = ini;
        config::LoadAllSettings();
        ASSERT_EQ(board().Initialize(), 0);
    }
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

    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::unique_ptr<platform::Library> library;
    double (*sx)(const char*, int, double) = nullptr;
    std::string ini;
};

TEST_F(Sx50Station, AStageScanMovesBothAxesOverOneConnectionAndReturns) {
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_EQ(sx("initializations", 0, 0), 1);
    EXPECT_EQ(sx50Connection().interfaceType, 1);
    sx("set position", 1, 480);
    sx("set position", 2, 520);

    CALMAG& c = calmag();
    c.SetXSize(4);
    c.SetYSize(2);
    c.stageToMicrons = 1;
    c.scanType = SCAN_STAGE;
    c.SetScan();
    channelTables().PrepareAllImages(c, nullptr);
    runState().runState = RUN_RUNNING;
    runState().acquireMode = ACQUIRE_STORE;
    std::vector<double> xs, ys;
    ui.onPump = [&] {
        xs.push_back(sx("position", 1, 0));
        ys.push_back(sx("position", 2, 0));
    };
    ScanPass();
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

TEST_F(Sx50Station, DisagreeingReadingsAreSettledThroughBoard) {
    // Window 450..550: readings 490, 500, 490 are the fractions 0.4, 0.5, 0.4.
    for (double reading : {490.0, 500.0, 490.0}) sx("queue reading", 1, reading);
    EXPECT_NEAR(board().GetPositionXHL(), 0.4, 1e-12);
    EXPECT_EQ(GlobalHistoryText(), "GetPositionXHL() error, 3rd opinion\n");
    EXPECT_EQ(sx("queued", 1, 0), 0);
}

TEST_F(Sx50Station, AFailingStartIsShownWithInterfaceTypeOne) {
    sx("fail start", 0, 1);
    board().SetPositionX(470);
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"SX50MOT::SetPosition: error - SX_StartStage()"});
    EXPECT_EQ(sx("position", 1, 0), 0);
}

}  // namespace
