#pragma once
// The grid-file settings of the initialization file ([gridfile] "zunits").
#include <string>

namespace orvex::config {

struct GridSettings {
    std::string zunits;   // the Z units of images read from grids
    bool loaded = false;  // read from a file yet
    void ReadIni(const std::string& path);
};

/// The grid settings; read from the initialization file in use on first use
/// when the settings order has not read them.
GridSettings& gridSettings();
/// Back to the start-up state (for tests).
void resetGridSettings();
/// Puts the grid settings' reader into the settings order.
void installGridSettings();

}  // namespace orvex::config
