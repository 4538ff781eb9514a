#pragma once
// The Acquire and Modes menus and Burn In in the command table, and the
// acquisition's hooks on the image windows.

namespace orvex {

/// Enters the Acquire and Modes commands and Burn In into the command table
/// (again: replacing them in place). Stage Scan Setup goes in with the rest of
/// the Setup menu, in its place there.
void RegisterAcquireCommands();
/// Hooks the close question, the snap marker (once) and Release Beam (after
/// the last window closed) to the image windows, and hands the runs the
/// toolkit's palette stretch.
void InstallAcquireHooks();
/// Both.
void InstallAcquireCommands();

}  // namespace orvex
