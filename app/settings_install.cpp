#include "acquisition/calmag.h"
#include "acquisition/channel_tables.h"
#include "config/list_file_settings.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "hardware/board.h"
#include "hardware/dcc20ax/dcc20ax.h"
#include "hardware/dcx/dcxmot.h"
#include "hardware/sx50/sx50mot.h"

#include "app/scale_bar.h"

namespace orvex::config {

// The slots config fills itself; they are there from the first use of the order.
void installConfigSettings() {
    SetSettingsHandlers(
        SettingsSlot::Software, [](const std::string& path) { softwareSettings().ReadIni(path); },
        [](const std::string& path) { softwareSettings().WriteIni(path); });
    SetSettingsHandlers(SettingsSlot::ListFiles, ReadListFileSettings, WriteListFileSettings);
}

// Every part adds the one call that installs its handlers here.
void InstallSettingsHandlers() {
    installConfigSettings();
    app::installBarSettings();
    installDcc20axSettings();
    installDcxSettings();
    installSx50Settings();
    installBoardSettings();
    installCalibrationSettings();
    installChannelSettings();
}

}  // namespace orvex::config
