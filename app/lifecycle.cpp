// The other parts' steps of start-up and shut-down, as the application runs them.
#include "app/application.h"
#include "config/elmfile.h"
#include "config/ini_location.h"
#include "config/settings_order.h"

namespace orvex::app {

LifecycleSteps DefaultLifecycleSteps() {
    LifecycleSteps s;
    s.locateIni = [] { return config::LocateIniFile(); };
    s.prepareTables = [] {
        config::InstallSettingsHandlers();
        config::NameElementListKeys();
    };
    s.loadSettings = [] { config::LoadAllSettings(); };
    s.initializeLists = [] { config::InitializeElementLists(); };
    s.saveSettingsOnExit = [] { config::SaveSettingsOnExit(application().programFolder); };
    return s;
}

}  // namespace orvex::app
