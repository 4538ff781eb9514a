#pragma once
// The zoom commands of an image window: they scale and move the window's
// display mapping by its zoom rules. The front end tells the size of each
// window's client area, so Extents and In can fit the picture into it.
#include "imagestore/display_mapping.h"
#include "imagestore/image_handle.h"
#include "platform/surface.h"

namespace orvex::app {

/// The client-area size of a window, as the front end lays it out (0 x 0: unknown).
void SetViewSize(ImageHandle window, int width, int height);
platform::Size ViewSize(ImageHandle window);

/// Shows the whole image: fitted into the view when its size is known, else at 100 %.
int ZoomExtents(ImageHandle window);
/// Zooms so the pixel rectangle (inclusive columns and rows) fills the view.
int ZoomToPixels(ImageHandle window, int left, int top, int right, int bottom);
/// One step out, about the centre of the view.
int ZoomOut(ImageHandle window);
/// Sets the zoom factor (clamped to the mapping's range) about the centre of the view.
int SetZoom(ImageHandle window, double factor);
/// "&In": asks for a rectangle ("Drag Zoom Rectangle") and zooms to it.
int ZoomIn(ImageHandle window);

/// The mapping overlays draw through: the print mapping while printing,
/// else the window's own; null when the window is not live.
const DisplayMapping* OverlayMapping(ImageHandle window, const DisplayMapping* printMapping = nullptr);

}  // namespace orvex::app
