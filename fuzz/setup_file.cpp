// Any bytes as a setup file: every part's settings reader runs over it in the
// settings order, as Load Setup does.
#include <cstdint>

#include "app/settings_install.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "fuzz_file.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    static bool installed = [] {
        orvex::app::InstallSettingsHandlers();
        return true;
    }();
    (void)installed;
    orvex::platform::setUi(&ui);
    ui.clear();
    orvex::softwareSettings().iniPath = orvex::fuzzing::WriteInput(data, size, ".set");
    orvex::config::LoadAllSettings();
    return 0;
}
