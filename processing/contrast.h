#pragma once
// Contrast operations on image windows: fitting a base palette to the data,
// histogram equalization and linear stretch (of the palette, or of the data
// into a copy), and the 16-to-8-bit normalisation.
#include <array>
#include <cstdint>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

/// Fits a 256-entry base palette (0x00BBGGRR) onto the image's data range:
/// black below the smallest value, white above the largest, the base ramp in
/// between. 16-bit images are fitted through their high byte. An image of one
/// value (or none) keeps its palette. Returns an ImageResult.
int StretchPalette(ImageHandle image, const uint32_t* base);

/// Whether a contrast operation rewrites the palette or a copy of the data.
enum class ContrastTransform { Palette = 0, Image = 1 };

/// Class boundaries B[0..K] of an equalization over 256 percentage shares:
/// B[0] = 0, B[K] = 255, and at most K - 1 boundaries between where the
/// running share of 1..254 passes (100 - P[0] - P[255]) / K. Boundaries that
/// the histogram cannot fill are B[K] (empty classes).
std::vector<int> EqualizationBoundaries(const std::vector<float>& shares, int classes);
/// The same over 65536 shares: the walk runs over 0..65534 and B[K] is the
/// highest value present (65535 when none is).
std::vector<int> EqualizationBoundaries16(const std::vector<float>& shares, int classes);
/// Where a value goes under boundaries B and scale S (top: 255 or 65535); a
/// value in no class is returned unchanged.
int EqualizedValue(const std::vector<int>& boundaries, double scale, int value, int top);

/// Histogram Equalization of a window into K classes. Transform Image gives
/// the new window (16-bit images keep 16 bits); Transform Palette changes the
/// window's palette and gives the window. None when nothing was done.
ImageHandle HistogramEqualize(ImageHandle window, int classes, ContrastTransform transform);

/// Low end f and high end n of a linear stretch over 256 shares with low and
/// high cuts in percent, after the rule for f = n.
struct StretchEnds {
    int low = 0;
    int high = 255;
};
StretchEnds LinearStretchEnds(const std::vector<float>& shares, double lowCut, double highCut);

/// Linear Stretch of a window: the cuts apply only with usePercentage.
/// Results as for HistogramEqualize.
ImageHandle LinearStretch(ImageHandle window, bool usePercentage, double starting, double ending,
                          ContrastTransform transform);

/// Basic > Normalize(16->8): a new 8-bit window whose values span the
/// 16-bit image's data range, its palette the base palette fitted to the
/// data; none (after the message) for other depths.
ImageHandle NormalizeTo8Bit(ImageHandle window, const std::array<uint32_t, 256>& basePalette);

}  // namespace orvex
