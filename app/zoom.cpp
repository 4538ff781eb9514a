#include "app/zoom.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"

namespace orvex::app {

namespace {

std::map<int, platform::Size>& viewSizes() {
    static std::map<int, platform::Size> sizes;
    return sizes;
}

// Without a known view the window is taken to be as large as the picture at 100 %.
platform::Size effectiveView(ImageHandle window, const Image& image) {
    platform::Size v = ViewSize(window);
    if (v.width > 0 && v.height > 0) return v;
    return {image.Width(), image.Height()};
}

double unitsX(const Image& image) {
    double g = image.UnitsPerPixelX();
    return g != 0 && std::isfinite(g) ? g : 1.0;
}

double unitsY(const Image& image) {
    double g = image.UnitsPerPixelY();
    return g != 0 && std::isfinite(g) ? g : 1.0;
}

// Scales the mapping to the factor, keeping the real point under the window
// position (cx, cy) where it is.
void zoomAbout(DisplayMapping& m, const Image& image, double factor, double cx, double cy) {
    double rx = m.ToRealX(cx), ry = m.ToRealY(cy);
    m.zoom = std::clamp(factor, kMinZoom, kMaxZoom);
    m.pixelsPerUnitX = m.zoom / unitsX(image);
    m.pixelsPerUnitY = m.zoom / unitsY(image);
    m.originX = rx - cx / m.pixelsPerUnitX;
    m.originY = ry + cy / m.pixelsPerUnitY;
}

}  // namespace

void SetViewSize(ImageHandle window, int width, int height) {
    viewSizes()[window.number] = {std::max(0, width), std::max(0, height)};
}

platform::Size ViewSize(ImageHandle window) {
    auto it = viewSizes().find(window.number);
    return it == viewSizes().end() ? platform::Size{0, 0} : it->second;
}

int ZoomPercent(const DisplayMapping& mapping) {
    return static_cast<int>(std::lround(mapping.zoom * 100.0));
}

int ZoomExtents(ImageHandle window) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    platform::Size v = ViewSize(window);
    double factor = 1.0;
    if (v.width > 0 && v.height > 0)
        factor = std::clamp(std::min(static_cast<double>(v.width) / view->image->Width(),
                                     static_cast<double>(v.height) / view->image->Height()),
                            kMinZoom, kMaxZoom);
    view->mapping.ShowExtents(*view->image, factor);
    Redraw(window, true);
    return ImageDone;
}

int ZoomToPixels(ImageHandle window, int left, int top, int right, int bottom) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    const Image& image = *view->image;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    left = std::clamp(left, 0, image.Width() - 1);
    right = std::clamp(right, 0, image.Width() - 1);
    top = std::clamp(top, 0, image.Height() - 1);
    bottom = std::clamp(bottom, 0, image.Height() - 1);
    platform::Size v = effectiveView(window, image);
    double factor = std::min(static_cast<double>(v.width) / (right - left + 1),
                             static_cast<double>(v.height) / (bottom - top + 1));
    DisplayMapping& m = view->mapping;
    m.zoom = std::clamp(factor, kMinZoom, kMaxZoom);
    m.pixelsPerUnitX = m.zoom / unitsX(image);
    m.pixelsPerUnitY = m.zoom / unitsY(image);
    RealPoint corner = image.PixelToReal(left - 0.5, top - 0.5);
    m.originX = corner.x;
    m.originY = corner.y;
    Redraw(window, true);
    return ImageDone;
}

int SetZoom(ImageHandle window, double factor) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    if (!(factor > 0) || !std::isfinite(factor)) return ImageRefused;
    platform::Size v = ViewSize(window);
    zoomAbout(view->mapping, *view->image, factor, v.width / 2.0, v.height / 2.0);
    Redraw(window, true);
    return ImageDone;
}

int ZoomOut(ImageHandle window) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    return SetZoom(window, view->mapping.zoom * 0.5);
}

int ZoomIn(ImageHandle window) {
    if (!LiveView(window)) return ImageNotLive;
    auto rect = platform::ui().pickRectangle(window.number, "Drag Zoom Rectangle");
    if (!rect) return ImageDone;
    return ZoomToPixels(window, rect->left, rect->top, rect->right, rect->bottom);
}

double MappedImage::toWindowX(double x) const {
    double w = mapping->ToWindowX(x);
    if (mapping->mirrorHorizontal) w = mapping->ToWindowX(left) + mapping->ToWindowX(right) - w;
    return w;
}

double MappedImage::toWindowY(double y) const {
    double w = mapping->ToWindowY(y);
    if (mapping->mirrorVertical) w = mapping->ToWindowY(top) + mapping->ToWindowY(bottom) - w;
    return w;
}

double MappedImage::lengthX(double length) const {
    return std::fabs(length * mapping->pixelsPerUnitX);
}

double MappedImage::lengthY(double length) const {
    return std::fabs(length * mapping->pixelsPerUnitY);
}

MappedImage MapWindow(ImageHandle window, const DisplayMapping* printMapping) {
    MappedImage mapped;
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return mapped;
    mapped.mapping = printMapping ? printMapping : &view->mapping;
    RealPoint leftTop, rightBottom;
    view->image->GetCorners(true, leftTop, rightBottom);
    mapped.left = leftTop.x;
    mapped.top = leftTop.y;
    mapped.right = rightBottom.x;
    mapped.bottom = rightBottom.y;
    return mapped;
}

}  // namespace orvex::app
