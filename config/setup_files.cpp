#include "config/setup_files.h"

#include <filesystem>

#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "platform/ui.h"

namespace orvex::config {

namespace {
std::function<void()>& setupLoaded() {
    static std::function<void()> handler;
    return handler;
}
}  // namespace

void SetSetupLoadedHandler(std::function<void()> handler) { setupLoaded() = std::move(handler); }

bool LoadSetup() {
    platform::FileRequest request;
    request.save = false;
    request.title = "Load Setup";
    request.filters = {{"Setup Files (*.set)", "*.set"}, {"All Files (*.*)", "*.*"}};
    request.defaultExtension = "set";
    auto answer = platform::ui().chooseFile(request);
    if (!answer || answer->path.empty()) return false;
    softwareSettings().iniPath = answer->path;
    LoadAllSettings();
    if (setupLoaded()) setupLoaded()();
    return true;
}

bool SaveSetup() {
    platform::FileRequest request;
    request.save = true;
    request.title = "Save Setup";
    request.filters = {{"Setup Files (*.set)", "*.set"}};
    request.defaultExtension = "set";
    request.folder = LocalPath(softwareSettings().imageDataDirectory);
    request.name = "Orvex.set";
    auto answer = platform::ui().chooseFile(request);
    if (!answer || answer->path.empty()) return false;
    std::string path = answer->path;
    if (!std::filesystem::path(path).has_extension()) path += ".set";
    SaveAllSettings(path);
    return true;
}

}  // namespace orvex::config
