#pragma once
// The menu commands of the histograms, the traceback, the masks and Negate Data.

namespace orvex {

/// Adds the commands to the workstation's command table.
void RegisterHistogramCommands();

}  // namespace orvex
