#pragma once
// The fixed order in which the parts of the system read and write their settings.
// Each part plugs its reader and writer into its own slot (from its
// install...Settings() function, called by app::InstallSettingsHandlers());
// a slot left empty is simply skipped.
#include <functional>
#include <string>

namespace orvex::config {

/// One slot per owning part, declared in the order the settings are read.
enum class SettingsSlot {
    Software,      // software settings record (config)
    Board,         // device dispatch
    Calibration,   // scan calibration and magnification
    CounterTimer,  // counter/timer driver
    AnalogBoard,   // analog board driver
    SimAxes,       // simulated stage axes: "stage x", then "stage y"
    DcxAxes,       // DCX stage axes: "stage x", then "stage y"
    Sx50Axes,      // SX50 stage axes: X gets axis number 1, Y number 2, then each reads
    SimProbe,      // simulated probe
    Bars,          // scale bar, then palette bar
    ListFiles,     // [software] "elmfile", "edsfile", "corfile" (config)
    Grid,          // grid file settings
    Channels,      // analog (channel 0 once more first), counter, digital
    DemoChannel,   // with demo set, enables the first analog channel
    Count
};

using LoadHandler = std::function<void(const std::string& iniPath)>;
using SaveHandler = std::function<void(const std::string& path)>;

/// Sets the reader and writer of a slot (either may be empty); replaces what was there.
void SetSettingsHandlers(SettingsSlot slot, LoadHandler load, SaveHandler save);

/// Empties every slot but the ones config fills itself (Software, ListFiles); for tests.
void ResetSettingsHandlers();

/// Fills the slots config owns (Software, ListFiles); done at the first use
/// of the order and by ResetSettingsHandlers.
void installConfigSettings();

/// Reads every part's settings from softwareSettings().iniPath, in this order:
/// Software, Board, Calibration, CounterTimer, AnalogBoard, SimAxes, DcxAxes,
/// Sx50Axes, SimProbe, Bars, ListFiles, Grid, Channels, DemoChannel.
/// A missing file or key only means defaults.
void LoadAllSettings();

/// Writes every part's settings to path, in this order: Software, Calibration,
/// Board (followed by the writers of CounterTimer, AnalogBoard, SimAxes, DcxAxes
/// and Sx50Axes, since the device dispatch writes the drivers' and axes' keys),
/// Bars, ListFiles, Channels. SimProbe, Grid and DemoChannel are never written.
void SaveAllSettings(const std::string& path);

/// The file the settings are saved to at exit: "Orvex.ini" in the given folder
/// (the program's folder when empty).
std::string ExitIniPath(const std::string& programFolder = "");

/// The save at program exit, to ExitIniPath(), whatever file was read at start-up.
void SaveSettingsOnExit(const std::string& programFolder = "");

}  // namespace orvex::config
