#pragma once
// Palettes built from rules rather than from the data: the grey scale of a
// palette kind, a ramp between two colours, the brightness/contrast transfer
// line, the negative; and the window that shows a palette as a picture.
// Palettes are 0x00BBGGRR entries.
#include <cstdint>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

/// N entries of the ramp of a palette kind: red, green or blue alone for
/// kinds 0, 1, 2, grey for the others (i / N x 256 in each).
std::vector<uint32_t> GreyScalePalette(int kind, int count);

/// The ramp from the start colour towards the end colour: its length C is the
/// largest channel difference; entry i (i < C) is the start plus i steps.
/// The entries from C on take the end colour. count entries.
std::vector<uint32_t> ColourScalePalette(uint32_t start, uint32_t end, int count);

/// The transfer line of the brightness/contrast graph in a graph box of
/// width x height pixels: y = slope x + offset, y up from the bottom.
struct TransferLine {
    float slope = 1;
    float offset = 0;
};
TransferLine BrightnessContrastLine(int contrastDegrees, int brightness, int width, int height);
/// The palette shifted along the transfer line; each channel is clamped to 0 .. N - 1.
std::vector<uint32_t> BrightnessContrastPalette(const std::vector<uint32_t>& start, int contrastDegrees,
                                                int brightness, int width, int height);

/// Every entry as (255 - red, 255 - green, 255 - blue).
std::vector<uint32_t> NegatedPalette(const std::vector<uint32_t>& palette);

/// Sets a palette with kind custom and redraws; the ImageResult.
int SetCustomPalette(ImageHandle window, const std::vector<uint32_t>& palette);

/// Basic > Display Palette: a 16 x 16 window of the indices 0..255 (bottom
/// row 0..15, top row 240..255) in the window's palette; none (after the
/// message) without an active image.
ImageHandle DisplayPalette(ImageHandle window);

}  // namespace orvex
