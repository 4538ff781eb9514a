#pragma once
// The commands of the application shell in the command table: the File
// menu, Duplicate, the Setup menu, the zoom, properties and history commands
// of the Window menu and the About box.
namespace orvex::app {

/// The program's name and version, as the About box gives them.
const char* ProgramVersion();

/// Enters the shell's commands (again: replacing them in place).
void RegisterShellCommands();

}  // namespace orvex::app
