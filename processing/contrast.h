#pragma once
// Contrast and palette operations on image windows.
#include <cstdint>

#include "imagestore/image_handle.h"

namespace orvex {

/// Fits a 256-entry base palette (0x00BBGGRR) onto the image's data range:
/// black below the smallest value, white above the largest, the base ramp in
/// between. 16-bit images are fitted through their high byte. An image of one
/// value (or none) keeps its palette. Returns an ImageResult.
int StretchPalette(ImageHandle image, const uint32_t* base);

}  // namespace orvex
