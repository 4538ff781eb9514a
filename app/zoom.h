#pragma once
// The zoom commands of an image window: they scale and move the window's
// display mapping. The front end tells the size of each window's client area,
// so Extents and In can fit the picture into it.
#include "imagestore/display_mapping.h"
#include "imagestore/image_handle.h"
#include "platform/surface.h"

namespace orvex::app {

constexpr double kMinZoom = 1.0 / 16;
constexpr double kMaxZoom = 32.0;

/// The client-area size of a window, as the front end lays it out (0 x 0: unknown).
void SetViewSize(ImageHandle window, int width, int height);
platform::Size ViewSize(ImageHandle window);

/// Shows the whole image: fitted into the view when its size is known, else at 100 %.
int ZoomExtents(ImageHandle window);
/// Zooms so the pixel rectangle (inclusive columns and rows) fills the view.
int ZoomToPixels(ImageHandle window, int left, int top, int right, int bottom);
/// One step out: half the zoom, about the centre of the view.
int ZoomOut(ImageHandle window);
/// Sets the zoom factor (clamped to kMinZoom..kMaxZoom) about the centre of the view.
int SetZoom(ImageHandle window, double factor);
/// "&In": asks for a rectangle ("Drag Zoom Rectangle") and zooms to it.
int ZoomIn(ImageHandle window);

/// The zoom percentage as the status pane shows it: zoom x 100, rounded.
int ZoomPercent(const DisplayMapping& mapping);

/// A real position to the window through a mapping, honouring its mirror
/// settings (the picture is mirrored within its own rectangle, so overlays
/// follow it). `left`..`bottom` are the image's outer edges in real units.
struct MappedImage {
    const DisplayMapping* mapping = nullptr;
    double left = 0, top = 0, right = 0, bottom = 0;  // outer pixel edges, real units
    double toWindowX(double x) const;
    double toWindowY(double y) const;
    /// A real length as window pixels (always positive).
    double lengthX(double length) const;
    double lengthY(double length) const;
};

/// The mapping of a live window with its image's edges; the mapping is null
/// when the window is not live.
MappedImage MapWindow(ImageHandle window, const DisplayMapping* printMapping = nullptr);

}  // namespace orvex::app
