#include "config/software_settings.h"

#include <algorithm>

#include "config/profile_file.h"
#include "platform/ui.h"

namespace orvex {

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// [digital] and [counter] share the rule: a beam channel takes one of the
// channels, so it comes off the defaults of maxelm and maxeds.
void readChannelCounts(const std::string& path, const std::string& section, int& max, int& maxElm,
                       int& maxEds, int& beamChannel) {
    beamChannel = config::ReadProfileBool(path, section, "beamchannel", "false") ? 1 : 0;
    max = config::ReadProfileInt(path, section, "max", 1);
    maxElm = config::ReadProfileInt(path, section, "maxelm", max - beamChannel);
    maxEds = config::ReadProfileInt(path, section, "maxeds", max - maxElm - beamChannel);
}

void writeChannelCounts(const std::string& path, const std::string& section, int max, int maxElm,
                        int maxEds, int beamChannel) {
    config::WriteProfileInt(path, section, "max", max);
    config::WriteProfileInt(path, section, "maxelm", maxElm);
    config::WriteProfileInt(path, section, "maxeds", maxEds);
    config::WriteProfileBool(path, section, "beamchannel", beamChannel != 0, true);
}

}  // namespace

const char* ProbeTypeName(int probeType) {
    switch (probeType) {
        case kProbeSemq: return "SEMQ";
        case kProbeJeol: return "JEOL";
        case kProbeCameca: return "CAMECA";
        case kProbeDemo: return "DEMO";
        default: return "UNSUPPORTED";
    }
}

int ProbeTypeFromName(const std::string& upperName) {
    for (int type = kProbeSemq; type <= kProbeDemo; ++type)
        if (upperName == ProbeTypeName(type)) return type;
    return 0;
}

void SoftwareSettings::ReadIni(const std::string& path) {
    std::string probe = upper(config::ReadProfileString(path, "hardware", "probetype", "demo", 200));
    probeType = ProbeTypeFromName(probe);
    if (probeType == 0) {
        platform::showMessage("Unrecognized ProbeType - set to DEMO", probe);
        probeType = kProbeDemo;
    }
    demo = probeType == kProbeDemo ? 1 : 0;

    readChannelCounts(path, "digital", digitalMax, digitalMaxElm, digitalMaxEds, digitalBeamChannel);
    readChannelCounts(path, "counter", counterMax, counterMaxElm, counterMaxEds, counterBeamChannel);
    countTime = config::LeadingReal(config::ReadProfileString(path, "counter", "count time", "0.1", 20));

    maximumScans = config::ReadProfileInt(path, "software", "maximum scans", 10);
    pixelDiscard = config::ReadProfileInt(path, "software", "pixel discard", 0);
    pixelAverage = config::ReadProfileInt(path, "software", "pixel average", 1);
    retrace = config::ReadProfileInt(path, "software", "retrace", 10);
    if (retrace < 0 || retrace > kMaxRetrace) {
        // Every beam line takes this many readings before its first pixel,
        // without letting messages through: a huge value would freeze the program.
        const int used = retrace < 0 ? 0 : kMaxRetrace;
        platform::showMessage("retrace " + std::to_string(retrace) + " is outside 0.." +
                                  std::to_string(kMaxRetrace) + " - " + std::to_string(used) + " used",
                              "SoftwareSettings::ReadIni()");
        retrace = used;
    }
    make = config::ReadProfileString(path, "software", "make", "Microprobe Vendor", 200);
    model = config::ReadProfileString(path, "software", "model", "Microprobe Model", 200);
    author = config::ReadProfileString(path, "software", "author", "Microprobe User", 200);
    description = config::ReadProfileString(path, "software", "description", "microprobe image", 200);
    hostComputer =
        config::ReadProfileString(path, "software", "host computer", "Computer Name or Type", 200);
    imageDataDirectory =
        config::ReadProfileString(path, "software", "ImageDataDirectory", "orvex/ImageData", 200);
}

void SoftwareSettings::WriteIni(const std::string& path) const {
    config::WriteProfileInt(path, "software", "maximum scans", maximumScans);
    config::WriteProfileInt(path, "software", "pixel discard", pixelDiscard);
    config::WriteProfileInt(path, "software", "pixel average", pixelAverage);
    config::WriteProfileInt(path, "software", "retrace", retrace);
    config::WriteProfileString(path, "software", "make", make);
    config::WriteProfileString(path, "software", "model", model);
    config::WriteProfileString(path, "software", "author", author);
    config::WriteProfileString(path, "software", "description", description);
    config::WriteProfileString(path, "software", "host computer", hostComputer);
    config::WriteProfileString(path, "hardware", "probetype", ProbeTypeName(probeType));
    writeChannelCounts(path, "digital", digitalMax, digitalMaxElm, digitalMaxEds, digitalBeamChannel);
    writeChannelCounts(path, "counter", counterMax, counterMaxElm, counterMaxEds, counterBeamChannel);
    config::WriteProfileReal(path, "counter", "count time", countTime, 6);
}

SoftwareSettings& softwareSettings() {
    static SoftwareSettings settings;
    return settings;
}

void resetSoftwareSettings() { softwareSettings() = SoftwareSettings{}; }

}  // namespace orvex
