#pragma once
// An acquisition channel: one signal (analog input, digital bit or counter)
// that a scan turns into one image. During the scan each reading becomes a
// pixel of a one-row line buffer; the buffer goes back into the image when
// the scan moves to another row, so the image is touched once per row.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

class CALMAG;

/// Channel kinds; equal to the IMAGETYPE of the channel's image.
enum : int32_t { CHANNEL_ANALOG = 1, CHANNEL_DIGITAL = 2, CHANNEL_COUNTER = 3 };

/// What every kind of channel has.
class CHANNEL {
  public:
    explicit CHANNEL(int32_t kind);
    ~CHANNEL();
    CHANNEL(const CHANNEL&) = delete;
    CHANNEL& operator=(const CHANNEL&) = delete;

    std::string name;
    int32_t kind = 0;
    int32_t scanType = 0;
    int32_t tilesX = 1, tilesY = 1;
    uint32_t passCount = 0;
    uint32_t maxPasses = 5;
    uint32_t rangeLow = 0, rangeHigh = 0;
    int32_t serial = 0;
    int32_t width = 64, height = 64;
    int32_t is16Bit = 0;
    int32_t want16Bit = 0;
    int32_t autostretch = 0;
    std::string zUnit = "counts";
    double zLow = 0.0, zHigh = 255.0;
    int32_t gain = 1;
    ImageHandle image;
    int32_t enabled = 0;
    int32_t hwIndex = 65535;
    std::unique_ptr<uint8_t[]> lineBuffer8;
    std::unique_ptr<uint16_t[]> lineBuffer16;
    int32_t currentLine = -1;

    /// Allocates the line buffer of the current depth (width entries).
    bool MakeLineBuffer();
    /// Frees the line buffer and forgets the row it held.
    void FreeLineBuffer();
    /// Reads an image row into the line buffer.
    bool LoadLineBuffer(int32_t row);
    /// Writes the line buffer back to its image row and redraws the row.
    void SaveLineBuffer();
    /// Makes the line buffer hold row: 1 when it already did, 0 otherwise
    /// (also when there is no buffer).
    int SelectLine(int32_t row);
    void IncrementPass();
    bool PassesComplete() const;
    /// Gives the image a 256-entry palette (0x00BBGGRR).
    void SetChannelPalette(const uint32_t* palette);
    /// Sets the name, and the image's name when there is one.
    void Rename(const std::string& text);
    /// Drops the image (its window is closing) and disables the channel.
    void DetachImage();

  protected:
    /// Makes sure the channel has an image of the calibration's size and
    /// depth, registered for the calibration's scan (steps common to all kinds).
    void PrepareImageCommon(const CALMAG& calibration, const std::vector<uint32_t>* palette);
    /// The pixel at column x of the line buffer, for the store of a kind.
    uint8_t* pixel8(uint32_t x) { return lineBuffer8.get() + x; }
    uint16_t* pixel16(uint32_t x) { return lineBuffer16.get() + x; }
    /// Selects row y and tells whether column x can be stored.
    bool ready(uint32_t x, uint32_t y) {
        if (!enabled) return false;
        SelectLine(static_cast<int32_t>(y));
        return x < static_cast<uint32_t>(width) &&
               (is16Bit ? lineBuffer16 != nullptr : lineBuffer8 != nullptr);
    }
    void widenRange(uint32_t v) {
        if (v < rangeLow) rangeLow = v;
        if (v > rangeHigh) rangeHigh = v;
    }
    /// Writes (registered, zLow, zHigh, zUnit) to the image.
    void WriteZRegistration();

  private:
    bool NeedsNewImage(const CALMAG& calibration) const;
    void MakeImage(const CALMAG& calibration, const std::vector<uint32_t>* palette);
    void CloseImage();
    void UpdateRegistration(const CALMAG& calibration);
};

/// The analog samples of one pixel: N channels, D discarded and A averaged
/// readings each, channel k's readings at D*N + k + s*N.
struct AnalogSamples {
    const uint16_t* buffer = nullptr;
    uint32_t channels = 0;  // N
    uint32_t discard = 0;   // D
    uint32_t average = 1;   // A
};

/// An analog input of the analog/digital board.
class ANALOGCHANNEL : public CHANNEL {
  public:
    ANALOGCHANNEL();
    int32_t polarity = 1;
    uint32_t value = 0;     // the averaged sample of the latest pixel
    double simTotal = 0.0;  // running total of simulated readings
    int32_t listIndex = 0;

