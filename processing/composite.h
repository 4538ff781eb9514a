#pragma once
// Colour composites: three bands shown as red, green and blue, quantised to
// one palette, either the fixed 3-3-2 palette or one fitted to the data by
// median cut.
#include <cstdint>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

enum CompositePalette : int {
    CompositeQuick = 0,
    CompositeSlightlyOptimized = 1,
    CompositeFullyOptimized = 2,
};

struct ColourTriple {
    uint8_t red = 0, green = 0, blue = 0;
};

/// The fixed palette: 3 bits of red, 3 of green, 2 of blue (0x00BBGGRR).
std::vector<uint32_t> QuickPalette();
inline uint8_t QuickIndex(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((red & 0xE0) + (green / 32) * 4 + blue / 64);
}

/// Every step-th row of a width x height picture is sampled; the step for a
/// palette type (at least 1).
int CompositeSampleStep(int width, int height, int type);

/// The median-cut palette of the samples (reordered in place): 256 leaves by
/// ascending luminance, thinned to `colours` entries (256, 128, 64, 32 or 16).
std::vector<uint32_t> MedianCutPalette(std::vector<ColourTriple>& samples, int colours);

/// The nearest palette entry of a colour (squared distance in red, green and
/// blue; the lowest index on a tie), remembered for colours seen recently.
class NearestColour {
public:
    explicit NearestColour(const std::vector<uint32_t>& palette);
    uint8_t operator()(uint8_t red, uint8_t green, uint8_t blue);

private:
    // Entries sorted by red, so the search can stop once red alone is too far.
    std::vector<int> red_, green_, blue_, index_;
    int start_[257] = {};  // first sorted entry with at least that red
    std::vector<uint32_t> keys_;  // colour + 1, 0 for an empty slot
    std::vector<uint8_t> values_;
};

/// The composite of three bands of equal size as a new window (a copy of the
/// red band holding palette indices); none when the sizes differ.
ImageHandle MakeComposite(ImageHandle red, ImageHandle green, ImageHandle blue, int type, int colours);

}  // namespace orvex
