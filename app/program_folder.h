#pragma once
// Where the program finds its initialization file and keeps its own files
// (the profile file, "last.cp", "last.cy", "last.fc" and the like): its own
// folder, unless that cannot be written (an installed program), then the
// per-user configuration folder. A test or a second set-up gives the program
// a folder of its own instead of the one it was started from.
#include <string>
#include <vector>

namespace orvex::app {

/// The environment variable that gives the program its folder.
inline constexpr const char* kProgramFolderVariable = "ORVEX_PROGRAM_FOLDER";

/// The program's folder: the one given by UseProgramFolder, else the one in
/// ORVEX_PROGRAM_FOLDER, else the folder of the running program.
std::string ProgramFolder();
/// Gives the program a folder of its own (empty: back to the default).
void UseProgramFolder(const std::string& folder);

/// "$XDG_CONFIG_HOME/orvex", else "$HOME/.config/orvex" (not created).
std::string UserConfigFolder();

/// Whether files can be created in the folder (it exists and is writable).
bool FolderIsWritable(const std::string& folder);

/// Where the program keeps its files: `programFolder` when it can be written,
/// else the per-user configuration folder, created when missing.
std::string KeptFilesFolder(const std::string& programFolder);

/// The places the initialization file is searched, in order: "./Orvex.ini",
/// "./modules/Orvex.ini", "/ov/modules/Orvex.ini", "Orvex.ini" in the
/// program's folder, then in the per-user configuration folder.
std::vector<std::string> IniSearch(const std::string& programFolder);

}  // namespace orvex::app
