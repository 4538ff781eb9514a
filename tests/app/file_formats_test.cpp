// What the application hands the file formats: which reader serves which
// type, and the grid units and scale of the settings and the calibration.
#include "app/file_formats.h"

#include <gtest/gtest.h>

#include <fstream>

#include "acquisition/calmag.h"
#include "app/settings_install.h"
#include "config/setup_files.h"
#include "config/grid_settings.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "formats/format_test_support.h"

namespace orvex::app {
namespace {

TEST(FileFormats, GridsTakeTheirUnitsFromTheSettingsAndTheirScaleFromTheCalibration) {
    InstallImageFileFormats();
    std::string ini = formats::testing::TempPath("grid.ini");
    {
        std::ofstream(ini) << "[gridfile]\nzunits = ppm Cr\n";
    }
    // Read on first use from the file in use, or by the settings order.
    config::resetGridSettings();
    softwareSettings().iniPath = ini;
    EXPECT_EQ(config::gridSettings().zunits, "ppm Cr");
    config::resetGridSettings();
    softwareSettings().iniPath = formats::testing::TempPath("none.ini");
    EXPECT_EQ(config::gridSettings().zunits, "");
    config::ResetSettingsHandlers();
    config::installGridSettings();
    softwareSettings().iniPath = ini;
    config::LoadAllSettings();
    EXPECT_EQ(config::gridSettings().zunits, "ppm Cr");
    calmag().stageToMicrons = 4.0;

    std::string path = formats::testing::TempPath("units.grd");
    formats::testing::WriteBytes(path, formats::testing::HandGrid(2, 2, -1, 1, {0, 0, 0, 0}, 1, 2, 3, 4));
    formats::testing::KeepingImage image;
    ASSERT_EQ(image.Load(path, ImageFileGrid), 1);
    EXPECT_EQ(image.GetZRegistration().units, "ppm Cr");
    RealPoint ll, ur;
    image.GetLowerLeftUpperRight(ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 4.0);
    EXPECT_DOUBLE_EQ(ur.x, 8.0);
    EXPECT_DOUBLE_EQ(ll.y, 12.0);
    EXPECT_DOUBLE_EQ(ur.y, 16.0);
    // Saving through the dispatch writes the grid units back.
    std::string again = formats::testing::TempPath("again.grd");
    ASSERT_EQ(image.Save(again, ImageFileGrid), 1);
    auto bytes = formats::testing::ReadBytes(again);
    formats::ByteReader in(bytes.data(), bytes.size());
    EXPECT_DOUBLE_EQ(in.f64(8), 1.0);
    EXPECT_DOUBLE_EQ(in.f64(32), 4.0);

    resetCalmag();
    config::resetGridSettings();
    config::ResetSettingsHandlers();
    resetSoftwareSettings();
}

TEST(FileFormats, LoadSetupChangesTheGridUnitsLikeEveryOtherGroup) {
    formats::testing::RecordingUi recording;
    config::resetGridSettings();
    config::ResetSettingsHandlers();
    InstallSettingsHandlers();
    std::string ini = formats::testing::TempPath("start.ini");
    std::string setup = formats::testing::TempPath("other.set");
    {
        std::ofstream(ini) << "[hardware]\nprobetype=demo\n[gridfile]\nzunits=counts\n";
        std::ofstream(setup) << "[hardware]\nprobetype=demo\n[gridfile]\nzunits=wt% Fe\n";
    }
    softwareSettings().iniPath = ini;
    config::LoadAllSettings();
    EXPECT_EQ(config::gridSettings().zunits, "counts");
    recording.ui.queue(platform::FileAnswer{setup, 0});
    ASSERT_TRUE(config::LoadSetup());
    EXPECT_EQ(config::gridSettings().zunits, "wt% Fe");
    EXPECT_EQ(CurrentGridContext().zunits, "wt% Fe");

    config::resetGridSettings();
    config::ResetSettingsHandlers();
    resetSoftwareSettings();
}

}  // namespace
}  // namespace orvex::app
