#include "config/list_file_settings.h"

#include <algorithm>

#include "config/corfile.h"
#include "config/elmfile.h"
#include "config/profile_file.h"
#include "config/software_settings.h"

namespace orvex::config {

void ReadListFileSettings(const std::string& path) {
    const SoftwareSettings& settings = softwareSettings();
    ELMFILE& elements = elmFile();
    elements.path = ReadProfileString(path, "software", elements.key, "", 200);
    elements.capacity = std::max(settings.digitalMaxElm, settings.counterMaxElm);
    ELMFILE& eds = edsFile();
    eds.path = ReadProfileString(path, "software", eds.key, "", 200);
    eds.capacity = std::max(settings.digitalMaxEds, settings.counterMaxEds);
    corFile().path = ReadProfileString(path, "software", "corfile", "", 200);
}

void WriteListFileSettings(const std::string& path) {
    WriteProfileString(path, "software", elmFile().key, elmFile().path);
    WriteProfileString(path, "software", edsFile().key, edsFile().path);
    WriteProfileString(path, "software", "corfile", corFile().path);
}

}  // namespace orvex::config
