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

}  // namespace

void SetViewSize(ImageHandle window, int width, int height) {
    viewSizes()[window.number] = {std::max(0, width), std::max(0, height)};
}

platform::Size ViewSize(ImageHandle window) {
    auto it = viewSizes().find(window.number);
    return it == viewSizes().end() ? platform::Size{0, 0} : it->second;
}

int ZoomExtents(ImageHandle window) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    const platform::Size v = ViewSize(window);
    view->mapping.ShowExtents(*view->image, DisplayMapping::FitZoom(*view->image, v.width, v.height));
    Redraw(window, true);
    return ImageDone;
}

int ZoomToPixels(ImageHandle window, int left, int top, int right, int bottom) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    const platform::Size v = ViewSize(window);
    view->mapping.ZoomToPixels(*view->image, left, top, right, bottom, v.width, v.height);
    Redraw(window, true);
    return ImageDone;
}

int SetZoom(ImageHandle window, double factor) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    if (!(factor > 0) || !std::isfinite(factor)) return ImageRefused;
    const platform::Size v = ViewSize(window);
    view->mapping.ZoomAbout(*view->image, factor, v.width / 2.0, v.height / 2.0);
    Redraw(window, true);
    return ImageDone;
}

int ZoomOut(ImageHandle window) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return ImageNotLive;
    return SetZoom(window, view->mapping.zoom / DisplayMapping::kZoomStep);
}

int ZoomIn(ImageHandle window) {
    if (!LiveView(window)) return ImageNotLive;
    auto rect = platform::ui().pickRectangle(window.number, "Drag Zoom Rectangle");
    if (!rect) return ImageDone;
    return ZoomToPixels(window, rect->left, rect->top, rect->right, rect->bottom);
}

const DisplayMapping* OverlayMapping(ImageHandle window, const DisplayMapping* printMapping) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return nullptr;
    return printMapping ? printMapping : &view->mapping;
}

}  // namespace orvex::app
