#include "imagestore/display_mapping.h"

namespace orvex {

void DisplayMapping::ShowExtents(const Image& image, double zoomFactor) {
    zoom = zoomFactor > 0 ? zoomFactor : 1.0;
    RealPoint leftTop, rightBottom;
    image.GetCorners(true, leftTop, rightBottom);
    originX = leftTop.x;
    originY = leftTop.y;
    const double gx = image.UnitsPerPixelX();
    const double gy = image.UnitsPerPixelY();
    pixelsPerUnitX = gx != 0 ? zoom / gx : zoom;
    pixelsPerUnitY = gy != 0 ? zoom / gy : zoom;
}

double DisplayMapping::ToRealX(double windowX) const {
    return pixelsPerUnitX != 0 ? originX + windowX / pixelsPerUnitX : originX;
}

double DisplayMapping::ToRealY(double windowY) const {
    return pixelsPerUnitY != 0 ? originY - windowY / pixelsPerUnitY : originY;
}

}  // namespace orvex
