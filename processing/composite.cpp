#include "processing/composite.h"

#include <algorithm>
#include <array>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

constexpr int kLeafDepth = 8;  // 2^8 = 256 leaves

uint32_t colourOf(int red, int green, int blue) {
    return static_cast<uint32_t>(blue) << 16 | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(red);
}

uint8_t channel(const ColourTriple& c, int which) {
    return which == 0 ? c.red : which == 1 ? c.green : c.blue;
}

using Extent = std::array<std::array<int, 2>, 3>;  // low and high per channel

// Splits the box [begin, end) down to the leaf depth, appending each leaf's
// mean colour.
void split(ColourTriple* begin, ColourTriple* end, const Extent& extent, int depth,
           std::vector<uint32_t>& leaves) {
    const size_t n = static_cast<size_t>(end - begin);
    if (depth == kLeafDepth) {
        if (n == 0) {
            leaves.push_back(0);
            return;
        }
        uint64_t sum[3] = {0, 0, 0};
        for (const ColourTriple* p = begin; p != end; ++p) {
            sum[0] += p->red;
            sum[1] += p->green;
            sum[2] += p->blue;
        }
        leaves.push_back(colourOf(static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n),
                                  static_cast<int>(sum[2] / n)));
        return;
    }
    int widest = 0;
    for (int c = 1; c < 3; ++c)
        if (extent[c][1] - extent[c][0] > extent[widest][1] - extent[widest][0]) widest = c;

    // The median: the first value at which the running count reaches half.
    std::array<size_t, 256> counts{};
    for (const ColourTriple* p = begin; p != end; ++p) ++counts[channel(*p, widest)];
    const size_t half = n / 2;
    int median = 0;
    for (size_t running = counts[0]; running < half && median < 255;) running += counts[++median];

    Extent low = extent, high = extent;
    ColourTriple* middle;
    if (median == 0 || median == 255) {
        middle = begin + half;  // by position: first half, second half
    } else {
        middle = std::stable_partition(begin, end, [widest, median](const ColourTriple& c) {
            return channel(c, widest) <= median;
        });
        low[widest][1] = median;
        high[widest][0] = median + 1;
    }
    split(begin, middle, low, depth + 1, leaves);
    split(middle, end, high, depth + 1, leaves);
}

double luminance(uint32_t c) {
    return 0.30 * (c & 0xFF) + 0.59 * (c >> 8 & 0xFF) + 0.11 * (c >> 16 & 0xFF);
}

}  // namespace

std::vector<uint32_t> QuickPalette() {
    std::vector<uint32_t> palette(256);
    // Steps of 32 and 64 from black, the levels stored composites were made
    // with: the top entry is (224, 224, 192), not white.
    for (int i = 0; i < 256; ++i) palette[i] = colourOf((i / 32) * 32, ((i / 4) % 8) * 32, (i % 4) * 64);
    return palette;
}

int CompositeSampleStep(int width, int height, int type) {
    const double pixels = static_cast<double>(width) * height * 0.00001;
    const double step = type == CompositeSlightlyOptimized ? 3 * pixels : pixels;
    return std::max(1, static_cast<int>(std::min(step, 1e9)));
}

std::vector<uint32_t> MedianCutPalette(std::vector<ColourTriple>& samples, int colours) {
    std::vector<uint32_t> leaves;
    leaves.reserve(256);
    const Extent all{{{0, 255}, {0, 255}, {0, 255}}};
    split(samples.data(), samples.data() + samples.size(), all, 0, leaves);
    std::stable_sort(leaves.begin(), leaves.end(),
                     [](uint32_t a, uint32_t b) { return luminance(a) < luminance(b); });
    colours = std::clamp(colours, 1, 256);
    const int stride = 256 / colours;
    std::vector<uint32_t> palette(static_cast<size_t>(colours));
    for (int i = 0; i < colours; ++i) palette[i] = leaves[static_cast<size_t>(i * stride)];
    return palette;
}

NearestColour::NearestColour(const std::vector<uint32_t>& palette)
    : keys_(1u << 16, 0), values_(1u << 16, 0) {
    std::vector<int> order(palette.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&palette](int a, int b) { return (palette[a] & 0xFF) < (palette[b] & 0xFF); });
    for (int i : order) {
        const uint32_t c = palette[static_cast<size_t>(i)];
        red_.push_back(static_cast<int>(c & 0xFF));
        green_.push_back(static_cast<int>(c >> 8 & 0xFF));
        blue_.push_back(static_cast<int>(c >> 16 & 0xFF));
        index_.push_back(i);
    }
    int at = 0;
    for (int v = 0; v <= 256; ++v) {
        while (at < static_cast<int>(red_.size()) && red_[static_cast<size_t>(at)] < v) ++at;
        start_[v] = at;
    }
}

