#pragma once
// The software settings: probe type, channel counts, scan values and the texts
// written into every image. One record lives for the whole run.
#include <string>

namespace orvex {

/// Probe types as stored in SoftwareSettings::probeType.
enum ProbeType { kProbeSemq = 1, kProbeJeol = 2, kProbeCameca = 3, kProbeDemo = 4 };

/// The most readings a beam line may throw away after its flyback.
inline constexpr int kMaxRetrace = 10000;

struct SoftwareSettings {
    std::string iniPath = "new.ini";  // the initialization file in use
    int probeType = kProbeDemo;
    int demo = 1;  // 1 when the probe type is DEMO, and until the file is read

    int digitalMax = 1;
    int digitalMaxElm = 1;
    int digitalMaxEds = 0;
    int digitalBeamChannel = 0;

    int maximumScans = 10;
    int pixelDiscard = 0;
    int pixelAverage = 1;
    int retrace = 10;  // readings thrown away at the start of a beam line, 0..kMaxRetrace

    int counterMax = 1;
    int counterMaxElm = 1;
    int counterMaxEds = 0;
    int counterBeamChannel = 0;
    double countTime = 0.1;  // seconds per pixel

    std::string make = "Microprobe Vendor";
    std::string model = "Microprobe Model";
    std::string author = "Microprobe User";
    std::string description = "microprobe image";
    std::string hostComputer = "Computer Name or Type";
    std::string imageDataDirectory = "orvex/ImageData";

    /// Reads every field from the file (probe type, [digital], [counter], [software]);
    /// missing keys take their defaults.
    void ReadIni(const std::string& path);
    /// Writes every field but the image data directory.
    void WriteIni(const std::string& path) const;
};

/// The one software settings record.
SoftwareSettings& softwareSettings();
/// Puts the record back to its start-up state (for tests).
void resetSoftwareSettings();

/// "SEMQ", "JEOL", "CAMECA", "DEMO", or "UNSUPPORTED" for any other code.
const char* ProbeTypeName(int probeType);

/// The probe type of an upper-cased name, 0 when it is none of the four.
int ProbeTypeFromName(const std::string& upperName);

}  // namespace orvex