    /// Averages the channel's samples of the pixel into value.
    void ReadSample(const AnalogSamples& samples) {
        if (!enabled) return;
        const uint32_t n = samples.channels, a = samples.average;
        if (!samples.buffer || static_cast<uint32_t>(listIndex) >= n || a == 0) {
            value = 0;  // no readings of this channel in the burst
            return;
        }
        const uint16_t* s = samples.buffer + samples.discard * n + listIndex;
        const uint32_t invert = polarity ? 0u : 0xFFFFu;
        uint32_t sum = 0;
        for (uint32_t i = 0; i < a; ++i, s += n) sum += *s ^ invert;
        value = a > 1 ? sum / a : sum;
    }
    void StoreSample(uint32_t x, uint32_t y) {
        if (!ready(x, y)) return;
        if (is16Bit) {
            uint16_t p = static_cast<uint16_t>(value);
            *pixel16(x) = p;
            widenRange(p);
        } else {
            uint8_t p = static_cast<uint8_t>(value >> 8);
            *pixel8(x) = p;
            widenRange(p);
        }
    }
    /// The running mean over passes: (new + passCount x old) / (passCount + 1).
    void AccumulateSample(uint32_t x, uint32_t y) {
        if (!ready(x, y)) return;
        const uint64_t c = passCount;
        if (is16Bit) {
            uint16_t* p = pixel16(x);
            *p = static_cast<uint16_t>(((value & 0xFFFFu) + c * *p) / (c + 1));
            widenRange(*p);
        } else {
            uint8_t* p = pixel8(x);
            *p = static_cast<uint8_t>((((value >> 8) & 0xFFu) + c * *p) / (c + 1));
            widenRange(*p);
        }
    }
    void ResetRange() {
        rangeLow = 65535;
        rangeHigh = 0;
    }
    /// A simulated reading: a fraction of full scale (outside 0..1 reads 0).
    void SimulateSample(double f);
    /// Sets the board's gain, then prepares the image; listIndex from the read list.
    void PrepareImage(const CALMAG& calibration, const std::vector<uint32_t>* palette,
                      const int* readList);
};

/// A bit of the board's digital input word.
class DIGITALCHANNEL : public CHANNEL {
  public:
    DIGITALCHANNEL();
    uint32_t value = 0;  // 0 or 1

    /// Takes the channel's bit of a digital input word.
    void ReadSample(uint32_t word) {
        if (!enabled) return;
        value = hwIndex >= 0 && hwIndex < 32 ? (word >> hwIndex) & 1u : 0u;
    }
    void StoreSample(uint32_t x, uint32_t y) {
        if (!ready(x, y)) return;
        uint32_t p = value ? 1u : 0u;
        if (is16Bit)
            *pixel16(x) = static_cast<uint16_t>(p);
        else
            *pixel8(x) = static_cast<uint8_t>(p);
        widenRange(p);
    }
    /// Counts the passes in which the bit was set, up to the depth's maximum.
    void AccumulateSample(uint32_t x, uint32_t y) {
        if (!ready(x, y)) return;
        if (is16Bit) {
            uint16_t* p = pixel16(x);
            if (value && *p < 65535) ++*p;
            widenRange(*p);
        } else {
            uint8_t* p = pixel8(x);
            if (value && *p < 255) ++*p;
            widenRange(*p);
        }
    }
    void ResetRange() {
        rangeLow = maxPasses;
        rangeHigh = 0;
    }
    void SimulateSample(double f);
    /// Prepares the image, then resets the Z range to the image depth.
    void PrepareImage(const CALMAG& calibration, const std::vector<uint32_t>* palette);
};

/// A counter of the counter/timer board.
class COUNTERCHANNEL : public CHANNEL {
  public:
    COUNTERCHANNEL();
    uint32_t value = 0;  // the latest count

    void ReadSample(int count) {
        if (!enabled) return;
        value = static_cast<uint32_t>(count);
    }
    /// The count clipped to the depth's maximum.
    void StoreSample(uint32_t x, uint32_t y) {
        if (!ready(x, y)) return;
        if (is16Bit) {
            uint32_t p = value > 65535u ? 65535u : value;
            *pixel16(x) = static_cast<uint16_t>(p);
            widenRange(p);
        } else {
            uint32_t p = value > 255u ? 255u : value;
            *pixel8(x) = static_cast<uint8_t>(p);
            widenRange(p);
        }
    }
    /// Sums counts over passes, saturating at the depth's maximum.
    void AccumulateSample(uint32_t x, uint32_t y) {
        if (!ready(x, y)) return;
        if (is16Bit) {
            uint16_t* p = pixel16(x);
            uint32_t sum = *p + (value & 0xFFFFu);
            *p = static_cast<uint16_t>(sum > 65535u ? 65535u : sum);
            widenRange(*p);
        } else {
            uint8_t* p = pixel8(x);
            uint32_t sum = *p + (value & 0xFFu);
            *p = static_cast<uint8_t>(sum > 255u ? 255u : sum);
            widenRange(*p);
        }
    }
    void ResetRange() {
        rangeLow = is16Bit ? 65535u : 255u;
        rangeHigh = 0;
    }
    void SimulateSample(double f);
    /// Prepares the image, then resets the Z range to the image depth.
    void PrepareImage(const CALMAG& calibration, const std::vector<uint32_t>* palette);
};

/// Sets the program-wide serial counter back (tests).
void ResetChannelSerials();

}  // namespace orvex
