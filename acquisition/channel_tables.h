#pragma once
// The three channel tables (analog, digital, counter) and the operations the
// scan engine runs over all of them, always in the order analog, digital,
// counter and always skipping disabled channels.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/channel.h"

namespace orvex {

class BOARD;

class ChannelTables {
  public:
    /// Entries of each table; the "max" keys configure how many are in use.
    static constexpr int kTableSize = 16;
    /// The end mark of the analog read list.
    static constexpr int kReadListEnd = 255;
    /// Largest count of readings discarded or averaged per pixel.
    static constexpr int kMaxReadings = 4096;

    ChannelTables();

    std::array<ANALOGCHANNEL, kTableSize> analog;
    std::array<DIGITALCHANNEL, kTableSize> digital;
    std::array<COUNTERCHANNEL, kTableSize> counter;
    int analogMax = 1, digitalMax = 1, counterMax = 1;
    int analogAutostretch = 1, digitalAutostretch = 1, counterAutostretch = 1;

    /// hwIndex of every enabled analog channel in table order, then 255.
    std::array<int, kTableSize + 1> readList{};
    /// The analog samples of one pixel: enabledAnalogCount x (discard + average).
    std::vector<uint16_t> sampleBuffer;
    uint32_t enabledAnalogCount = 0;
    uint32_t samplesToDiscard = 0;
    uint32_t samplesToAverage = 1;
    int enabledCounterCount = 0;
    /// hwIndex of every enabled counter channel: the counters a pixel starts.
    std::array<int, kTableSize> counterNumbers{};
    int counterNumberCount = 0;

    /// Rebuilds the analog read list and sizes the sample buffer from the
    /// software settings' "pixel discard" and "pixel average".
    void BuildReadList();
    /// The samples of the last burst as the analog channels read them.
    AnalogSamples Samples() const {
        return {sampleBuffer.data(), enabledAnalogCount, samplesToDiscard, samplesToAverage};
    }
    /// Number of samples one analog burst reads.
    int BurstLength() const { return static_cast<int>(sampleBuffer.size()); }

    /// The read list and the analog images, the digital images, the counter
    /// images (and the enabled counter count). Palette: 256 entries or null.
    void PrepareAnalogImages(const CALMAG& calibration, const std::vector<uint32_t>* palette);
    void PrepareDigitalImages(const CALMAG& calibration, const std::vector<uint32_t>* palette);
    void PrepareCounterImages(const CALMAG& calibration, const std::vector<uint32_t>* palette);
    void PrepareAllImages(const CALMAG& calibration, const std::vector<uint32_t>* palette);

    void ResetAllRanges();
    void ZeroAllPassCounts();
    /// The analog channels' averages of the sample buffer.
    void ReadAnalogSamples() {
        const AnalogSamples s = Samples();
        for (int i = 0; i < analogMax; ++i) analog[i].ReadSample(s);
    }
    /// One read of the board's digital word per enabled digital channel.
    void ReadDigitalSamples(BOARD& board);
    /// Every enabled counter channel reads its counter.
    void ReadCounterSamples(BOARD& board);
    /// Collects the counter numbers of the enabled counter channels.
    void RefreshCounterNumbers();
    void StoreAll(uint32_t x, uint32_t y) {
        for (int i = 0; i < analogMax; ++i) analog[i].StoreSample(x, y);
        for (int i = 0; i < digitalMax; ++i) digital[i].StoreSample(x, y);
        for (int i = 0; i < counterMax; ++i) counter[i].StoreSample(x, y);
    }
    void AccumulateAll(uint32_t x, uint32_t y) {
        for (int i = 0; i < analogMax; ++i) analog[i].AccumulateSample(x, y);
        for (int i = 0; i < digitalMax; ++i) digital[i].AccumulateSample(x, y);
        for (int i = 0; i < counterMax; ++i) counter[i].AccumulateSample(x, y);
    }
    void SaveAllLineBuffers();
    void IncrementAllPasses();
    /// True only when every channel of the three tables has its passes.
    bool AllComplete() const;
    void SetAllTiles(int32_t tilesX, int32_t tilesY);
    void SetAllMaxPasses(uint32_t maxPasses);
    /// Enabled channels of a kind (CHANNEL_ANALOG, ...).
    int EnabledCount(int32_t kind) const;
    /// Enabled channels of all kinds.
    int ChannelsEnabled() const;
    /// The channel that shows an image (analog, then digital, then counter), or null.
    CHANNEL* ChannelOfImage(ImageHandle image);
    /// Calls f on every configured channel, in table order.
    template <class F>
    void ForEach(F&& f) {
        for (int i = 0; i < analogMax; ++i) f(static_cast<CHANNEL&>(analog[i]));
        for (int i = 0; i < digitalMax; ++i) f(static_cast<CHANNEL&>(digital[i]));
        for (int i = 0; i < counterMax; ++i) f(static_cast<CHANNEL&>(counter[i]));
    }

    /// Reads the [analog], [counter] and [digital] sections.
    void ReadIni(const std::string& path);
    /// Writes the three sections.
    void WriteIni(const std::string& path) const;
};

/// The channel tables of the program.
ChannelTables& channelTables();
/// Puts the tables back to their start-up state (tests). Images stay open.
void resetChannelTables();

/// ChannelsEnabled of the tables.
int ChannelsEnabled();

/// Names digital and counter channels after the element and EDS lists.
void ElmToChannels(int force);

/// Plugs the channel keys into the load and save order, and hooks the channels
/// to the image windows (a closed window disables its channel) and to the board
/// (which counters to start).
void installChannelSettings();

}  // namespace orvex
