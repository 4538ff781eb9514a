#include "app/palette_bar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"

namespace orvex::app {

PALFILE& palfile() {
    static PALFILE instance;
    return instance;
}

void PALFILE::reset() { *this = PALFILE(); }

std::array<uint32_t, 256> PALFILE::defaultPalette() const {
    std::array<uint32_t, 256> out{};
    for (int i = 0; i < 256; ++i) out[i] = palette_[i] & 0x00FFFFFFu;
    return out;
}

void PALFILE::SetGreyDefaultPalette() {
    for (uint32_t i = 0; i < 256; ++i) palette_[i] = i | (i << 8) | (i << 16);
    loaded_ = true;
}

void PALFILE::LoadDefaultPalette() {
    // A fresh machine has no default palette configured: the grey ramp, silently.
    if (defaultPalettePath.empty() || !ReadDefaultPalette(defaultPalettePath))
        SetGreyDefaultPalette();
}

namespace {

void say(const std::string& caption, const std::string& text) {
    platform::ui().message(text, caption, platform::Buttons::Ok, platform::Icon::None);
}

// Reads one line without its end (LF, CR LF or a lone CR); false at the end of the file.
bool readLine(std::istream& in, std::string& line, size_t limit) {
    line.clear();
    int c;
    bool any = false;
    while ((c = in.get()) != EOF) {
        any = true;
        if (c == '\n') break;
        if (c == '\r') {
            if (in.peek() == '\n') in.get();
            break;
        }
        if (line.size() < limit) line += static_cast<char>(c);
    }
    return any;
}

// The first three runs of decimal digits of the text.
bool threeNumbers(const std::string& text, long long values[3]) {
    int found = 0;
    size_t i = 0;
    while (found < 3) {
        while (i < text.size() && !std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i >= text.size()) return false;
        long long v = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (v < (1LL << 40)) v = v * 10 + (text[i] - '0');
            ++i;
        }
        values[found++] = v;
    }
    return true;
}

}  // namespace

bool PALFILE::ReadDefaultPalette(const std::string& path) {
    palette_.fill(kUndefined);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        say("file open failed", path);
        say("read_pal_menu", path);
        return false;
    }
    std::string line;
    readLine(in, line, 99);
    std::string lower = line;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("false color description for orvex") == std::string::npos) {
        say("not .fc file", "read_pal_menu");
        return false;
    }
    const size_t limit = 5000;
    while (true) {
        if (!readLine(in, line, limit)) {
            say("hit eof", "read_pal_menu");
            return false;
        }
        if (line.find("BEGIN Items") != std::string::npos) break;
    }
    if (!readLine(in, line, limit) || line.find("Interpolate") == std::string::npos) {
        say("Interpolate?", "read_pal_menu");
        return false;
    }
    bool interpolate = line.find('1') != std::string::npos;
    while (true) {
        if (!readLine(in, line, limit)) {
            say("EOF before 'END Items line", "read_pal_menu");
            return false;
        }
        if (line.find("END Items") != std::string::npos) break;
        if (line.find("Item=") == std::string::npos) {
            say("trying to parse non-color line", "parse_color");
            continue;
        }
        long long v[3];
        if (!threeNumbers(line, v)) {
            say("overrun on color string", "parse_colors");
            continue;
        }
        long long first = v[0], last = v[1], colour = v[2];
        if (first < 0 || first > 255 || last < 0 || last > 255 || last < first) {
            say("invalid index", "parse_colors");
            continue;
        }
        if (colour >= 0x1000000) {
            say("invalid color", "parse_colors");
            continue;
        }
        for (long long k = first; k <= last; ++k) palette_[k] = static_cast<uint32_t>(colour);
    }
    if (interpolate) {
        if (palette_[0] == kUndefined) palette_[0] = 0;
        if (palette_[255] == kUndefined) palette_[255] = 0;
        int k = 1;
        while (k < 255) {
            if (palette_[k] != kUndefined) {
                ++k;
                continue;
            }
            int j = k, i = k;
            while (palette_[i + 1] == kUndefined) ++i;
            uint32_t a = palette_[j - 1], b = palette_[i + 1];
            for (int e = j; e <= i; ++e) {
                uint32_t out = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    int ca = static_cast<int>((a >> shift) & 0xFF);
                    int cb = static_cast<int>((b >> shift) & 0xFF);
                    int c = ca + (cb - ca) * (e - j + 1) / (i - j + 2);
                    out |= static_cast<uint32_t>(c & 0xFF) << shift;
                }
                palette_[e] = out;
            }
            k = i + 1;
        }
    }
    loaded_ = true;
    return true;
}

bool PALFILE::StripRect(const PaletteBarImage& image, double& left, double& top, double& right,
                        double& bottom) const {
    double l = image.left, r = image.right, b = image.bottom, t = image.top;
    double w = r - l, h = t - b;
    left = l;
    right = r;
    top = t;
    bottom = b;
    switch (position) {
        case 1:
            bottom = t + 0.05 * h;
            top = t + 0.05 * h + h / 15;
            return true;
        case 2:
            left = l - 0.05 * w - w / 15;
            right = l - 0.05 * w;
            return true;
        case 3:
            left = r + 0.05 * w;
            right = r + 0.05 * w + w / 15;
            return true;
        case 4:
            bottom = b - 0.05 * h - h / 15;
            top = b - 0.05 * h;
            return true;
        default:
            // Told once when the settings are read (ReadBarSettings), never
            // from a repaint, which would show one box per repaint.
            return false;
    }
}

