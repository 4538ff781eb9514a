#pragma once
// Grey-level histograms of one image, the min-max normalisation, the 1-D
// histogram picture and the clearing of one pixel.
#include <cstdint>

#include "imagestore/image_handle.h"

namespace orvex {

/// Bin counts of the grey levels: bin = value for 8-bit data, value / 256
/// (the high byte) for 16-bit data.
using HistogramCounts = uint32_t[256];

/// Fills the counts from an 8-bit image ("Not an 8-bit image" otherwise,
/// counts untouched).
void OVP_Histogram8(ImageHandle image, HistogramCounts counts);
/// Fills the counts from a 16-bit image ("Not a 16-bit image" otherwise).
void OVP_Histogram16(ImageHandle image, HistogramCounts counts);

/// Stretches the data in place so the smallest value becomes 0 and the
/// largest the full scale of the depth; an image of one value is left alone
/// ("no data: max=min").
void OVP_NormalizeImage(ImageHandle image);

/// The bars of a 1-D histogram: bin b's scaled height h (0..255) lights
/// column b from row 255 - h down to the bottom row.
void ScaleHistogramCounts(const HistogramCounts counts, uint8_t heights[256]);

/// The histogram picture of an image in a new 256 x 256 window. Returns the
/// new window (none when the image is gone).
ImageHandle Histogram1DImage(ImageHandle source);

/// Sets one pixel to 0 and redraws.
void KillPixel(ImageHandle window, int column, int row);

}  // namespace orvex
