// Burn In: what an image window shows (the picture with its scale bar, snap
// marker and palette bar) becomes a new image of palette indices.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "acquisition/acquire_commands.h"
#include "imagestore/history.h"
#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/surface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

// A surface that paints into a buffer of colours (0x00BBGGRR), with the
// window position (originX, originY) at its top-left pixel. Text is not
// rasterised: the overlays' texts do not reach the burnt-in image.
class ColourSurface : public platform::Surface {
public:
    ColourSurface(int width, int height, int originX, int originY)
        : pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0),
          width_(width), height_(height), originX_(originX), originY_(originY) {}

    void setPen(const platform::Pen& pen) override { pen_ = pen; }
    void setBrush(const platform::Brush& brush) override { brush_ = brush; }
    void setTextColour(uint32_t) override {}
    void setFont(const std::string&, int) override {}
    void setXorMode(bool on) override { xor_ = on; }
    void line(int x1, int y1, int x2, int y2) override {
        if (pen_.style == platform::PenStyle::None) return;
        // Bresenham, the last point left out as window systems do.
        int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
        const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
        int error = dx + dy;
        for (int steps = 0; (x1 != x2 || y1 != y2) && steps < 1 << 16; ++steps) {
            plot(x1, y1, pen_.colour);
            const int e2 = 2 * error;
            if (e2 >= dy) {
                error += dy;
                x1 += sx;
            }
            if (e2 <= dx) {
                error += dx;
                y1 += sy;
            }
        }
    }
    void rectangle(const platform::Rect& r) override {
        if (!brush_.hollow) fill(r, brush_.colour);
        line(r.left, r.top, r.right - 1, r.top);
        line(r.right - 1, r.top, r.right - 1, r.bottom - 1);
        line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
        line(r.left, r.bottom - 1, r.left, r.top);
    }
    void fillRect(const platform::Rect& r, uint32_t colour) override { fill(r, colour); }
    void text(int, int, const std::string&) override {}
    platform::Size textExtent(const std::string& text) override {
        return {static_cast<int>(text.size()) * 8, 16};
    }
    void drawStrip(const platform::BitmapStrip& strip, const platform::Rect& source,
                   const platform::Rect& target) override {
        if (!strip.bits || !strip.palette || source.width() <= 0 || source.height() <= 0 ||
            target.width() == 0 || target.height() == 0)
            return;
        const int left = std::min(target.left, target.right), right = std::max(target.left, target.right);
        const int top = std::min(target.top, target.bottom), bottom = std::max(target.top, target.bottom);
        const int x0 = std::max(left, originX_), x1 = std::min(right, originX_ + width_);
        const int y0 = std::max(top, originY_), y1 = std::min(bottom, originY_ + height_);
        if (x0 >= x1 || y0 >= y1) return;
        const double scaleX = static_cast<double>(source.width()) / (right - left);
        const double scaleY = static_cast<double>(source.height()) / (bottom - top);
        const bool mirrorX = target.width() < 0, mirrorY = target.height() < 0;
        std::vector<int> columns(static_cast<size_t>(x1 - x0));
        for (int x = x0; x < x1; ++x) {
            int u = static_cast<int>((x - left + 0.5) * scaleX);
            u = std::clamp(u, 0, source.width() - 1);
            columns[static_cast<size_t>(x - x0)] = source.left + (mirrorX ? source.width() - 1 - u : u);
        }
        for (int y = y0; y < y1; ++y) {
            int v = std::clamp(static_cast<int>((y - top + 0.5) * scaleY), 0, source.height() - 1);
            const int rowFromTop = source.top + (mirrorY ? source.height() - 1 - v : v);
            if (rowFromTop < 0 || rowFromTop >= strip.rows) continue;
            const uint8_t* row = strip.bits + static_cast<size_t>(strip.rows - 1 - rowFromTop) * strip.rowBytes;
            uint32_t* out = &pixels[static_cast<size_t>(y - originY_) * width_ + (x0 - originX_)];
            for (int x = x0; x < x1; ++x) {
                const int column = columns[static_cast<size_t>(x - x0)];
                if (column < 0 || column >= strip.width) continue;
                int index = 0;
                switch (strip.bitCount) {
                    case 1: index = (row[column >> 3] >> (7 - (column & 7))) & 1; break;
                    case 4: index = (row[column >> 1] >> (column & 1 ? 0 : 4)) & 15; break;
                    default: index = row[column]; break;
                }
                const uint8_t* entry = strip.palette + 4 * index;  // blue, green, red, 0
                out[x - x0] = entry[0] << 16 | entry[1] << 8 | entry[2];
            }
        }
    }
    platform::Rect clipBox() override { return {originX_, originY_, originX_ + width_, originY_ + height_}; }

    std::vector<uint32_t> pixels;

