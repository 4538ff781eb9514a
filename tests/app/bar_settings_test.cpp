#include "app_test_support.h"

#include "app/bar_setup.h"
#include "config/settings_order.h"

using namespace orvex;
using namespace orvex::app;
using orvex::testing::AppTest;
using platform::DialogScript;
using platform::DialogStep;

TEST_F(AppTest, BarSettingsTakeTheirDefaultsAndRoundTripThroughTheLoadAndSaveOrder) {
    std::string ini = path("Orvex.ini");
    std::ofstream(ini) << "[scalebar]\nlarge=yes\nposition=7\n[palettebar]\nposition=4\nunits=wt%\n";
    installBarSettings();
    softwareSettings().iniPath = ini;
    config::LoadAllSettings();
    EXPECT_TRUE(scaleBar().large);
    EXPECT_TRUE(scaleBar().label);  // a missing key: its default
    EXPECT_EQ(scaleBar().position, 7);
    EXPECT_EQ(scaleBar().printFactor, 4);
    EXPECT_EQ(palfile().position, 4);
    EXPECT_EQ(palfile().units, "wt%");
    EXPECT_TRUE(palfile().hasDefaultPalette());  // the grey ramp: no file configured

    scaleBar().thick = 5;
    palfile().black = true;
    config::SaveAllSettings(path("copy.ini"));
    scaleBar().reset();
    palfile().reset();
    softwareSettings().iniPath = path("copy.ini");
    config::LoadAllSettings();
    EXPECT_EQ(scaleBar().thick, 5);
    EXPECT_TRUE(scaleBar().large);
    EXPECT_TRUE(palfile().black);
    std::string text = readFile(path("copy.ini"));
    EXPECT_NE(text.find("horizontal=true"), std::string::npos);
    EXPECT_NE(text.find("position=4"), std::string::npos);
    config::ResetSettingsHandlers();
}

TEST_F(AppTest, BarSetupDialogsStoreWhatTheUserChose) {
    ui.queue(DialogScript{{{DialogStep::Op::SetValue, "Hide", "", 1},
                           {DialogStep::Op::SetValue, "Position", "", 22},
                           {DialogStep::Op::SetText, "Thick", "9"},
                           {DialogStep::Op::Press, "OK"}}});
    ScaleBarSetup();
    EXPECT_TRUE(scaleBar().hide);
    EXPECT_EQ(scaleBar().position, 22);
    EXPECT_EQ(scaleBar().thick, 9);

    std::ofstream(path("red.fc"), std::ios::binary)
        << "False color description for Orvex\n\n\r\n\r\nBEGIN Items\r\n Interpolate=0\r\n Item=0 255 255 red\r\nEND Items\r\n";
    ui.queue(DialogScript{{{DialogStep::Op::Choose, "Right"},
                           {DialogStep::Op::Press, "Browse..."},
                           {DialogStep::Op::Press, "OK"}}});
    ui.queue(platform::FileAnswer{path("red.fc"), 0});
    PaletteBarSetup();
    EXPECT_EQ(palfile().position, 3);
    EXPECT_EQ(palfile().defaultPalettePath, path("red.fc"));
    EXPECT_EQ(palfile().defaultPalette()[10], 255u);

    ui.queue(DialogScript{{{DialogStep::Op::Choose, "Above"}, {DialogStep::Op::Press, "Cancel"}}});
    PaletteBarSetup();
    EXPECT_EQ(palfile().position, 3);
}
