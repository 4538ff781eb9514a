#include "processing/palette_optimize.h"

#include <algorithm>
#include <array>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"

namespace orvex {

double Luminance(uint32_t c) {
    return 0.30 * (c & 0xFF) + 0.59 * ((c >> 8) & 0xFF) + 0.11 * ((c >> 16) & 0xFF);
}

int BitsForColours(int count) { return count <= 2 ? 1 : count > 16 ? 8 : 4; }

PaletteAnalysis AnalysePalette(ImageHandle window) {
    PaletteAnalysis a;
    const Image* image = LiveImage(window);
    if (!image) return a;
    GetPalette(window, a.palette);
    const size_t n = a.palette.size();
    std::array<bool, 256> seen{};
    const int width = image->Width(), height = image->Height();
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (int r = 0; r < height; ++r) {
        if (ReadLine8(window, r, row.data()) != ImageDone) break;
        for (const uint8_t v : row) seen[v] = true;
    }
    a.used.assign(n, false);
    for (size_t i = 0; i < n; ++i) {
        a.used[i] = seen[i];
        if (!seen[i]) a.unused = true;
        if (std::find(a.palette.begin(), a.palette.begin() + static_cast<long>(i), a.palette[i]) !=
            a.palette.begin() + static_cast<long>(i))
            a.duplicates = true;
        if (i > 0 && Luminance(a.palette[i]) < Luminance(a.palette[i - 1])) a.sorted = false;
    }
    return a;
}

std::vector<uint32_t> OptimizedPalette(const PaletteAnalysis& a, bool compress, bool remove, bool sort) {
    struct Entry {
        uint32_t colour;
        size_t index;
    };
    std::vector<Entry> list;
    for (size_t i = 0; i < a.palette.size(); ++i) {
        const uint32_t c = a.palette[i];
        if (compress && std::any_of(list.begin(), list.end(), [c](const Entry& e) { return e.colour == c; }))
            continue;
        list.push_back({c, i});
    }
    if (remove) {
        // Colours that some pixel shows, through any index.
        std::vector<uint32_t> needed;
        for (size_t i = 0; i < a.palette.size(); ++i)
            if (i < a.used.size() && a.used[i]) needed.push_back(a.palette[i]);
        std::vector<Entry> kept;
        for (const Entry& e : list)
            if (e.index < a.used.size() && a.used[e.index]) kept.push_back(e);
        // Removing an unused index must not take away the only entry left
        // of a colour that used (compressed) indices point at.
        for (const Entry& e : list) {
            const bool needs = std::find(needed.begin(), needed.end(), e.colour) != needed.end();
            const bool present =
                std::any_of(kept.begin(), kept.end(), [&e](const Entry& k) { return k.colour == e.colour; });
            if (needs && !present) {
                auto at = std::find_if(kept.begin(), kept.end(), [&e](const Entry& k) { return k.index > e.index; });
                kept.insert(at, e);
            }
        }
        list = std::move(kept);
    }
    if (sort)
        std::stable_sort(list.begin(), list.end(),
                         [](const Entry& x, const Entry& y) { return Luminance(x.colour) < Luminance(y.colour); });
    std::vector<uint32_t> out;
    out.reserve(list.size());
    for (const Entry& e : list) out.push_back(e.colour);
    return out;
}

ImageHandle OptimizePalette(ImageHandle window, bool compress, bool remove, bool sort) {
    const PaletteAnalysis a = AnalysePalette(window);
    const Image* source = LiveImage(window);
    if (!source || a.palette.empty()) return {};
    std::vector<uint32_t> list = OptimizedPalette(a, compress, remove, sort);
    if (list.empty()) list.push_back(a.palette[0]);  // a palette keeps at least one entry
    std::array<uint8_t, 256> map{};
    for (size_t i = 0; i < a.palette.size(); ++i) {
        const auto at = std::find(list.begin(), list.end(), a.palette[i]);
        map[i] = at == list.end() ? 0 : static_cast<uint8_t>(at - list.begin());
    }
    const int width = source->Width(), height = source->Height();
    const bool registered = source->IsPositionRegistered();
    const ZRegistration z = source->GetZRegistration();
    const ImageHandle result =
        CreateImage(width, height, PaletteCustom, false, BitsForColours(static_cast<int>(list.size())));
    if (!result) return {};
    SetPalette(result, list.data(), static_cast<int>(list.size()), PaletteCustom);
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (int r = 0; r < height; ++r) {
        if (ReadLine8(window, r, row.data()) != ImageDone) break;
        for (uint8_t& v : row) v = map[v];
        WriteLine8(result, r, row.data());
    }
    if (registered) {
        RealPoint lowerLeft, upperRight;
        GetCorners(window, lowerLeft, upperRight);
        SetRegistration(result, lowerLeft, upperRight);
    }
    SetZRegistration(result, z);
    ImageSummary s, t;
    GetImageSummary(window, s);
    GetImageSummary(result, t);
    LogHistory(result, "optimize palette: ", true);
    LogHistory(result, "  source image: " + s.name, false);
    LogHistory(result, "  new image: " + t.name, false);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
