#include "imagestore/display_mapping.h"

#include <algorithm>
#include <cmath>

namespace orvex {

namespace {

// Real units per image pixel; an image without a usable extent counts one unit per pixel.
double unitsX(const Image& image) {
    const double g = image.UnitsPerPixelX();
    return g != 0 && std::isfinite(g) ? g : 1.0;
}

double unitsY(const Image& image) {
    const double g = image.UnitsPerPixelY();
    return g != 0 && std::isfinite(g) ? g : 1.0;
}

}  // namespace

void DisplayMapping::ShowExtents(const Image& image, double zoomFactor) {
    zoom = zoomFactor > 0 && std::isfinite(zoomFactor) ? zoomFactor : 1.0;
    RealPoint leftTop, rightBottom;
    image.GetCorners(true, leftTop, rightBottom);
    originX = leftTop.x;
    originY = leftTop.y;
    pixelsPerUnitX = zoom / unitsX(image);
    pixelsPerUnitY = zoom / unitsY(image);
}

double DisplayMapping::ToRealX(double windowX) const {
    return pixelsPerUnitX != 0 ? originX + windowX / pixelsPerUnitX : originX;
}

double DisplayMapping::ToRealY(double windowY) const {
    return pixelsPerUnitY != 0 ? originY - windowY / pixelsPerUnitY : originY;
}

double DisplayMapping::LengthToWindowX(double length) const { return std::fabs(length * pixelsPerUnitX); }

double DisplayMapping::LengthToWindowY(double length) const { return std::fabs(length * pixelsPerUnitY); }

RealPoint DisplayMapping::PixelToReal(const Image& image, double column, double row) const {
    if (mirrorHorizontal) column = image.Width() - 1 - column;
    if (mirrorVertical) row = image.Height() - 1 - row;
    return image.PixelToReal(column, row);
}

RealPoint DisplayMapping::PixelToWindow(const Image& image, double column, double row) const {
    const RealPoint real = PixelToReal(image, column, row);
    return {ToWindowX(real.x), ToWindowY(real.y)};
}

RealPoint DisplayMapping::WindowToPixel(const Image& image, double windowX, double windowY) const {
    RealPoint p = image.RealToPixel(ToRealX(windowX), ToRealY(windowY));
    if (mirrorHorizontal) p.x = image.Width() - 1 - p.x;
    if (mirrorVertical) p.y = image.Height() - 1 - p.y;
    return p;
}

double DisplayMapping::ClampZoom(double factor) {
    if (std::isnan(factor)) return 1.0;
    return std::clamp(factor, kMinZoom, kMaxZoom);
}

double DisplayMapping::FitZoom(const Image& image, double viewWidth, double viewHeight) {
    if (image.Width() <= 0 || image.Height() <= 0 || !(viewWidth > 0) || !(viewHeight > 0)) return 1.0;
    return ClampZoom(std::min(viewWidth / image.Width(), viewHeight / image.Height()));
}

void DisplayMapping::ZoomAbout(const Image& image, double factor, double windowX, double windowY) {
    const double rx = ToRealX(windowX), ry = ToRealY(windowY);
    zoom = ClampZoom(factor);
    pixelsPerUnitX = zoom / unitsX(image);
    pixelsPerUnitY = zoom / unitsY(image);
    originX = rx - windowX / pixelsPerUnitX;
    originY = ry + windowY / pixelsPerUnitY;
}

void DisplayMapping::ZoomToPixels(const Image& image, int left, int top, int right, int bottom,
                                  double viewWidth, double viewHeight) {
    if (image.Width() <= 0 || image.Height() <= 0) return;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    left = std::clamp(left, 0, image.Width() - 1);
    right = std::clamp(right, 0, image.Width() - 1);
    top = std::clamp(top, 0, image.Height() - 1);
    bottom = std::clamp(bottom, 0, image.Height() - 1);
    if (!(viewWidth > 0) || !(viewHeight > 0)) {
        viewWidth = image.Width();
        viewHeight = image.Height();
    }
    zoom = ClampZoom(std::min(viewWidth / (right - left + 1), viewHeight / (bottom - top + 1)));
    pixelsPerUnitX = zoom / unitsX(image);
    pixelsPerUnitY = zoom / unitsY(image);
    // The rectangle's outer corners where the mirrored picture draws them;
    // whichever lies at the top-left goes to the window's corner.
    originX = 0;
    originY = 0;
    const RealPoint a = PixelToWindow(image, left - 0.5, top - 0.5);
    const RealPoint b = PixelToWindow(image, right + 0.5, bottom + 0.5);
    const double cornerX = std::min(a.x, b.x), cornerY = std::min(a.y, b.y);
    originX = ToRealX(cornerX);
    originY = ToRealY(cornerY);
}

void DisplayMapping::Scroll(double dx, double dy) {
    // The real position at the window's corner shifts the other way.
    const double x = ToRealX(-dx), y = ToRealY(-dy);
    originX = x;
    originY = y;
}

int DisplayMapping::ZoomPercent() const { return static_cast<int>(std::lround(zoom * 100.0)); }

DisplayMirror& displayMirror() {
    static DisplayMirror mirror;
    return mirror;
}

}  // namespace orvex
