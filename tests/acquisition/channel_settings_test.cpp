// The channel keys, the element names and the channel setup dialogs.
#include "acquisition/acquisition_fixture.h"
#include "acquisition/calmag_dialogs.h"
#include "acquisition/channel_dialogs.h"
#include "app/commands/setup.h"
#include "config/elmfile.h"
#include "config/settings_order.h"

namespace orvex {
namespace {

using platform::DialogScript;
using platform::DialogStep;

class ChannelSettings : public testing::AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        resetElementLists();
    }
    void TearDown() override {
        resetElementLists();
        AcquisitionTest::TearDown();
    }
    testing::ScratchFolder folder;
};

TEST_F(ChannelSettings, KeysReadAndSaveBack) {
    std::string ini = folder.write(
        "Orvex.ini",
        "[analog]\nmax=3\nautostretch=off\nen1=on\nch1=BSE\npol1=false\nzunit1=mV\n"
        "zhigh1=1.23456789\nprogrammable gain1=4\nBits1=8\nen3=yes\n"
        "[digital]\nmax=2\nen2=true\nch2=Fe\n[counter]\nmax=40\nen16=on\nBits16=8\n");
    ChannelTables& t = channelTables();
    t.analog[5].enabled = 1;  // beyond the new count
    t.ReadIni(ini);
    EXPECT_EQ(t.analogMax, 3);
    EXPECT_EQ(t.analog[0].autostretch, 0);
    EXPECT_EQ(t.analog[0].name, "BSE");
    EXPECT_EQ(t.analog[0].polarity, 0);
    EXPECT_EQ(t.analog[0].zUnit, "mV");
    EXPECT_EQ(t.analog[0].gain, 4);
    EXPECT_EQ(t.analog[0].want16Bit, 0);
    EXPECT_EQ(t.analog[1].want16Bit, 1);  // analog default "16", digital "8"
    EXPECT_EQ(t.digital[1].want16Bit, 0);
    EXPECT_EQ(t.analog[1].zUnit, "volts");
    EXPECT_EQ(t.analog[5].enabled, 0);
    EXPECT_EQ(t.digital[1].name, "Fe");
    EXPECT_EQ(t.counterMax, ChannelTables::kTableSize);  // kept inside the table
    EXPECT_EQ(t.counter[15].want16Bit, 0);
    EXPECT_EQ(t.counter[0].maxPasses, 10u);  // "maximum scans"
    EXPECT_EQ(ChannelsEnabled(), 4);

    std::string path = folder.file("saved.set");
    t.WriteIni(path);
    std::string text = testing::ScratchFolder::read(path);
    EXPECT_NE(text.find("zHigh1=1.23457"), std::string::npos);
    EXPECT_NE(text.find("pol1=false"), std::string::npos);
    EXPECT_NE(text.find("bits2=16"), std::string::npos);  // asked for, not yet acquired
    EXPECT_EQ(text.find("pol", text.find("[counter]")), std::string::npos);
    resetChannelTables();
    ChannelTables& back = channelTables();
    back.ReadIni(path);
    EXPECT_EQ(back.analog[0].name, "BSE");
    EXPECT_EQ(back.analog[0].gain, 4);
    EXPECT_EQ(back.analog[1].want16Bit, 1);
    EXPECT_EQ(back.analogAutostretch, 0);
    EXPECT_EQ(back.counter[15].enabled, 1);
    EXPECT_EQ(back.ChannelsEnabled(), 4);
}

TEST_F(ChannelSettings, LoadOrderEnablesTheDemoChannel) {
    std::string ini = folder.write("Orvex.ini", "[hardware]\nprobetype=DEMO\n[analog]\nen1=off\n");
    softwareSettings().iniPath = ini;
    config::LoadAllSettings();
    EXPECT_EQ(channelTables().analog[0].enabled, 1);
    EXPECT_EQ(calmag().xsize, 128u);
}

void setElements(ELMFILE& list, std::vector<std::string> names) {
    list.SetCount(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) list.SetEntry(static_cast<int>(i), names[i], "", "");
}

TEST_F(ChannelSettings, ElementNamesGoToTheEnabledChannels) {
    SoftwareSettings& s = softwareSettings();
    s.digitalMax = 4;
    s.digitalBeamChannel = 1;
    s.digitalMaxElm = 2;
    s.digitalMaxEds = 1;
    s.counterMax = 3;
    s.counterMaxElm = 2;
    s.counterMaxEds = 1;
    setElements(elmFile(), {"Fe", "___"});
    setElements(edsFile(), {"Si"});
    ChannelTables& t = channelTables();
    t.digital[1].enabled = 1;
    t.digital[3].enabled = 1;
    t.counter[0].enabled = 1;
    ElmToChannels(0);
    EXPECT_EQ(t.digital[0].name, "Digital1");  // the beam channel
    EXPECT_EQ(t.digital[1].name, "Fe_D");
    EXPECT_EQ(t.digital[2].name, "Digital3");  // blank entry
    EXPECT_EQ(t.digital[3].name, "Si_D");
    EXPECT_EQ(t.counter[0].name, "Fe_C");
    EXPECT_EQ(t.counter[2].name, "Counter3");  // disabled
    ElmToChannels(1);
    EXPECT_EQ(t.counter[2].name, "Si_C");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ChannelSettings, TooManyElementChannelsRenamesNothing) {
    SoftwareSettings& s = softwareSettings();
    s.digitalMax = 2;
    s.digitalMaxElm = 2;
    s.digitalMaxEds = 1;
    s.counterMaxElm = 1;
    setElements(elmFile(), {"Fe", "Ni"});
    setElements(edsFile(), {"Si"});
    ElmToChannels(1);
    EXPECT_EQ(ui.count("ElmToChannels()", "Too many digital channels"), 1);
    EXPECT_EQ(channelTables().digital[0].name, "Digital1");
    EXPECT_EQ(channelTables().counter[0].name, "Counter1");  // the whole operation stops

    s.digitalMaxEds = 0;
    s.counterMax = 1;
    s.counterMaxEds = 1;
    ElmToChannels(1);
    EXPECT_EQ(ui.count("ElmToChannels()", "Too many counter channels"), 1);
    EXPECT_EQ(channelTables().digital[0].name, "Fe_D");

    edsFile().Clear();  // an invalid list: nothing at all
    ui.clear();
    ElmToChannels(1);
    EXPECT_TRUE(ui.messages.empty());
}

