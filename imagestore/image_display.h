#pragma once
// Drawing an image window's picture onto a surface, strip by strip.
#include "imagestore/image_handle.h"
#include "platform/surface.h"

namespace orvex {

/// Draws every strip of the window's image (or only strip onlyStrip) into
/// the window through its display mapping, skipping strips outside the
/// surface's clip box. 16-bit images pass through an 8-bit buffer of their
/// high bytes. A pending Esc for the active window ends the drawing after a
/// strip. Returns an ImageResult.
int DrawImageWindow(ImageHandle window, platform::Surface& surface, int onlyStrip = -1);

/// Paints the window: draws the picture, then lets the listeners draw their
/// overlays (code 4).
int PaintImageWindow(ImageHandle window, platform::Surface& surface);

}  // namespace orvex
