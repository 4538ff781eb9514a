#include "config/grid_settings.h"

#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/software_settings.h"

namespace orvex::config {

void GridSettings::ReadIni(const std::string& path) {
    zunits = ReadProfileString(path, "gridfile", "zunits", "");
    loaded = true;
}

namespace {
GridSettings& storedGridSettings() {
    static GridSettings settings;
    return settings;
}
}  // namespace

GridSettings& gridSettings() {
    GridSettings& settings = storedGridSettings();
    if (!settings.loaded) settings.ReadIni(softwareSettings().iniPath);
    return settings;
}

void resetGridSettings() { storedGridSettings() = GridSettings{}; }

void installGridSettings() {
    SetSettingsHandlers(
        SettingsSlot::Grid, [](const std::string& path) { gridSettings().ReadIni(path); }, nullptr);
}

}  // namespace orvex::config
