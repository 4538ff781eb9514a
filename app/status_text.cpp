#include "app/status_text.h"

#include <algorithm>
#include <cstdio>

namespace orvex::app {

namespace {
template <class... A>
std::string format(const char* pattern, A... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}
}  // namespace

std::string ImagePaneText(const std::string& name, int zoomPercent, int width, int height,
                          int paletteCount) {
    return format("%s at %d%% (%dx%dx%d)", name.c_str(), zoomPercent, width, height, paletteCount);
}

std::string PositionPaneText(bool positionRegistered, double x, double y, bool zRegistered, double z) {
    std::string text;
    if (positionRegistered) text = format("X:%.8lg Y:%.8lg ", x, y);
    if (zRegistered) text += format("Z: %.5g", z);
    if (text.empty()) text = "Not Registered";
    return text;
}

std::string PixelPaneText(int column, int row, unsigned value) {
    return format("x:%3d y:%3d v:%3u", column, row, value);
}

std::string BinIndexText(int bin, bool zRegistered, double real) {
    return zRegistered ? format("Index: %d, Real: %.5g", bin, real) : format("Index: %d", bin);
}

InfoHistogram InfoHistogram::Compute(int width, int height,
                                     const std::function<bool(int, uint8_t*)>& readRow8,
                                     const std::function<void(int)>& progress) {
    InfoHistogram h;
    h.width = std::max(0, width);
    h.height = std::max(0, height);
    if (h.width == 0 || h.height == 0) return h;
    std::array<long, 256> bins{};
    std::vector<uint8_t> row(static_cast<size_t>(h.width));
    int step = std::max(1, h.height / 256);
    for (int r = 0; r < h.height; r += step) {
        if (readRow8(r, row.data())) {
            for (uint8_t v : row) ++bins[v];
            h.counted += h.width;
        }
        if (progress) progress(static_cast<int>(100LL * (r + 1) / h.height));
    }
    if (h.counted > 0)
        for (int i = 0; i < 256; ++i) h.percent[i] = 100.0 * bins[i] / h.counted;
    if (progress) progress(100);
    return h;
}

double InfoHistogram::Scale() const {
    double largest = 0, second = 0;
    for (int i = 1; i <= 254; ++i) {
        if (percent[i] > largest) {
            second = largest;
            largest = percent[i];
        } else if (percent[i] > second) {
            second = percent[i];
        }
    }
    // One populated bin alone (or none) would leave nothing to scale by.
    if (second > 0) return second;
    if (largest > 0) return largest;
    return 1.0;
}

std::string InfoHistogram::PixelsText(int bin) const {
    if (bin < 0 || bin > 255) return {};
    double p = percent[bin];
    long pixels = static_cast<long>(static_cast<double>(height) * width * p / 100.0);
    return format("Pixels: %ld (%1.2f%%)", pixels, p);
}

void InfoHistogram::Draw(platform::Surface& surface, const platform::Rect& area,
                         const std::vector<uint32_t>& palette) const {
    if (area.width() <= 0 || area.height() <= 0) return;
    double scale = Scale();
    for (int i = 0; i < 256; ++i) {
        if (percent[i] <= 0) continue;
        int x = area.left + i * area.width() / 256;
        int length = static_cast<int>(std::min(1.0, percent[i] / scale) * area.height());
        if (length <= 0) continue;
        uint32_t colour = i < static_cast<int>(palette.size()) ? palette[i] & 0xFFFFFF : 0xFFFFFF;
        surface.setPen({colour, 1, platform::PenStyle::Solid});
        surface.line(x, area.bottom - 1, x, area.bottom - 1 - length);
    }
}

int InfoHistogram::BinAt(const platform::Rect& area, int x) {
    if (area.width() <= 0 || x < area.left || x >= area.right) return -1;
    return std::clamp((x - area.left) * 256 / area.width(), 0, 255);
}

}  // namespace orvex::app
