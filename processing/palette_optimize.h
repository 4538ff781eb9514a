#pragma once
// Optimize Palette: what can be taken out of an image's palette (repeated
// colours, colours no pixel uses), the order by brightness, and the new
// image with the smaller palette and the fewest bits that hold it.
#include <cstdint>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

struct PaletteAnalysis {
    std::vector<uint32_t> palette;  // the N entries
    std::vector<bool> used;         // per entry: some pixel holds its index
    bool duplicates = false;        // an entry repeats an earlier one
    bool sorted = true;             // the luminance never decreases
    bool unused = false;            // some entry is held by no pixel
};

/// Reads the palette and every 8-bit row of the window.
PaletteAnalysis AnalysePalette(ImageHandle window);

/// 0.30 red + 0.59 green + 0.11 blue.
double Luminance(uint32_t colour);

/// The working list after the chosen steps: Compress drops entries equal to
/// an earlier one, Delete drops entries no pixel needs, Sort orders by
/// ascending luminance. An entry whose index is unused stays when it is the
/// only one left with a colour that used indices show (the compressed
/// duplicates point at it).
std::vector<uint32_t> OptimizedPalette(const PaletteAnalysis& analysis, bool compress, bool remove,
                                       bool sort);

/// 1 for at most 2 colours, 4 for at most 16, 8 otherwise.
int BitsForColours(int count);

/// A new image of the working list: each pixel the position of the first
/// entry of its old colour. Keeps the registrations. None when not live.
ImageHandle OptimizePalette(ImageHandle window, bool compress, bool remove, bool sort);

}  // namespace orvex
