#pragma once
// The value-range scans: the smallest and largest pixel value of an image,
// read row by row (8-bit rows for 8-bit images, 16-bit rows for 16-bit ones).
#include "imagestore/image.h"
#include "imagestore/image_handle.h"

namespace orvex {

/// The smallest pixel value (65535 when nothing is smaller). A missing or
/// empty image shows "Bad Image" and gives 0; a depth other than 8 or 16
/// shows "unimplemented image depth" and gives 0.
unsigned OV_ScanForMin(const Image* image);
/// The largest pixel value (0 when nothing is larger). Failures as for the
/// minimum; an unimplemented depth gives 65535.
unsigned OV_ScanForMax(const Image* image);
/// Both in one pass. A missing image leaves min and max unset; an
/// unimplemented depth gives min 0 and max 65535.
void OV_ScanForMinMax(const Image* image, unsigned& min, unsigned& max);

/// The same scans of the image of a window; a window that is not live is a
/// bad image.
unsigned OV_ScanForMin(ImageHandle window);
unsigned OV_ScanForMax(ImageHandle window);
void OV_ScanForMinMax(ImageHandle window, unsigned& min, unsigned& max);

}  // namespace orvex