bool PALFILE::ShowsValueRange(const PaletteBarImage& image) const {
    const std::array<uint32_t, 256> ours = defaultPalette();
    return !(image.palette.size() == 256 && std::equal(ours.begin(), ours.end(), image.palette.begin()));
}

bool PALFILE::CheckPosition() {
    if (position >= 1 && position <= 4) return true;
    say("PALFILE::GetValues()", "Bad Palette Position");
    position = kDefaultPosition;
    return false;
}

static std::string fiveDigits(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.5g", v);
    return buffer;
}

void PALFILE::Draw(const PaletteBarImage& image, platform::Surface& surface,
                   const DisplayMapping* mapping) const {
    if (hide) return;
    if (!loaded_) {
        say("no default palette", "PALFILE::Draw()");
        return;
    }
    if (!image.zRegistered) return;

    // Which entries, and what their ends stand for.
    int firstEntry = 0, lastEntry = 255;
    double lowLabel = image.zLow, highLabel = image.zHigh;
    if (ShowsValueRange(image)) {
        int lo = std::max(0, std::min(image.minValue, image.maxValue));
        int hi = std::max(0, std::max(image.minValue, image.maxValue));
        double scale = image.depth > 8 ? 65535.0 : 255.0;
        lowLabel = image.zLow + (image.zHigh - image.zLow) * lo / scale;
        highLabel = image.zLow + (image.zHigh - image.zLow) * hi / scale;
        firstEntry = std::clamp(image.depth > 8 ? lo >> 8 : lo, 0, 255);
        lastEntry = std::clamp(image.depth > 8 ? hi >> 8 : hi, 0, 255);
    }

    double rl, rt, rr, rb;
    if (!StripRect(image, rl, rt, rr, rb)) return;
    if (!mapping) return;
    double ax = mapping->ToWindowX(rl), ay = mapping->ToWindowY(rt);
    double bx = mapping->ToWindowX(rr), by = mapping->ToWindowY(rb);
    platform::Rect strip{static_cast<int>(std::lround(std::min(ax, bx))),
                         static_cast<int>(std::lround(std::min(ay, by))),
                         static_cast<int>(std::lround(std::max(ax, bx))),
                         static_cast<int>(std::lround(std::max(ay, by)))};
    bool horizontal = position == 1 || position == 4;

    surface.setPen({0, 1, platform::PenStyle::Solid});
    surface.setBrush({0, false});
    surface.rectangle(strip);

    int count = lastEntry - firstEntry + 1;
    int length = horizontal ? strip.width() : strip.height();
    for (int k = 0; k < count; ++k) {
        int from = k * length / count, to = (k + 1) * length / count;
        if (to <= from) continue;
        int entry = firstEntry + k;
        uint32_t colour = entry < static_cast<int>(image.palette.size()) ? image.palette[entry] & 0xFFFFFF : 0;
        platform::Rect cell = horizontal
                                  ? platform::Rect{strip.left + from, strip.top, strip.left + to, strip.bottom}
                                  : platform::Rect{strip.left, strip.top + from, strip.right, strip.top + to};
        surface.fillRect(cell, colour);
    }

    if (!label) return;
    const uint32_t grey = 120 | (120 << 8) | (120 << 16);
    surface.setTextColour(black ? 0x000000 : 0xFFFFFF);
    int thickness = horizontal ? strip.height() : strip.width();
    int gap = static_cast<int>(thickness * 0.15);
    std::string unitsText = image.zUnits.empty() ? units : image.zUnits;
    struct Label {
        std::string text;
        double along;  // 0 start of the strip, 0.5 middle, 1 end
    } labels[3] = {{fiveDigits(lowLabel), 0}, {unitsText, 0.5}, {fiveDigits(highLabel), 1}};
    for (const auto& l : labels) {
        platform::Size size = surface.textExtent(l.text);
        int x, y;
        if (horizontal) {
            x = strip.left + static_cast<int>(l.along * strip.width() - l.along * size.width);
            y = position == 1 ? strip.top - gap - size.height : strip.bottom + gap;
        } else {
            y = strip.top + static_cast<int>(l.along * strip.height() - l.along * size.height);
            x = position == 2 ? strip.left - gap - size.width : strip.right + gap;
        }
        surface.fillRect({x, y, x + size.width, y + size.height}, grey);
        surface.text(x, y, l.text);
    }
}

// --- The value range of each window, kept row by row ------------------------

