#pragma once
// Basic > Statistics: the "Statistics" dialog on the active image.

namespace orvex {

/// The command: the dialog on the active image window.
void OnStatistics();

/// Enters the command in the command table.
void RegisterStatisticsCommands();

}  // namespace orvex
