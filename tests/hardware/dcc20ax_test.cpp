// The counter/timer driver against the stand-in "dcc20z32.dll", loaded
// through the real loading path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "platform/clock.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex;

namespace {

class Dcc20axTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        platform::setClock(&clock);
        standin = platform::Library::load("dcc20z32.dll");
        ASSERT_TRUE(standin) << "stand-in library not built";
        ASSERT_TRUE(standin->resolve("DCCStandIn", control));
        control("reset", nullptr, 0, 0);
        resetDcc20ax();
        ini = (std::filesystem::temp_directory_path() /
               ("dcc20ax_" + std::to_string(::getpid()) + ".ini")).string();
        std::filesystem::remove(ini);
    }
    void TearDown() override {
        resetDcc20ax();
        platform::setUi(nullptr);
        platform::setClock(nullptr);
        std::filesystem::remove(ini);
    }

    void writeIni(const std::string& text) { std::ofstream(ini) << text; }

    // A configuration with cttype dcc20ax, the given names and board count.
    void configure(const std::string& names, int boards, int max = 0) {
        writeIni("[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=" + names +
                 "\nCounterTimerNumberofBoards=" + std::to_string(boards) + "\n[counter]\nmax=" +
                 std::to_string(max) + "\n");
        dcc20ax().ReadIni(ini);
    }

    double query(const char* what, const char* device, int index = 0) {
        return control(what, device, index, 0);
    }

    platform::HeadlessUi ui;
    platform::TestClock clock;
    std::unique_ptr<platform::Library> standin;
    double (*control)(const char*, const char*, int, double) = nullptr;
    std::string ini;
};

TEST_F(Dcc20axTest, TwoNamesWithTwoBoardsGiveTwoDevicesOfOneBoardEach) {
    configure("devA, devB", 2);
    DCC20AX& d = dcc20ax();
    EXPECT_EQ(d.enabled, 1);
    EXPECT_EQ(d.nameCount, 2);
    EXPECT_EQ(d.singleDevice, 0);
    EXPECT_EQ(d.boardsPerDevice, 1);
    EXPECT_EQ(d.GetDeviceNames(), "devA,devB");

    d.Initialize();
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines()[0];
    EXPECT_EQ(d.counterCount, 10);
    EXPECT_EQ(query("opened boards", "devA"), 1);
    EXPECT_EQ(query("opened boards", "devB"), 1);
    EXPECT_EQ(query("resets", "devB"), 1);

    // Counter 7 is counter 2 of the second device.
    EXPECT_EQ(d.Start(7), 1);
    EXPECT_EQ(query("starts", "devB", 2), 1);
    EXPECT_EQ(query("starts", "devA", 2), 0);
    EXPECT_EQ(d.IsCounting(), 0);
    EXPECT_EQ(d.Read(7), 10000 * 1 + 100 * 2 + 0);
    EXPECT_EQ(query("reads", "devB", 2), 1);
}

TEST_F(Dcc20axTest, OneNameServesEveryBoardOnOneHandle) {
    configure("IOMapper0", 3);
    DCC20AX& d = dcc20ax();
    EXPECT_EQ(d.singleDevice, 1);
    EXPECT_EQ(d.boardsPerDevice, 3);
    d.Initialize();
    EXPECT_EQ(query("opened boards", "IOMapper0"), 3);
    EXPECT_EQ(query("open devices", nullptr), 1);
    EXPECT_EQ(d.counterCount, 15);
    EXPECT_EQ(d.Start(14), 1);
    EXPECT_EQ(query("starts", "IOMapper0", 14), 1);
    EXPECT_EQ(d.Read(14), 100 * 14);
    EXPECT_TRUE(ui.messages.empty());

    // Beyond the three boards.
    EXPECT_EQ(d.Start(15), 0);
    EXPECT_EQ(ui.count("DCC20AX::Start()", "bad channel parameter"), 1);
    EXPECT_EQ(d.Read(15), 0);
    EXPECT_EQ(ui.count("DCC20AX::Read()", "bad channel number"), 1);
    EXPECT_EQ(d.Start(-1), 0);
    EXPECT_EQ(d.Start(20), 0);
    EXPECT_EQ(ui.count("DCC20AX::Start()", "bad channel parameter"), 3);
}

