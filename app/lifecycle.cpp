// The other parts' steps of start-up and shut-down, as the application runs them.
#include "acquisition/channel_tables.h"
#include "acquisition/run_state.h"
#include "app/application.h"
#include "app/program_folder.h"
#include "app/settings_install.h"
#include "config/elmfile.h"
#include "config/ini_location.h"
#include "config/settings_order.h"
#include "hardware/board.h"

namespace orvex::app {

LifecycleSteps DefaultLifecycleSteps() {
    LifecycleSteps s;
    s.locateIni = [] { return config::LocateIniFile(IniSearch(application().searchFolder)); };
    s.prepareTables = [] {
        InstallSettingsHandlers();
        config::NameElementListKeys();
    };
    s.loadSettings = [] { config::LoadAllSettings(); };
    // Every element channel takes its name now, enabled or not, so a setup
    // saved before the first acquisition already holds the element names.
    s.initializeLists = [] {
        config::InitializeElementLists();
        ElmToChannels(1);
    };
    s.initializeHardware = [] { board().Initialize(); };
    s.startUp = [] { board().StartUp(); };
    s.saveSettingsOnExit = [] { config::SaveSettingsOnExit(application().programFolder); };
    // The instrument is left as an operator expects to find it: the deflection
    // given back to the microscope and the beam blanked where that is configured.
    s.shutDownInstrument = [] {
        board().Control(0);
        board().Blank(1);
    };
    s.acquisitionRunning = [] { return runState().runState != RUN_IDLE; };
    s.requestHalt = [] {
        if (runState().runState != RUN_IDLE) runState().runState = RUN_HALT;
    };
    return s;
}

}  // namespace orvex::app
