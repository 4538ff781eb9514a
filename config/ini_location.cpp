#include "config/ini_location.h"

#include "config/profile_file.h"
#include "config/software_settings.h"
#include "platform/library.h"
#include "platform/ui.h"

namespace orvex::config {

std::vector<std::string> IniCandidates() {
    std::string folder = platform::programFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return {"./Orvex.ini", "./modules/Orvex.ini", "/ov/modules/Orvex.ini", folder + "Orvex.ini"};
}

bool LocateIniFile() { return LocateIniFile(IniCandidates()); }

bool LocateIniFile(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        // A file that exists but names no probe type is not the one.
        if (!ReadProfileString(candidate, "hardware", "probetype", "", 20).empty()) {
            softwareSettings().iniPath = candidate;
            return true;
        }
    }
    softwareSettings().iniPath = "./Orvex.ini";
    platform::showMessage("Orvex.ini not found - fatal error", "Read INI");
    return false;
}

}  // namespace orvex::config
