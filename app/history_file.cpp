#include "app/history_file.h"

#include "app/application.h"
#include "config/profile_file.h"
#include "imagestore/history.h"
#include "platform/ui.h"

namespace orvex::app {

std::string HistoryFileName(const std::string& folder, const platform::LocalTime& time) {
    std::string stamp = TimeText(time);
    for (char& c : stamp)
        if (c == ' ' || c == ':' || c == '\n' || c == '\0') c = '_';
    std::string name = folder;
    if (!name.empty() && name.back() != '/') name += '/';
    name += "OV_History_" + stamp + ".txt";
    for (char& c : name)
        if (c == '\n' || c == '\0') c = '_';
    return name;
}

bool WriteGlobalHistory() {
    LogHistory(ImageHandle{}, "Write Global History: ", true);
    std::string folder = application().EnsureImageDataDirectory();
    std::string name = HistoryFileName(folder, platform::clock().now());
    if (!config::ReplaceFile(name, GlobalHistoryText())) {
        platform::ui().message("History File open failed: \n" + name, "WriteGlobalHistory()",
                               platform::Buttons::Ok, platform::Icon::Error);
        return false;
    }
    return true;
}

void SaveHistoryCommand() {
    if (!WriteGlobalHistory())
        platform::ui().message("Failed to open history file\nOut of dsk space?", "OnFileSavehistory()",
                               platform::Buttons::Ok, platform::Icon::Error);
}

}  // namespace orvex::app