DialogStep press(const std::string& label) {
    return {DialogStep::Op::Press, label, {}, 0};
}
DialogStep setValue(const std::string& label, int v) {
    return {DialogStep::Op::SetValue, label, {}, v};
}
DialogStep setText(const std::string& label, const std::string& text) {
    return {DialogStep::Op::SetText, label, text, 0};
}

TEST_F(ChannelSettings, AnalogDialogEditsAndPreparesAtOnce) {
    ChannelTables& t = channelTables();
    t.analogMax = 2;
    beamScan(16, 8);
    ui.queue(DialogScript{{setValue(ChannelSetupDialog::EnabledLabel(1), 1),
                           setValue(ChannelSetupDialog::PolarityLabel(1), 0),
                           setText(ChannelSetupDialog::NameLabel(1), "SE"),
                           setValue("Autostretch", 0), press("OK")}});
    EXPECT_TRUE(setup_analog_inputs());
    EXPECT_EQ(ui.dialogsRun.back(), "Analog Inputs");
    EXPECT_EQ(t.analog[1].enabled, 1);
    EXPECT_EQ(t.analog[1].polarity, 0);
    EXPECT_EQ(t.analog[1].name, "SE");
    EXPECT_EQ(t.analogAutostretch, 0);
    ASSERT_TRUE(t.analog[1].image);  // prepared on OK
    EXPECT_FALSE(t.analog[0].image);

    // Cancel changes nothing.
    ui.queue(DialogScript{{setValue(ChannelSetupDialog::EnabledLabel(1), 0), press("Cancel")}});
    EXPECT_FALSE(setup_analog_inputs());
    EXPECT_EQ(t.analog[1].enabled, 1);
}

TEST_F(ChannelSettings, CounterDialogSetsDepthAndCountTime) {
    ChannelTables& t = channelTables();
    beamScan(8, 8);
    ui.queue(DialogScript{{setValue(ChannelSetupDialog::EnabledLabel(0), 1),
                           setValue(ChannelSetupDialog::DepthLabel(0), 0),
                           setText("Count time (seconds):", "0.25"), press("OK")}});
    EXPECT_TRUE(setup_counter_inputs());
    EXPECT_EQ(softwareSettings().countTime, 0.25);
    EXPECT_EQ(t.counter[0].want16Bit, 0);
    ImageSummary s;
    ASSERT_EQ(GetImageSummary(t.counter[0].image, s), ImageDone);
    EXPECT_EQ(s.depth, 8);
    EXPECT_EQ(t.enabledCounterCount, 1);

}

TEST_F(ChannelSettings, DialogsOfKindsWithoutChannels) {
    ChannelTables& t = channelTables();
    t.analogMax = t.digitalMax = t.counterMax = 0;
    EXPECT_FALSE(setup_analog_inputs());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(setup_digital_inputs());
    EXPECT_EQ(ui.count("setup_digital_inputs", "Number of digital channels is 0"), 1);
    EXPECT_FALSE(setup_counter_inputs());
    EXPECT_EQ(ui.count("setup_counter_inputs", "Number of counter channels is 0"), 1);
    EXPECT_TRUE(ui.dialogsRun.empty());
}

TEST_F(ChannelSettings, SetupCommandsOfTheCalibration) {
    softwareSettings().probeType = 9;
    EXPECT_FALSE(OV_DoMagDlg());
    EXPECT_EQ(ui.count("OV_DoMagDlg", "Unrecognized Probe Type"), 1);
    EXPECT_TRUE(ui.dialogsRun.empty());

    softwareSettings().probeType = kProbeDemo;
    ui.queue(DialogScript{{press("5000"), press("OK")}});
    EXPECT_TRUE(OV_DoMagDlg());
    EXPECT_EQ(calmag().magnification, 5000);
    EXPECT_EQ(calmag().effectiveMag, 5080.0);

    ui.queue(DialogScript{{{DialogStep::Op::Choose, "256 x 256", {}, 0}, press("OK")}});
    EXPECT_TRUE(OV_DoImageSizeDlg());
    EXPECT_EQ(calmag().xsize, 256u);
    EXPECT_DOUBLE_EQ(calmag().umPerPixelX, calmag().fieldWidth / 255);

    board().mcType = 0;
    calmag().scanType = SCAN_STAGE;
    ui.queue(DialogScript{{setText("Maximum scans to average:", "3"), press("OK")}});
    EXPECT_TRUE(OV_DoScanDlg());
    EXPECT_EQ(calmag().scanType, SCAN_BEAM);  // no stage to scan with
    EXPECT_EQ(softwareSettings().maximumScans, 3);
    EXPECT_EQ(channelTables().counter[7].maxPasses, 3u);
}

}  // namespace
}  // namespace orvex
