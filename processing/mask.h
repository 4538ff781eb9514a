#pragma once
// Point operations that isolate a phase: a threshold mask of an image, an
// image cut down to a mask, and the negative of an image's data.
#include "imagestore/image_handle.h"

namespace orvex {

/// A new 8-bit image of the same size: 255 where the value is at least the
/// level, 0 elsewhere. None for a depth other than 8 or 16.
ImageHandle OV_Threshold(ImageHandle image, unsigned level);

/// Inverts the data in place (255 - v, or 65535 - v) and redraws.
void OV_Negate(ImageHandle image);

/// A copy of the source that keeps its values where the mask (of the same
/// size) is non-zero and is 0 elsewhere. Returns the result (none when the
/// two differ in size).
ImageHandle MaskedImage(ImageHandle source, ImageHandle mask);

}  // namespace orvex
