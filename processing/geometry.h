#pragma once
// Geometric copies of an image: quarter turns and mirror images, resampling
// to a new size, and cutting out a rectangle. Each makes a new image window
// of the source's depth, palette and Z registration; the source stays as it is.
#include <string>

#include "imagestore/image_handle.h"
#include "platform/ui.h"

namespace orvex {

/// The choices of "Rotate/Flip Image", in the dialog's order.
enum class RotateFlip { Clockwise90 = 0, Half = 1, CounterClockwise90 = 2, TopToBottom = 3, LeftToRight = 4 };

/// The dialog text of a choice ("Rotate 90 degrees CW").
const char* RotateFlipText(RotateFlip choice);
/// The first history line of a choice ("Rotate 90 degrees CW:  ").
const char* RotateFlipHistory(RotateFlip choice);

/// Turns or mirrors the image into a new window. A position-registered
/// source gives a registered result: flips and the half turn keep every
/// pixel on its specimen point (an axis then runs the other way); the
/// two-point registration cannot turn its axes, so a quarter turn keeps the
/// centre and the units per pixel of each axis. None when the source is gone.
ImageHandle RotateFlipImage(ImageHandle source, RotateFlip choice);

/// The interpolation methods of "Resize Image".
enum class ResampleMethod { Fast = 0, NearestNeighbor = 1, Bilinear = 2 };

/// Resamples 8- and 16-bit images to width x height: result pixel (c, r)
/// samples the source at (W / width x (c + 0.5), H / height x (r + 0.5)).
/// A registered source gives its corner pixels' real coordinates to the
/// result's corner pixels. Other depths show "Method/Image depth not
/// implemented" ("Resize").
ImageHandle ResampleImage(ImageHandle source, int width, int height, ResampleMethod method);

/// Cuts out the inclusive rectangle into a new window; a rectangle without
/// width or height shows "Crop area is too small.  Choose a larger area.".
/// The rectangle is first limited to the image.
ImageHandle CropImage(ImageHandle source, platform::PixelRect rect);

}  // namespace orvex
