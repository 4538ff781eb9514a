#pragma once
// Setup files (".set"): complete copies of the settings under another name.
#include <functional>

namespace orvex::config {

inline constexpr const char* kLoadSetupMenu = "&Load Setup...";
inline constexpr const char* kLoadSetupStatus = "Load a new version of the initialization file";
inline constexpr const char* kSaveSetupMenu = "Sa&ve Setup...";
inline constexpr const char* kSaveSetupStatus = "Save the current setup to an initialization file";

/// What runs after a setup file is loaded (the scan calibration recomputes its
/// derived values); the calibration installs it.
void SetSetupLoadedHandler(std::function<void()> handler);

/// Asks for a setup file to open; when one is chosen it becomes the
/// initialization file and every setting is read from it. False when cancelled.
bool LoadSetup();

/// Asks where to save the setup (starting in the image data directory, suggesting
/// "Orvex.set") and writes every setting there; the initialization file in use
/// does not change. False when cancelled.
bool SaveSetup();

}  // namespace orvex::config