private:
    void plot(int x, int y, uint32_t colour) {
        x -= originX_;
        y -= originY_;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        uint32_t& p = pixels[static_cast<size_t>(y) * width_ + x];
        p = xor_ ? (p ^ colour) & 0xFFFFFF : colour;
    }
    void fill(const platform::Rect& r, uint32_t colour) {
        for (int y = std::max(r.top, originY_); y < std::min(r.bottom, originY_ + height_); ++y)
            for (int x = std::max(r.left, originX_); x < std::min(r.right, originX_ + width_); ++x)
                plot(x, y, colour);
    }

    int width_, height_, originX_, originY_;
    platform::Pen pen_;
    platform::Brush brush_;
    bool xor_ = false;
};

// The palette index of a shown colour: the first entry of that colour, else
// the nearest one.
class ColourToIndex {
public:
    explicit ColourToIndex(const std::vector<uint32_t>& palette) : palette_(palette) {}
    uint8_t operator()(uint32_t colour) {
        if (colour == lastColour_ && haveLast_) return lastIndex_;
        int best = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < palette_.size() && i < 256; ++i) {
            const uint32_t p = palette_[i];
            const long dr = static_cast<long>(p & 0xFF) - static_cast<long>(colour & 0xFF);
            const long dg = static_cast<long>(p >> 8 & 0xFF) - static_cast<long>(colour >> 8 & 0xFF);
            const long db = static_cast<long>(p >> 16 & 0xFF) - static_cast<long>(colour >> 16 & 0xFF);
            const long d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) {
                best = static_cast<int>(i);
                bestDistance = d;
                if (d == 0) break;
            }
        }
        haveLast_ = true;
        lastColour_ = colour;
        lastIndex_ = static_cast<uint8_t>(best);
        return lastIndex_;
    }

private:
    const std::vector<uint32_t>& palette_;
    bool haveLast_ = false;
    uint32_t lastColour_ = 0;
    uint8_t lastIndex_ = 0;
};

int clampToInt(double v) { return static_cast<int>(std::lround(std::clamp(v, -1e7, 1e7))); }

}  // namespace

ImageHandle BurnIn() {
    const ImageHandle source = ActiveImageWindow();
    OrvexView* view = LiveView(source);
    if (!view) return {};
    std::vector<uint32_t> palette;
    GetPalette(source, palette);
    const int paletteCount = view->image->PaletteCount();
    if (paletteCount > 0 && palette.size() > static_cast<size_t>(paletteCount))
        palette.resize(static_cast<size_t>(paletteCount));

    // The picture's rectangle in the window.
    RealPoint leftTop, rightBottom;
    view->image->GetCorners(true, leftTop, rightBottom);
    const DisplayMapping& m = view->mapping;
    const int left = clampToInt(std::min(m.ToWindowX(leftTop.x), m.ToWindowX(rightBottom.x)));
    const int right = clampToInt(std::max(m.ToWindowX(leftTop.x), m.ToWindowX(rightBottom.x)));
    const int top = clampToInt(std::min(m.ToWindowY(leftTop.y), m.ToWindowY(rightBottom.y)));
    const int bottom = clampToInt(std::max(m.ToWindowY(leftTop.y), m.ToWindowY(rightBottom.y)));
    const int width = std::max(1, right - left), height = std::max(1, bottom - top);

    std::vector<uint8_t> row;
    std::unique_ptr<ColourSurface> surface;
    try {
        if (static_cast<int64_t>(width) * height > (int64_t{1} << 28)) throw std::bad_alloc();
        surface = std::make_unique<ColourSurface>(width, height, left, top);
        row.resize(static_cast<size_t>(width));
    } catch (const std::bad_alloc&) {
        platform::showMessage("Unable to allocate memory", "BurnIn");
        return {};
    }
    PaintImageWindow(source, *surface);

    const ImageHandle result = CreateImage(width, height, PaletteCustom, true, 8);
    if (!result) return {};
    if (!palette.empty())
        SetPalette(result, palette.data(), static_cast<int>(palette.size()), PaletteCustom);
    ColourToIndex toIndex(palette);
    for (int y = 0; y < height; ++y) {
        const uint32_t* colours = &surface->pixels[static_cast<size_t>(y) * width];
        for (int x = 0; x < width; ++x) row[static_cast<size_t>(x)] = toIndex(colours[x]);
        WriteLine8(result, y, row.data());
    }
    LogHistory(result, "burn in: ", true);
    if (OrvexView* s = LiveView(source)) LogHistory(result, "  source image: " + s->name, false);
    if (OrvexView* r = LiveView(result)) LogHistory(result, "  new image: " + r->name, false);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
