#pragma once
// How an image window maps real positions to window pixels. The window's
// zoom commands move and scale it; the image store draws and converts
// through it.
#include "imagestore/image.h"

namespace orvex {

struct DisplayMapping {
    double originX = 0;          // real x at the window's left edge
    double originY = 0;          // real y at the window's top edge
    double pixelsPerUnitX = 1;   // window pixels per real unit (signed like the registration)
    double pixelsPerUnitY = 1;
    double zoom = 1;             // window pixels per image pixel
    bool mirrorHorizontal = false;
    bool mirrorVertical = false;

    /// Shows the whole image at the given zoom: the top-left pixel edge at
    /// the window's top-left corner.
    void ShowExtents(const Image& image, double zoomFactor = 1.0);
    /// Window position of a real position.
    double ToWindowX(double x) const { return (x - originX) * pixelsPerUnitX; }
    double ToWindowY(double y) const { return (originY - y) * pixelsPerUnitY; }
    /// Real position of a window position.
    double ToRealX(double windowX) const;
    double ToRealY(double windowY) const;
};

}  // namespace orvex
