#include "config/settings_order.h"

#include <array>

#include "config/list_file_settings.h"
#include "config/profile_file.h"
#include "config/software_settings.h"
#include "platform/library.h"

namespace orvex::config {

namespace {

struct Slot {
    LoadHandler load;
    SaveHandler save;
};

std::array<Slot, static_cast<size_t>(SettingsSlot::Count)>& slots() {
    static std::array<Slot, static_cast<size_t>(SettingsSlot::Count)> table;
    static bool filled = false;
    if (!filled) {
        filled = true;
        installConfigSettings();
    }
    return table;
}

Slot& slotOf(SettingsSlot slot) { return slots()[static_cast<size_t>(slot)]; }

void load(SettingsSlot slot, const std::string& path) {
    Slot& entry = slotOf(slot);
    if (entry.load) entry.load(path);
}

void save(SettingsSlot slot, const std::string& path) {
    Slot& entry = slotOf(slot);
    if (entry.save) entry.save(path);
}

}  // namespace

// The slots config fills itself; they are there from the first use of the order.
void installConfigSettings() {
    SetSettingsHandlers(
        SettingsSlot::Software, [](const std::string& path) { softwareSettings().ReadIni(path); },
        [](const std::string& path) { softwareSettings().WriteIni(path); });
    SetSettingsHandlers(SettingsSlot::ListFiles, ReadListFileSettings, WriteListFileSettings);
}

void SetSettingsHandlers(SettingsSlot slot, LoadHandler load, SaveHandler save) {
    if (slot == SettingsSlot::Count) return;
    Slot& entry = slotOf(slot);
    entry.load = std::move(load);
    entry.save = std::move(save);
}

void ResetSettingsHandlers() {
    for (Slot& entry : slots()) entry = Slot{};
    installConfigSettings();
}

void LoadAllSettings() {
    // A handler may change iniPath (it never should); every step reads the same file.
    const std::string path = softwareSettings().iniPath;
    ProfileBatch batch(path);
    for (int slot = 0; slot < static_cast<int>(SettingsSlot::Count); ++slot)
        load(static_cast<SettingsSlot>(slot), path);
}

void SaveAllSettings(const std::string& path) {
    ProfileBatch batch(path);
    save(SettingsSlot::Software, path);
    save(SettingsSlot::Calibration, path);
    save(SettingsSlot::Board, path);
    save(SettingsSlot::CounterTimer, path);
    save(SettingsSlot::AnalogBoard, path);
    save(SettingsSlot::SimAxes, path);
    save(SettingsSlot::DcxAxes, path);
    save(SettingsSlot::Sx50Axes, path);
    save(SettingsSlot::Bars, path);
    save(SettingsSlot::ListFiles, path);
    save(SettingsSlot::Channels, path);
}

std::string ExitIniPath(const std::string& programFolder) {
    std::string folder = programFolder.empty() ? platform::programFolder() : programFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + "Orvex.ini";
}

void SaveSettingsOnExit(const std::string& programFolder) {
    SaveAllSettings(ExitIniPath(programFolder));
}

}  // namespace orvex::config
