#include "app/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/library.h"

namespace orvex::app {

namespace {

std::string& givenFolder() {
    static std::string folder;
    return folder;
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::string ProgramFolder() {
    if (!givenFolder().empty()) return givenFolder();
    if (const char* folder = std::getenv(kProgramFolderVariable); folder && *folder) return folder;
    return platform::programFolder();
}

void UseProgramFolder(const std::string& folder) { givenFolder() = folder; }

std::string UserConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return withSlash(xdg) + "orvex";
    const char* home = std::getenv("HOME");
    return withSlash(home && *home ? home : ".") + ".config/orvex";
}

bool FolderIsWritable(const std::string& folder) {
    std::error_code error;
    const std::string path = folder.empty() ? "." : folder;
    return std::filesystem::is_directory(path, error) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string KeptFilesFolder(const std::string& programFolder) {
    if (FolderIsWritable(programFolder)) return programFolder;
    const std::string user = UserConfigFolder();
    std::error_code error;
    std::filesystem::create_directories(user, error);
    return user;
}

std::vector<std::string> IniSearch(const std::string& programFolder) {
    return {"./Orvex.ini", "./modules/Orvex.ini", "/ov/modules/Orvex.ini", withSlash(programFolder) + "Orvex.ini",
            withSlash(UserConfigFolder()) + "Orvex.ini"};
}

}  // namespace orvex::app
