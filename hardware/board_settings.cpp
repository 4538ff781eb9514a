// The dispatch's place in the settings order. The dispatch reads its own keys
// early; the analog board, the simulated axes and the simulated probe read
// theirs later in the order. On saving, the dispatch writes the keys of the
// configured drivers and axes itself, so those slots have no writer here.
#include "config/settings_order.h"
#include "hardware/board.h"
#include "hardware/sim/simprobe.h"
#include "hardware/win30/win30pg.h"

namespace orvex {

void installBoardSettings() {
    using config::SettingsSlot;
    config::SetSettingsHandlers(
        SettingsSlot::Board, [](const std::string& path) { board().ReadIni(path); },
        [](const std::string& path) { board().WriteIni(path); });
    config::SetSettingsHandlers(
        SettingsSlot::AnalogBoard, [](const std::string& path) { win30pg().ReadIni(path); },
        nullptr);
    config::SetSettingsHandlers(
        SettingsSlot::SimAxes,
        [](const std::string& path) {
            board().simX.ReadIni(path, "stage x");
            board().simY.ReadIni(path, "stage y");
        },
        nullptr);
    config::SetSettingsHandlers(
        SettingsSlot::SimProbe, [](const std::string& path) { simProbe().ReadIni(path); },
        nullptr);
}

}  // namespace orvex
