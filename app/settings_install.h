#pragma once
// The composition of the settings order: which part's reader and writer go
// into which slot.

namespace orvex::app {

/// Called once at start-up: every part installs its handlers here.
void InstallSettingsHandlers();

}  // namespace orvex::app
