#pragma once
// The images of Advanced > Concatenate Images: a mosaic of registered images placed by
// their real coordinates, a pave of images side by side in pick order, and
// a stereo pair of two images with a thin separator between them.
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

/// Grid of a pave of n images: columns, and rows (columns or one fewer).
struct PaveGrid {
    int columns = 0;
    int rows = 0;
};
PaveGrid PaveGridFor(int images);

/// The mosaic of registered images, the first of the list drawn last (on
/// top); the result window, or none after a refusal. Each image is placed by
/// the real extent of its corners, an axis whose registration runs backwards
/// read the other way round, so a flipped copy lands where its original does.
ImageHandle MakeMosaic(std::vector<ImageHandle> images);
/// The pave of images in pick order; none after a refusal.
ImageHandle MakePave(const std::vector<ImageHandle>& images);
/// The stereo pair of a left and a right image; none after a refusal.
ImageHandle MakeStereoPair(ImageHandle left, ImageHandle right);

}  // namespace orvex
