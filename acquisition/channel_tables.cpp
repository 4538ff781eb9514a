#include "acquisition/channel_tables.h"

#include <memory>

#include "config/software_settings.h"

namespace orvex {

namespace {
std::unique_ptr<ChannelTables>& tablesSlot() {
    static std::unique_ptr<ChannelTables> tables;
    return tables;
}
}  // namespace

ChannelTables& channelTables() {
    auto& slot = tablesSlot();
    if (!slot) slot = std::make_unique<ChannelTables>();
    return *slot;
}

void resetChannelTables() {
    tablesSlot().reset();
    ResetChannelSerials();
    tablesSlot() = std::make_unique<ChannelTables>();
}

int ChannelsEnabled() {
    return channelTables().ChannelsEnabled();
}

ChannelTables::ChannelTables() {
    for (int i = 0; i < kTableSize; ++i) {
        const std::string n = std::to_string(i + 1);
        analog[i].hwIndex = digital[i].hwIndex = counter[i].hwIndex = i;
        analog[i].name = "Analog" + n;
        digital[i].name = "Digital" + n;
        counter[i].name = "Counter" + n;
    }
    readList.fill(kReadListEnd);
}

void ChannelTables::BuildReadList() {
    uint32_t n = 0;
    for (int i = 0; i < analogMax; ++i)
        if (analog[i].enabled) readList[n++] = analog[i].hwIndex;
    readList[n] = kReadListEnd;
    for (uint32_t i = n + 1; i < readList.size(); ++i) readList[i] = kReadListEnd;
    enabledAnalogCount = n;

    // Counts from the settings are kept to what one pixel can sensibly take,
    // so a stray value cannot size a huge buffer.
    const SoftwareSettings& s = softwareSettings();
    int discard = s.pixelDiscard, average = s.pixelAverage;
    samplesToDiscard = static_cast<uint32_t>(discard < 0              ? 0
                                             : discard > kMaxReadings ? kMaxReadings
                                                                      : discard);
    samplesToAverage = static_cast<uint32_t>(average < 0              ? 0
                                             : average > kMaxReadings ? kMaxReadings
                                                                      : average);
    const size_t samples = static_cast<size_t>(n) * (samplesToDiscard + samplesToAverage);
    if (sampleBuffer.size() != samples) sampleBuffer.assign(samples, 0);
}

void ChannelTables::PrepareAnalogImages(const CALMAG& calibration,
                                        const std::vector<uint32_t>* palette) {
    BuildReadList();
    for (int i = 0; i < analogMax; ++i)
        if (analog[i].enabled) analog[i].PrepareImage(calibration, palette, readList.data());
}

void ChannelTables::PrepareDigitalImages(const CALMAG& calibration,
                                         const std::vector<uint32_t>* palette) {
    for (int i = 0; i < digitalMax; ++i)
        if (digital[i].enabled) digital[i].PrepareImage(calibration, palette);
}

void ChannelTables::PrepareCounterImages(const CALMAG& calibration,
                                         const std::vector<uint32_t>* palette) {
    for (int i = 0; i < counterMax; ++i)
        if (counter[i].enabled) counter[i].PrepareImage(calibration, palette);
    enabledCounterCount = EnabledCount(CHANNEL_COUNTER);
    RefreshCounterNumbers();
}

void ChannelTables::RefreshCounterNumbers() {
    counterNumberCount = 0;
    for (int i = 0; i < kTableSize; ++i)
        if (counter[i].enabled) counterNumbers[counterNumberCount++] = counter[i].hwIndex;
}

void ChannelTables::PrepareAllImages(const CALMAG& calibration,
                                     const std::vector<uint32_t>* palette) {
    PrepareAnalogImages(calibration, palette);
    PrepareDigitalImages(calibration, palette);
    PrepareCounterImages(calibration, palette);
}

void ChannelTables::ResetAllRanges() {
    for (int i = 0; i < analogMax; ++i)
        if (analog[i].enabled) analog[i].ResetRange();
    for (int i = 0; i < digitalMax; ++i)
        if (digital[i].enabled) digital[i].ResetRange();
    for (int i = 0; i < counterMax; ++i)
        if (counter[i].enabled) counter[i].ResetRange();
}

void ChannelTables::ZeroAllPassCounts() {
    ForEach([](CHANNEL& c) {
        if (c.enabled) c.passCount = 0;
    });
}

void ChannelTables::SaveAllLineBuffers() {
    ForEach([](CHANNEL& c) { c.SaveLineBuffer(); });
}

void ChannelTables::IncrementAllPasses() {
    ForEach([](CHANNEL& c) { c.IncrementPass(); });
}

bool ChannelTables::AllComplete() const {
    for (int i = 0; i < kTableSize; ++i)
        if (!analog[i].PassesComplete() || !digital[i].PassesComplete() ||
            !counter[i].PassesComplete())
            return false;
    return true;
}

void ChannelTables::SetAllTiles(int32_t tilesX, int32_t tilesY) {
    ForEach([&](CHANNEL& c) {
        c.tilesX = tilesX;
        c.tilesY = tilesY;
    });
}

void ChannelTables::SetAllMaxPasses(uint32_t maxPasses) {
    for (int i = 0; i < kTableSize; ++i)
        analog[i].maxPasses = digital[i].maxPasses = counter[i].maxPasses = maxPasses;
}

int ChannelTables::EnabledCount(int32_t kind) const {
    int n = 0;
    if (kind == CHANNEL_ANALOG)
        for (int i = 0; i < analogMax; ++i) n += analog[i].enabled ? 1 : 0;
    if (kind == CHANNEL_DIGITAL)
        for (int i = 0; i < digitalMax; ++i) n += digital[i].enabled ? 1 : 0;
    if (kind == CHANNEL_COUNTER)
        for (int i = 0; i < counterMax; ++i) n += counter[i].enabled ? 1 : 0;
    return n;
}

int ChannelTables::ChannelsEnabled() const {
    return EnabledCount(CHANNEL_ANALOG) + EnabledCount(CHANNEL_DIGITAL) +
           EnabledCount(CHANNEL_COUNTER);
}

CHANNEL* ChannelTables::ChannelOfImage(ImageHandle image) {
    if (!image) return nullptr;
    for (auto& c : analog)
        if (c.image == image) return &c;
    for (auto& c : digital)
        if (c.image == image) return &c;
    for (auto& c : counter)
        if (c.image == image) return &c;
    return nullptr;
}

}  // namespace orvex