TEST_F(Dcc20axTest, CountsFollowTheBeamAndTheCountTimeReachesTheBoard) {
    configure("IOMapper0", 1);
    DCC20AX& d = dcc20ax();
    d.Initialize();
    EXPECT_EQ(d.SetCountTime(0.005f), 0);
    EXPECT_DOUBLE_EQ(d.countTime, 0.01);
    EXPECT_EQ(d.SetCountTime(0.25f), 1);
    // Without a beam position the pattern counts the starts.
    for (int pass = 0; pass < 3; ++pass) {
        d.Start(1);
        EXPECT_EQ(d.IsCounting(), 0);
        EXPECT_EQ(d.Read(1), 100 + pass);
    }
    EXPECT_FLOAT_EQ(static_cast<float>(query("last seconds", "IOMapper0", 1)), 0.25f);
    control("beam", nullptr, 30, 45);
    d.Start(1);
    EXPECT_EQ(d.Read(1), 100 + 75);
}

TEST_F(Dcc20axTest, ConfigurationFaultsAreReportedAndDisableSampling) {
    struct Case {
        std::string ini;
        std::string message;  // empty: none expected
    };
    const std::string conflict =
        "[counter]'max=' conflicts with [hardware]'CounterTimerNumberofBoards='\nDCC20AX sampling disabled";
    const std::string range = "Number of DCC20AX boards is out of range\nDCC20AX sampling disabled";
    const std::vector<Case> cases = {
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=\nCounterTimerNumberofBoards=1\n",
         "Missing DCC20AX device name in initialization file\nDCC20AX sampling disabled"},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a,b\nCounterTimerNumberofBoards=2\n[counter]\nmax=12\n",
         conflict},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a\nCounterTimerNumberofBoards=0\n", range},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a\nCounterTimerNumberofBoards=5\n", range},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a\nCounterTimerNumberofBoards=2147483647\n", range},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a\nCounterTimerNumberofBoards=-3\n"
         "[counter]\nmax=-100\n",
         range},
        // The split finds no names, and then the reader says so.
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a,b,c,d,e\nCounterTimerNumberofBoards=4\n",
         "CounterTimerDeviceName: to many names|No device names?"},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName=a,b,c\nCounterTimerNumberofBoards=2\n",
         "More device names than boards claimed in .ini"},
        {"[hardware]\ncttype=dcc20ax\nCounterTimerDeviceName= , ,\nCounterTimerNumberofBoards=2\n",
         "No device names?"},
        // Upper case is not this driver's word: silently disabled.
        {"[hardware]\ncttype=DCC20AX\nCounterTimerDeviceName=a\nCounterTimerNumberofBoards=1\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        resetDcc20ax();
        ui.clear();
        control("reset", nullptr, 0, 0);
        writeIni(c.ini);
        DCC20AX& d = dcc20ax();
        d.ReadIni(ini);
        EXPECT_EQ(d.enabled, 0);
        if (c.message.empty()) {
            EXPECT_TRUE(ui.messages.empty());
        } else {
            std::string texts;
            for (const auto& m : ui.messages) {
                EXPECT_EQ(m.caption, "DCC20AX::ReadIni()");
                texts += (texts.empty() ? "" : "|") + m.text;
            }
            EXPECT_EQ(texts, c.message);
        }
        // A disabled driver never touches the board and reads 0.
        d.Initialize();
        EXPECT_EQ(d.Start(0), 0);
        EXPECT_EQ(d.IsCounting(), 0);
        EXPECT_EQ(d.Read(0), 0);
        EXPECT_EQ(query("opens", nullptr), 0);
    }
}

