#pragma once
// Finding the initialization file at start-up.
#include <string>
#include <vector>

namespace orvex::config {

/// The places searched, in order: "./Orvex.ini", "./modules/Orvex.ini",
/// "/ov/modules/Orvex.ini", and "Orvex.ini" in the program's folder (full path).
std::vector<std::string> IniCandidates();

/// Makes the first candidate whose [hardware] "probetype" is not empty the
/// initialization file (softwareSettings().iniPath). When none is, iniPath
/// becomes "./Orvex.ini", "Orvex.ini not found - fatal error" is shown and the
/// result is false; start-up then goes on with defaults.
bool LocateIniFile();

/// The same search over the given candidates.
bool LocateIniFile(const std::vector<std::string>& candidates);

}  // namespace orvex::config
