#include "app/settings_install.h"

#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "app/application.h"
#include "app/scale_bar.h"
#include "config/software_settings.h"
#include "config/settings_order.h"
#include "hardware/board.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/sx50/sx50mot.h"

namespace orvex::app {

// Every part adds the one call that installs its handlers here.
void InstallSettingsHandlers() {
    config::installConfigSettings();
    // Every read of the initialization file (start-up, Load Setup) gives the
    // application its image data folder afresh.
    config::SetSettingsHandlers(
        config::SettingsSlot::Software,
        [](const std::string& path) {
            softwareSettings().ReadIni(path);
            Application& a = application();
            a.imageDataDirectory = softwareSettings().imageDataDirectory;
            if (a.running) a.EnsureImageDataDirectory();
        },
        [](const std::string& path) { softwareSettings().WriteIni(path); });
    installBarSettings();
    installDcc20axSettings();
    installDcxSettings();
    installSx50Settings();
    installBoardSettings();
    installCalibrationSettings();
    installChannelSettings();
}

}  // namespace orvex::app
