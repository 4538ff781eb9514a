#include "app/display_mapping.h"

#include <algorithm>
#include <cmath>

namespace orvex::app {

void DisplayMapping::setFromCorners(double left, double top, double right, double bottom, int width,
                                    int height) {
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    scrollX_ = 0;
    scrollY_ = 0;
}

void DisplayMapping::setViewSize(int width, int height) {
    view_ = {std::max(0, width), std::max(0, height)};
}

int DisplayMapping::zoomPercent() const { return static_cast<int>(std::lround(zoom_ * 100.0)); }

// Without a known view the window is taken to be as large as the picture.
static platform::Size effectiveView(platform::Size view, int width, int height, double zoom) {
    if (view.width > 0 && view.height > 0) return view;
    return {static_cast<int>(width * zoom), static_cast<int>(height * zoom)};
}

void DisplayMapping::setZoom(double factor) {
    if (!(factor > 0)) return;
    factor = std::clamp(factor, kMinZoom, kMaxZoom);
    platform::Size view = effectiveView(view_, width_, height_, zoom_);
    double centreX = (view.width / 2.0 + scrollX_) / zoom_;
    double centreY = (view.height / 2.0 + scrollY_) / zoom_;
    zoom_ = factor;
    scrollTo(static_cast<int>(std::lround(centreX * zoom_ - view.width / 2.0)),
             static_cast<int>(std::lround(centreY * zoom_ - view.height / 2.0)));
}

void DisplayMapping::zoomToPixels(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    left = std::clamp(left, 0, width_ - 1);
    right = std::clamp(right, 0, width_ - 1);
    top = std::clamp(top, 0, height_ - 1);
    bottom = std::clamp(bottom, 0, height_ - 1);
    platform::Size view = effectiveView(view_, width_, height_, 1.0);
    double w = right - left + 1, h = bottom - top + 1;
    zoom_ = std::clamp(std::min(view.width / w, view.height / h), kMinZoom, kMaxZoom);
    // The rectangle's window edges at this zoom with no scrolling, then scroll
    // so its nearer corner sits at the window's top-left.
    scrollX_ = scrollY_ = 0;
    WindowPoint a = pixelToWindow(left - 0.5, top - 0.5);
    WindowPoint b = pixelToWindow(right + 0.5, bottom + 0.5);
    scrollTo(static_cast<int>(std::lround(std::min(a.x, b.x))),
             static_cast<int>(std::lround(std::min(a.y, b.y))));
}

void DisplayMapping::zoomOut() { setZoom(zoom_ * 0.5); }

void DisplayMapping::extents() {
    if (view_.width > 0 && view_.height > 0)
        zoom_ = std::clamp(std::min(static_cast<double>(view_.width) / width_,
                                    static_cast<double>(view_.height) / height_),
                           kMinZoom, kMaxZoom);
    else
        zoom_ = 1.0;
    scrollX_ = scrollY_ = 0;
}

void DisplayMapping::scrollTo(int x, int y) {
    platform::Size view = effectiveView(view_, width_, height_, zoom_);
    int maxX = std::max(0, static_cast<int>(std::ceil(width_ * zoom_)) - view.width);
    int maxY = std::max(0, static_cast<int>(std::ceil(height_ * zoom_)) - view.height);
    scrollX_ = std::clamp(x, 0, maxX);
    scrollY_ = std::clamp(y, 0, maxY);
}

double DisplayMapping::unitsPerPixelX() const {
    double d = width_ > 1 ? (right_ - left_) / (width_ - 1) : 0;
    return d != 0 && std::isfinite(d) ? d : 1.0;
}

double DisplayMapping::unitsPerPixelY() const {
    double d = height_ > 1 ? (top_ - bottom_) / (height_ - 1) : 0;
    return d != 0 && std::isfinite(d) ? d : 1.0;
}

WindowPoint DisplayMapping::pixelToWindow(double column, double row) const {
    double x = mirrorHorizontal ? width_ - (column + 0.5) : column + 0.5;
    double y = mirrorVertical ? height_ - (row + 0.5) : row + 0.5;
    return {x * zoom_ - scrollX_, y * zoom_ - scrollY_};
}

RealPoint DisplayMapping::windowToPixel(WindowPoint p) const {
    double x = (p.x + scrollX_) / zoom_;
    double y = (p.y + scrollY_) / zoom_;
    if (mirrorHorizontal) x = width_ - x;
    if (mirrorVertical) y = height_ - y;
    return {x - 0.5, y - 0.5};
}

WindowPoint DisplayMapping::realToWindow(RealPoint p) const {
    double column = (p.x - left_) / unitsPerPixelX();
    double row = (top_ - p.y) / unitsPerPixelY();
    return pixelToWindow(column, row);
}

RealPoint DisplayMapping::windowToReal(WindowPoint p) const {
    RealPoint pixel = windowToPixel(p);
    return {left_ + pixel.x * unitsPerPixelX(), top_ - pixel.y * unitsPerPixelY()};
}

double DisplayMapping::realToWindowLengthX(double length) const {
    return std::fabs(length / unitsPerPixelX() * zoom_);
}

double DisplayMapping::realToWindowLengthY(double length) const {
    return std::fabs(length / unitsPerPixelY() * zoom_);
}

platform::Rect DisplayMapping::imageTarget() const {
    int w = static_cast<int>(std::lround(width_ * zoom_));
    int h = static_cast<int>(std::lround(height_ * zoom_));
    platform::Rect r{-scrollX_, -scrollY_, w - scrollX_, h - scrollY_};
    if (mirrorHorizontal) std::swap(r.left, r.right);
    if (mirrorVertical) std::swap(r.top, r.bottom);
    return r;
}

}  // namespace orvex::app