uint8_t NearestColour::operator()(uint8_t red, uint8_t green, uint8_t blue) {
    const uint32_t key = colourOf(red, green, blue) + 1;
    const uint32_t slot = (key * 2654435761u) >> 16;
    if (keys_[slot] == key) return values_[slot];
    int best = 0, bestDistance = 1 << 30;
    auto consider = [&](size_t i) {
        const int dg = green_[i] - green, db = blue_[i] - blue, dr = red_[i] - red;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance || (d == bestDistance && index_[i] < best)) {
            best = index_[i];
            bestDistance = d;
        }
    };
    // Outward from the query's red; an entry whose red alone is farther than
    // the best distance so far ends that direction (equal may still tie lower).
    const int n = static_cast<int>(red_.size());
    for (int up = start_[red], down = start_[red] - 1; up < n || down >= 0;) {
        bool moved = false;
        if (up < n) {
            const int dr = red_[static_cast<size_t>(up)] - red;
            if (dr * dr <= bestDistance) {
                consider(static_cast<size_t>(up++));
                moved = true;
            } else {
                up = n;
            }
        }
        if (down >= 0) {
            const int dr = red_[static_cast<size_t>(down)] - red;
            if (dr * dr <= bestDistance) {
                consider(static_cast<size_t>(down--));
                moved = true;
            } else {
                down = -1;
            }
        }
        if (!moved && up >= n && down < 0) break;
    }
    keys_[slot] = key;
    values_[slot] = static_cast<uint8_t>(best);
    return values_[slot];
}

ImageHandle MakeComposite(ImageHandle red, ImageHandle green, ImageHandle blue, int type, int colours) {
    const Image* r = LiveImage(red);
    if (!r || !SameSize(red, green) || !SameSize(red, blue)) return {};
    const int width = r->Width(), height = r->Height();
    const ImageHandle bands[3] = {red, green, blue};

    // The copy of the red band takes the indices. Palette indices are 8-bit
    // values: a band of another depth gets a new 8-bit image in its place.
    ImageHandle result;
    if (r->Depth() == 8) {
        result = DuplicateImage(red, false, true);
    } else {
        result = CreateImage(width, height, PaletteCustom, true, 8);
        if (result && r->IsPositionRegistered()) {
            RealPoint lowerLeft, upperRight;
            GetCorners(red, lowerLeft, upperRight);
            SetRegistration(result, lowerLeft, upperRight);
        }
    }
    if (!result) return {};
    LogHistory(result, "composite: ", true);
    const char* labels[3] = {"  red band: ", "  green band: ", "  blue band: "};
    for (int b = 0; b < 3; ++b) {
        ImageSummary s;
        GetImageSummary(bands[b], s);
        LogHistory(result, labels[b] + s.name, false);
    }

    std::vector<uint8_t> rows[3];
    for (auto& row : rows) row.assign(static_cast<size_t>(width), 0);
    std::vector<uint32_t> palette;
    if (type == CompositeQuick) {
        palette = QuickPalette();
    } else {
        platform::ui().setStatusText(0, "Calculating optimal palette");
        platform::ui().setWaitCursor(true);
        const int step = CompositeSampleStep(width, height, type);
        std::vector<ColourTriple> samples;
        samples.reserve(static_cast<size_t>(width) * static_cast<size_t>((height + step - 1) / step));
        for (int y = 0; y < height; y += step) {
            for (int b = 0; b < 3; ++b) ReadLine8(bands[b], y, rows[b].data());
            for (int x = 0; x < width; ++x) samples.push_back({rows[0][x], rows[1][x], rows[2][x]});
        }
        palette = MedianCutPalette(samples, colours);
        platform::ui().setWaitCursor(false);
    }
    // The palette goes on first so the rows show in their colours as they come.
    SetPalette(result, palette.data(), static_cast<int>(palette.size()), PaletteCustom);

    platform::ui().setStatusText(0, "Doing pixel classification...");
    std::vector<uint8_t> indices(static_cast<size_t>(width));
    NearestColour nearest(palette);
    for (int y = 0; y < height; ++y) {
        for (int b = 0; b < 3; ++b) ReadLine8(bands[b], y, rows[b].data());
        if (type == CompositeQuick) {
            for (int x = 0; x < width; ++x) indices[x] = QuickIndex(rows[0][x], rows[1][x], rows[2][x]);
        } else {
            for (int x = 0; x < width; ++x) indices[x] = nearest(rows[0][x], rows[1][x], rows[2][x]);
        }
        WriteLine8(result, y, indices.data());
        if (RowProgressStep(result, y, height)) break;
    }
    Redraw(result, true);
    return result;
}

}  // namespace orvex
