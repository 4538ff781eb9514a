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

/// Advanced > Modify Image > Make mask: the threshold of a picked image at
/// the value of the picked pixel. Returns the mask (none when cancelled).
ImageHandle MakeMask();

/// Advanced > Modify Image > Mask Image: a copy of a picked source that keeps
/// its values where a picked mask of the same size is non-zero and is 0
/// elsewhere. Returns the result (none when cancelled or of another size).
ImageHandle MaskImage();

/// Advanced > Special Effects > Negate Data on the active image.
void NegateData();

}  // namespace orvex