namespace {

// The smallest and largest value of every row of one window, counted again
// only for the rows written since: a repaint during a scan combines the rows
// rather than reading the whole image.
struct RowRanges {
    const Image* image = nullptr;
    int width = 0, height = 0, depth = 0;
    std::vector<uint16_t> low, high;
    std::vector<char> stale;
    bool anyStale = true;
};

std::map<int, RowRanges>& rowRanges() {
    static std::map<int, RowRanges> ranges;
    return ranges;
}

long long& rowsRead() {
    static long long count = 0;
    return count;
}

void markRows(int number, long long first, long long count) {
    auto it = rowRanges().find(number);
    if (it == rowRanges().end()) return;
    RowRanges& r = it->second;
    for (long long row = std::max(0LL, first); row < std::min<long long>(first + count, r.height); ++row) {
        r.stale[static_cast<size_t>(row)] = 1;
        r.anyStale = true;
    }
}

void valueRangeListener(const ImageEvent& event) {
    switch (event.code) {
        case ImageEventLine: markRows(event.window.number, event.first, 1); break;
        case ImageEventBlock:
            markRows(event.window.number, (event.first >> 16) & 0xFFFF, (event.second >> 16) & 0xFFFF);
            break;
        case ImageEventDestroying: rowRanges().erase(event.window.number); break;
        default: break;
    }
}

}  // namespace

bool PaletteBarValueRange(ImageHandle window, int& low, int& high) {
    OrvexView* view = LiveView(window);
    if (!view || !view->image) return false;
    const Image& image = *view->image;
    RowRanges& r = rowRanges()[window.number];
    const bool listening =
        std::find(view->listeners.begin(), view->listeners.end(), &valueRangeListener) != view->listeners.end();
    if (!listening || r.image != &image || r.width != image.Width() || r.height != image.Height() ||
        r.depth != image.Depth()) {
        // A window seen for the first time, or another image in it: every row.
        if (!listening) AddImageListener(window, &valueRangeListener);
        r = RowRanges{&image, image.Width(), image.Height(), image.Depth(), {}, {}, {}, true};
        const size_t rows = static_cast<size_t>(std::max(0, r.height));
        r.low.assign(rows, 65535);
        r.high.assign(rows, 0);
        r.stale.assign(rows, 1);
    }
    if (r.anyStale) {
        const bool wide = image.Depth() > 8;
        std::vector<uint16_t> row(static_cast<size_t>(std::max(0, image.Width())));
        for (int y = 0; y < r.height; ++y) {
            if (!r.stale[static_cast<size_t>(y)]) continue;
            r.stale[static_cast<size_t>(y)] = 0;
            uint16_t lo = 65535, hi = 0;
            ++rowsRead();
            if (image.ReadLine(y, row.data(), 16)) {
                for (uint16_t v : row) {
                    const uint16_t value = wide ? v : static_cast<uint16_t>(v >> 8);
                    lo = std::min(lo, value);
                    hi = std::max(hi, value);
                }
            }
            r.low[static_cast<size_t>(y)] = lo;
            r.high[static_cast<size_t>(y)] = hi;
        }
        r.anyStale = false;
    }
    int lo = 65535, hi = 0;
    for (int y = 0; y < r.height; ++y) {
        lo = std::min<int>(lo, r.low[static_cast<size_t>(y)]);
        hi = std::max<int>(hi, r.high[static_cast<size_t>(y)]);
    }
    if (lo > hi) lo = hi = 0;
    low = lo;
    high = hi;
    return true;
}

long long PaletteBarRowsRead() { return rowsRead(); }

bool DescribeForPaletteBar(ImageHandle window, PaletteBarImage& out) {
    const Image* image = LiveImage(window);
    if (!image) return false;
    orvex::RealPoint lowerLeft, upperRight;
    image->GetLowerLeftUpperRight(lowerLeft, upperRight);
    out.left = lowerLeft.x;
    out.bottom = lowerLeft.y;
    out.right = upperRight.x;
    out.top = upperRight.y;
    const ZRegistration& z = image->GetZRegistration();
    out.zRegistered = z.flag != 0;
    out.zLow = z.low;
    out.zHigh = z.high;
    out.zUnits = z.units;
    out.depth = image->Depth();
    GetPalette(window, out.palette);
    // The range only matters to a bar that shows the entries the pixels use.
    if (out.zRegistered && palfile().ShowsValueRange(out)) PaletteBarValueRange(window, out.minValue, out.maxValue);
    return true;
}

void DrawPaletteBar(ImageHandle window, platform::Surface& surface,
                    const DisplayMapping* printMapping) {
    PALFILE& bar = palfile();
    if (bar.hide) return;
    const Image* shown = LiveImage(window);
    // An image without a Z registration shows no bar: nothing to describe.
    if (!shown || (bar.hasDefaultPalette() && shown->GetZRegistration().flag == 0)) return;
    PaletteBarImage image;
    if (!DescribeForPaletteBar(window, image)) return;
    bar.Draw(image, surface, OverlayMapping(window, printMapping));
}

void ApplyDefaultPalette(ImageHandle window) {
    PALFILE& bar = palfile();
    if (!bar.hasDefaultPalette()) return;
    auto colours = bar.defaultPalette();
    SetPalette(window, colours.data(), 256, PaletteCustom);
}

}  // namespace orvex::app