TEST_F(Dcc20axTest, NoneNamesTheDefaultDeviceAndFourNamesAreTheMost) {
    writeIni("[hardware]\ncttype=none\n");
    dcc20ax().ReadIni(ini);
    EXPECT_EQ(dcc20ax().deviceNames[0], "IOMapper0");
    EXPECT_EQ(dcc20ax().enabled, 0);

    configure(" w , x,y ,z ", 4, 20);
    EXPECT_EQ(dcc20ax().enabled, 1);
    EXPECT_EQ(dcc20ax().GetDeviceNames(), "w,x,y,z");
    // A hole in the list does not shift the devices behind it.
    configure("p,,q", 2);
    EXPECT_EQ(dcc20ax().nameCount, 2);
    EXPECT_EQ(dcc20ax().deviceNames[1], "q");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Dcc20axTest, AFailedResetIsShownInHexAndSilencesThatBoard) {
    control("reset result", "devB", 0, 31);
    configure("devA,devB", 2);
    DCC20AX& d = dcc20ax();
    d.Initialize();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "DCC20AX::Initialize()");
    EXPECT_EQ(ui.messages[0].text, "Error during DCC20AX_MasterReset(2/2):1f(hex)");
    EXPECT_EQ(d.Start(6), 0);
    EXPECT_EQ(d.Read(6), 0);
    EXPECT_EQ(query("starts", "devB", 1), 0);
    EXPECT_EQ(d.Start(1), 1);
    EXPECT_EQ(d.Read(1), 100);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Dcc20axTest, AFailedOpenIsReportedOnceAndItsBoardStaysSilent) {
    control("fail open", "devB", 0, 1);
    configure("devA,devB", 2);
    DCC20AX& d = dcc20ax();
    d.Initialize();
    EXPECT_TRUE(ui.messages.empty());
    for (int pixel = 0; pixel < 5; ++pixel) {
        EXPECT_EQ(d.Start(5), 0);
        EXPECT_EQ(d.Start(0), 1);
        EXPECT_EQ(d.IsCounting(), 0);
        EXPECT_EQ(d.Read(5), 0);
    }
    EXPECT_EQ(ui.count("DCC20AX::GetHandle()", "Internal Error- Bad Handle"), 1);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Dcc20axTest, MissingLibraryOrEntryPointsAreReportedOnceAndNothingIsCalled) {
    configure("IOMapper0", 1);
    DCC20AX& d = dcc20ax();
    d.libraryName = "dcc20z32_absent.dll";
    d.Initialize();
    d.Initialize();
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadDCC20Z32(): Can't load DCC20Z32.dll"});
    EXPECT_EQ(d.Start(0), 0);
    EXPECT_EQ(d.IsCounting(), 0);
    EXPECT_EQ(d.Read(0), 0);
    EXPECT_EQ(ui.messages.size(), 1u);

    resetDcc20ax();
    ui.clear();
    configure("IOMapper0", 1);
    dcc20ax().libraryName = "dcc20z32_partial.dll";
    dcc20ax().Initialize();
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"LoadDCC20Z32(): 2 of 6 functions did not load"});
    EXPECT_EQ(dcc20ax().Start(0), 0);
    EXPECT_EQ(query("opens", nullptr), 0);
}

TEST_F(Dcc20axTest, AnEmptyFirstDeviceNameIsUninitialized) {
    configure("devA", 1);
    dcc20ax().deviceNames[0].clear();
    dcc20ax().Initialize();
    EXPECT_EQ(ui.messageLines(), std::vector<std::string>{"Counters: Uninitialized"});
}

TEST_F(Dcc20axTest, CountersThatNeverFinishAreGivenUpOnce) {
    control("never finish", nullptr, 0, 1);
    configure("IOMapper0", 1);
    DCC20AX& d = dcc20ax();
    d.Initialize();
    d.SetCountTime(0.5f);
    d.Start(0);
    d.Start(3);
    int polls = 0;
    while (d.IsCounting() && polls < 10000000) ++polls;
    EXPECT_LT(polls, 10000000);
    // Not before the count time and the grace period have passed.
    EXPECT_GE(clock.tick, 500u + DCC20AX::kCountGraceMs);
    EXPECT_EQ(ui.count("DCC20AX::IsCounting()", "The counters did not finish counting\nDCC20AX sampling disabled"), 1);
    EXPECT_EQ(d.enabled, 0);
    EXPECT_EQ(d.Read(0), 0);
}

TEST_F(Dcc20axTest, WrittenKeysReadBackToTheSameConfiguration) {
    configure("devA , devB", 2);
    std::filesystem::remove(ini);
    dcc20ax().WriteIni(ini);
    EXPECT_EQ(config::ReadProfileString(ini, "hardware", "CounterTimerDeviceName", ""), "devA,devB");
    EXPECT_EQ(config::ReadProfileInt(ini, "hardware", "CounterTimerNumberofBoards", 0), 2);
    config::WriteProfileString(ini, "hardware", "cttype", "dcc20ax");
    resetDcc20ax();

    // Through the load order, as start-up reads it.
    config::ResetSettingsHandlers();
    installDcc20axSettings();
    const std::string saved = softwareSettings().iniPath;
    softwareSettings().iniPath = ini;
    config::LoadAllSettings();
    softwareSettings().iniPath = saved;
    config::ResetSettingsHandlers();
    EXPECT_EQ(dcc20ax().enabled, 1);
    EXPECT_EQ(dcc20ax().GetDeviceNames(), "devA,devB");
    EXPECT_EQ(dcc20ax().BoardCount(), 2);
}

}  // namespace
