// Any bytes as a setup file, read in the settings order as Load Setup does,
// with the readers the configuration owns in their slots (the software
// settings, the list-file paths, the grid settings); the profile-file fuzz
// target covers the file form itself.
#include <cstdint>
#include <cstdlib>

#include "config/grid_settings.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "fuzz_file.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Setup files are a few hundred lines at most; longer inputs only repeat
    // what the profile-file target covers, at the cost of the rate.
    if (size > 2048) return 0;
    static orvex::platform::HeadlessUi ui;
    static bool installed = [] {
        orvex::config::ResetSettingsHandlers();
        orvex::config::installGridSettings();
        return true;
    }();
    (void)installed;
    orvex::platform::setUi(&ui);
    ui.clear();
    orvex::softwareSettings().iniPath = orvex::fuzzing::WriteInput(data, size, ".set");
    orvex::config::LoadAllSettings();
    const auto& s = orvex::softwareSettings();
    if (s.probeType < 1 || s.probeType > 4 || s.demo != (s.probeType == 4 ? 1 : 0)) std::abort();
    return 0;
}
