#include "imagestore/image_display.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex {

namespace {

bool Overlaps(const platform::Rect& a, const platform::Rect& b) {
    const int aLeft = std::min(a.left, a.right), aRight = std::max(a.left, a.right);
    const int aTop = std::min(a.top, a.bottom), aBottom = std::max(a.top, a.bottom);
    return aLeft < b.right && b.left < aRight && aTop < b.bottom && b.top < aBottom;
}

int Round(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9)));
}

struct Span {
    int first = 0;
    int last = -1;
};

// The source rows (or columns) a stretch of `count` of them drawn from `from`
// to `to` (reversed when mirrored) shows inside [clipFrom, clipTo): the
// surfaces pick the source of a target pixel d as d * count / length, so the
// ends of the visible part give the span; one more on each side covers the
// rounding of any other surface.
Span VisibleSource(int from, int to, int clipFrom, int clipTo, int count) {
    const bool reversed = to < from;
    const long low = std::min(from, to), length = std::abs(to - from);
    if (length <= 0 || count <= 0) return {};
    const long v0 = std::max<long>(low, clipFrom), v1 = std::min<long>(low + length, clipTo);
    if (v1 <= v0) return {};
    auto source = [&](long x) {
        long d = x - low;
        if (reversed) d = length - 1 - d;
        return d * count / length;
    };
    const long a = source(v0), b = source(v1 - 1);
    return {static_cast<int>(std::clamp<long>(std::min(a, b) - 1, 0, count - 1)),
            static_cast<int>(std::clamp<long>(std::max(a, b) + 1, 0, count - 1))};
}

}  // namespace

int DrawImageWindow(ImageHandle window, platform::Surface& surface, int onlyStrip) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    Image& image = *view->image;
    if (!image.IsAllocated()) return ImageDone;
    const auto& strips = image.Strips();
    if (onlyStrip >= static_cast<int>(strips.size())) return ImageRefused;

    const platform::Rect clip = surface.clipBox();
    const DisplayMapping& mapping = view->mapping;
    RealPoint leftTop, rightBottom;
    image.GetCorners(true, leftTop, rightBottom);
    const double left = mapping.ToWindowX(leftTop.x), right = mapping.ToWindowX(rightBottom.x);
    const double top = mapping.ToWindowY(leftTop.y), bottom = mapping.ToWindowY(rightBottom.y);
    const double rowHeight = (bottom - top) / image.Height();

    const bool sixteen = image.StorageDepth() == 16;
    const int width = image.Width();
    const size_t displayRowBytes = (static_cast<size_t>(width) + 3) / 4 * 4;
    const bool active = windowList().Active() == window;

    for (int s = 0; s < static_cast<int>(strips.size()); ++s) {
        if (onlyStrip >= 0 && s != onlyStrip) continue;
        const ImageStrip& strip = strips[s];
        const int rows = strip.lastRow - strip.firstRow + 1;
        // The band of the strip in the window, before mirroring.
        const double bandTop = top + strip.firstRow * rowHeight;
        const double bandBottom = top + (strip.lastRow + 1) * rowHeight;
        platform::Rect target{Round(left), Round(bandTop), Round(right), Round(bandBottom)};
        if (mapping.mirrorHorizontal) {
            // Mirrored about the picture, drawn with a negative width.
            target.left = Round(right);
            target.right = Round(left);
        }
        if (mapping.mirrorVertical) {
            const double mirroredTop = top + bottom - bandBottom;
            const double mirroredBottom = top + bottom - bandTop;
            target.top = Round(mirroredBottom);
            target.bottom = Round(mirroredTop);
        }
        if (!Overlaps(target, clip)) continue;

        platform::BitmapStrip bitmap;
        bitmap.width = width;
        bitmap.rows = rows;
        bitmap.palette = image.PaletteBytes();
        if (sixteen) {
            const size_t need = displayRowBytes * static_cast<size_t>(rows);
            if (view->displayBuffer.size() != need) {
                try {
                    view->displayBuffer.assign(need, 0);
                } catch (const std::bad_alloc&) {
                    view->displayBuffer.clear();
                    view->displayBuffer.shrink_to_fit();
                    platform::showMessage("Not enough memory for display buffer", "DrawDI()");
                    return ImageDone;
                }
            }
            // Only the rows and columns that land in the clip are converted:
            // a line written during a scan repaints one band, and converting
            // the whole strip for it would cost more than drawing it. The
            // strip is bottom-up, and so is the buffer: row k of both holds
            // the same image row.
            const Span shownRows = VisibleSource(target.top, target.bottom, clip.top, clip.bottom, rows);
            const Span shownColumns = VisibleSource(target.left, target.right, clip.left, clip.right, width);
            for (int r = shownRows.first; r <= shownRows.last; ++r) {
                const int k = rows - 1 - r;
                const uint8_t* source = strip.pixels.get() + static_cast<size_t>(k) * image.RowBytes();
                uint8_t* dest = view->displayBuffer.data() + static_cast<size_t>(k) * displayRowBytes;
                for (int c = shownColumns.first; c <= shownColumns.last; ++c) dest[c] = source[2 * c + 1];
            }
            bitmap.bits = view->displayBuffer.data();
            bitmap.rowBytes = static_cast<int>(displayRowBytes);
            bitmap.bitCount = 8;
        } else {
            bitmap.bits = strip.pixels.get();
            bitmap.rowBytes = static_cast<int>(image.RowBytes());
            bitmap.bitCount = image.StorageDepth();
        }
        image.SetHeaderRows(rows);
        surface.drawStrip(bitmap, platform::Rect{0, 0, width, rows}, target);
        const bool more = onlyStrip < 0 && s + 1 < static_cast<int>(strips.size());
        if (more && active && platform::ui().takeEscape()) break;
    }
    return ImageDone;
}

int PaintImageWindow(ImageHandle window, platform::Surface& surface) {
    if (const int result = DrawImageWindow(window, surface); result != ImageDone) return result;
    ImageEvent event;
    event.code = ImageEventPainted;
    event.surface = &surface;
    return NotifyImageListeners(window, event);
}

}  // namespace orvex
