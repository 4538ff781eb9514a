#include <cstdio>

#include "acquisition/calmag.h"
#include "config/profile_file.h"

namespace orvex {

namespace {
const char* const kSoftware = "software";
const char* const kHardware = "hardware";

std::string tenDigits(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}
}  // namespace

void CALMAG::LoadCalibration(const std::string& file) {
    using config::ReadProfileInt;
    using config::ReadProfileReal;
    SetXSize(ReadProfileInt(file, kSoftware, "xsize", 128));
    SetYSize(ReadProfileInt(file, kSoftware, "ysize", 128));
    xPolarity = ReadProfileInt(file, kSoftware, "X polarity", 0);
    yPolarity = ReadProfileInt(file, kSoftware, "Y polarity", 0);
    stageXPolarity = ReadProfileInt(file, kSoftware, "Stage X polarity", 0);
    stageYPolarity = ReadProfileInt(file, kSoftware, "Stage Y polarity", 0);
    displayXPolarity = ReadProfileInt(file, kSoftware, "Display X polarity", 0);
    displayYPolarity = ReadProfileInt(file, kSoftware, "Display Y polarity", 0);
    registrationXPolarity = ReadProfileInt(file, kSoftware, "Registration X polarity", 0);
    registrationYPolarity = ReadProfileInt(file, kSoftware, "Registration Y polarity", 0);
    minMag = ReadProfileInt(file, kSoftware, "min", 100);
    maxMag = ReadProfileInt(file, kSoftware, "max", 50000);
    SetMagnification(ReadProfileInt(file, kSoftware, "magnification", 200));

    calMag = ReadProfileReal(file, kHardware, "cal mag", 200.0);
    calMicronsX = ReadProfileReal(file, kHardware, "cal microns", 630.0);
    calMicronsY = ReadProfileReal(file, kHardware, "cal y microns", 0.0);
    if (calMicronsY == 0.0) calMicronsY = calMicronsX;
    calCountsX = ReadProfileReal(file, kHardware, "cal counts", 4096.0);
    calCountsY = ReadProfileReal(file, kHardware, "cal y counts", 0.0);
    if (calCountsY == 0.0) calCountsY = calCountsX;
    calKilovolts = ReadProfileReal(file, kHardware, "cal kilovolts", 15.0);
    userKilovolts = ReadProfileReal(file, kHardware, "user kilovolts", 15.0);
    units = config::ReadProfileString(file, kHardware, "units", "microns");
    stageToMicrons = ReadProfileReal(file, kHardware, "stage to microns", 100.0);
}

void CALMAG::SaveCalibration(const std::string& file) const {
    using config::WriteProfileInt;
    using config::WriteProfileString;
    WriteProfileInt(file, kSoftware, "xsize", static_cast<int>(xsize));
    WriteProfileInt(file, kSoftware, "ysize", static_cast<int>(ysize));
    WriteProfileInt(file, kSoftware, "X polarity", xPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Y polarity", yPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Stage X polarity", stageXPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Stage Y polarity", stageYPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Display X polarity", displayXPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Display Y polarity", displayYPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Registration X polarity", registrationXPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "Registration Y polarity", registrationYPolarity ? 1 : 0);
    WriteProfileInt(file, kSoftware, "min", minMag);
    WriteProfileInt(file, kSoftware, "max", maxMag);
    WriteProfileInt(file, kSoftware, "magnification", magnification);

    WriteProfileString(file, kHardware, "cal mag", tenDigits(calMag));
    WriteProfileString(file, kHardware, "cal microns", tenDigits(calMicronsX));
    if (calMicronsY != calMicronsX)
        WriteProfileString(file, kHardware, "cal y microns", tenDigits(calMicronsY));
    WriteProfileString(file, kHardware, "cal counts", tenDigits(calCountsX));
    if (calCountsY != calCountsX)
        WriteProfileString(file, kHardware, "cal y counts", tenDigits(calCountsY));
    WriteProfileString(file, kHardware, "cal kilovolts", tenDigits(calKilovolts));
    WriteProfileString(file, kHardware, "user kilovolts", tenDigits(userKilovolts));
    WriteProfileString(file, kHardware, "units", units);
    WriteProfileString(file, kHardware, "stage to microns", tenDigits(stageToMicrons));
}

}  // namespace orvex
