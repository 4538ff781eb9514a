// The channel keys of the [analog], [digital] and [counter] sections.
#include <cstdio>

#include "acquisition/channel_tables.h"
#include "config/profile_file.h"
#include "config/software_settings.h"

namespace orvex {

namespace {

struct SectionKeys {
    const char* section;
    const char* prefix;  // default channel name before the number
    int defaultBits;
};

const SectionKeys kAnalogKeys{"analog", "Analog", 16};
const SectionKeys kDigitalKeys{"digital", "Digital", 8};
const SectionKeys kCounterKeys{"counter", "Counter", 16};

std::string sixDigits(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// The table-level keys, then the keys every kind has.
int readTableKeys(const std::string& path, const SectionKeys& keys, int& autostretch) {
    autostretch = config::ReadProfileBool(path, keys.section, "autostretch", "on") ? 1 : 0;
    int max = config::ReadProfileInt(path, keys.section, "max", 1);
    // The tables have room for 16 channels; a larger count would run past them.
    if (max < 0) max = 0;
    if (max > ChannelTables::kTableSize) max = ChannelTables::kTableSize;
    return max;
}

void readCommonKeys(const std::string& path, const SectionKeys& keys, int i, CHANNEL& c,
                    int autostretch) {
    const std::string n = std::to_string(i + 1);
    c.want16Bit = config::ReadProfileInt(path, keys.section, "Bits" + n, keys.defaultBits) == 16;
    c.Rename(config::ReadProfileString(path, keys.section, "ch" + n, keys.prefix + n));
    c.enabled = config::ReadProfileBool(path, keys.section, "en" + n, "off") ? 1 : 0;
    c.autostretch = autostretch;
    c.maxPasses = static_cast<uint32_t>(
        softwareSettings().maximumScans < 0 ? 0 : softwareSettings().maximumScans);
}

void readAnalogKeys(const std::string& path, int i, ANALOGCHANNEL& c, int autostretch) {
    readCommonKeys(path, kAnalogKeys, i, c, autostretch);
    const std::string n = std::to_string(i + 1);
    const char* s = kAnalogKeys.section;
    c.polarity = config::ReadProfileBool(path, s, "pol" + n, "true") ? 1 : 0;
    c.zUnit = config::ReadProfileString(path, s, "zunit" + n, "volts");
    c.zLow = config::ReadProfileReal(path, s, "zlow" + n, 0.0);
    c.zHigh = config::ReadProfileReal(path, s, "zhigh" + n, 10.0);
    c.gain = config::ReadProfileInt(path, s, "programmable gain" + n, 1);
}

// A table's channels beyond its count take no part in anything.
template <class Table>
void disableBeyond(Table& table, int max) {
    for (int i = max; i < ChannelTables::kTableSize; ++i) table[i].enabled = 0;
}

void writeTableKeys(const std::string& path, const SectionKeys& keys, int autostretch, int max) {
    config::WriteProfileString(path, keys.section, "autostretch", autostretch ? "on" : "off");
    config::WriteProfileInt(path, keys.section, "max", max);
}

void writeCommonKeys(const std::string& path, const SectionKeys& keys, int i, const CHANNEL& c) {
    const std::string n = std::to_string(i + 1);
    // The depth asked for, which is what the next image will have.
    config::WriteProfileString(path, keys.section, "bits" + n, c.want16Bit ? "16" : "8");
    config::WriteProfileString(path, keys.section, "ch" + n, c.name);
    config::WriteProfileString(path, keys.section, "en" + n, c.enabled ? "on" : "off");
}

}  // namespace

void ChannelTables::ReadIni(const std::string& path) {
    analogMax = readTableKeys(path, kAnalogKeys, analogAutostretch);
    // Channel 0 is read once before the others, as the system always has.
    readAnalogKeys(path, 0, analog[0], analogAutostretch);
    for (int i = 0; i < analogMax; ++i) readAnalogKeys(path, i, analog[i], analogAutostretch);
    disableBeyond(analog, analogMax);

    counterMax = readTableKeys(path, kCounterKeys, counterAutostretch);
    readCommonKeys(path, kCounterKeys, 0, counter[0], counterAutostretch);
    for (int i = 0; i < counterMax; ++i)
        readCommonKeys(path, kCounterKeys, i, counter[i], counterAutostretch);
    disableBeyond(counter, counterMax);

    digitalMax = readTableKeys(path, kDigitalKeys, digitalAutostretch);
    readCommonKeys(path, kDigitalKeys, 0, digital[0], digitalAutostretch);
    for (int i = 0; i < digitalMax; ++i)
        readCommonKeys(path, kDigitalKeys, i, digital[i], digitalAutostretch);
    disableBeyond(digital, digitalMax);
}

void ChannelTables::WriteIni(const std::string& path) const {
    writeTableKeys(path, kAnalogKeys, analogAutostretch, analogMax);
    for (int i = 0; i < analogMax; ++i) {
        const ANALOGCHANNEL& c = analog[i];
        const std::string n = std::to_string(i + 1);
        const char* s = kAnalogKeys.section;
        writeCommonKeys(path, kAnalogKeys, i, c);
        config::WriteProfileString(path, s, "pol" + n, c.polarity ? "true" : "false");
        config::WriteProfileString(path, s, "zunit" + n, c.zUnit);
        config::WriteProfileString(path, s, "zLow" + n, sixDigits(c.zLow));
        config::WriteProfileString(path, s, "zHigh" + n, sixDigits(c.zHigh));
        config::WriteProfileInt(path, s, "programmable gain" + n, c.gain);
    }
    writeTableKeys(path, kCounterKeys, counterAutostretch, counterMax);
    for (int i = 0; i < counterMax; ++i) writeCommonKeys(path, kCounterKeys, i, counter[i]);
    writeTableKeys(path, kDigitalKeys, digitalAutostretch, digitalMax);
    for (int i = 0; i < digitalMax; ++i) writeCommonKeys(path, kDigitalKeys, i, digital[i]);
}

}  // namespace orvex
