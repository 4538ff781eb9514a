#include "processing/contrast.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/value_range.h"
#include "platform/ui.h"
#include "processing/contrast_histogram.h"

namespace orvex {

int StretchPalette(ImageHandle window, const uint32_t* base) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    if (!base) return ImageRefused;
    unsigned min = 0, max = 0;
    OV_ScanForMinMax(image, min, max);
    if (image->BytesPerPixel() > 1) {
        // The palette indexes the high byte of a 16-bit value.
        min /= 256;
        max /= 256;
    }
    if (max > 255) max = 255;
    if (static_cast<int>(max) - static_cast<int>(min) <= 0) return ImageDone;
    std::array<uint32_t, 256> palette{};
    for (unsigned i = 0; i < min; ++i) palette[i] = 0;
    for (unsigned i = max + 1; i < 256; ++i) palette[i] = 0xFFFFFF;
    for (unsigned i = min; i <= max; ++i) palette[i] = base[(i - min) * 255 / (max - min)];
    int result = SetPalette(window, palette.data(), 256, PaletteCustom);
    if (result == ImageDone) Redraw(window, false);
    return result;
}

namespace {

std::string nameOf(ImageHandle window) {
    ImageSummary s;
    GetImageSummary(window, s);
    return s.name;
}

void finishProgress(ImageHandle window) {
    if (Image* image = LiveImage(window)) image->ReportProgress(100);
}

void setCustomPalette(ImageHandle window, const uint32_t* colours, int count) {
    SetPalette(window, colours, count, PaletteCustom);
    Redraw(window, false);
}

// Runs every row of a copy through a per-row transform, with the shared
// progress step; Yes to its question leaves the rest as copied.
template <class Pixel, class Transform>
void transformRows(ImageHandle source, ImageHandle copy, Transform transform) {
    const Image* image = LiveImage(copy);
    if (!image) return;
    const int width = image->Width(), height = image->Height();
    std::vector<Pixel> row(static_cast<size_t>(width));
    for (int r = 0; r < height; ++r) {
        int read;
        if constexpr (sizeof(Pixel) == 2) read = ReadLine16(source, r, row.data());
        else read = ReadLine8(source, r, row.data());
        if (read != ImageDone) break;
        transform(row.data(), width);
        if constexpr (sizeof(Pixel) == 2) WriteLine16(copy, r, row.data());
        else WriteLine8(copy, r, row.data());
        if (RowProgressStep(copy, r, height)) break;
    }
    Redraw(copy, true);
}

std::vector<int> boundaries(const std::vector<float>& shares, int classes, int first, int last,
                            int top, int fill) {
    const int k = std::max(1, classes);
    // Boundaries the walk does not find are the last one: empty classes.
    std::vector<int> b(static_cast<size_t>(k) + 1, fill);
    b[0] = 0;
    const double target = (100.0 - shares[static_cast<size_t>(top)] - shares[0]) / k;
    double sum = 0;
    int found = 1;
    for (int v = first; v <= last && found < k; ++v) {
        sum += shares[static_cast<size_t>(v)];
        if (sum > target) {
            b[static_cast<size_t>(found++)] = v;
            sum = 0;
        }
    }
    return b;
}

}  // namespace

std::vector<int> EqualizationBoundaries(const std::vector<float>& shares, int classes) {
    std::vector<float> p(shares);
    p.resize(256, 0.0f);
    return boundaries(p, classes, 1, 254, 255, 255);
}

std::vector<int> EqualizationBoundaries16(const std::vector<float>& shares, int classes) {
    std::vector<float> p(shares);
    p.resize(65536, 0.0f);
    int highest = 65535;
    for (int v = 65535; v >= 1; --v)
        if (p[static_cast<size_t>(v)] != 0.0f) {
            highest = v;
            break;
        }
    return boundaries(p, classes, 0, 65534, 65535, highest);
}

int EqualizedValue(const std::vector<int>& b, double scale, int value, int top) {
    const int k = static_cast<int>(b.size()) - 1;
    for (int j = 0; j < k; ++j) {
        const int lo = b[static_cast<size_t>(j)], hi = b[static_cast<size_t>(j) + 1];
        if (lo == hi || value < lo || value >= hi) continue;
        const double t = j * scale + scale * (value - lo) / (hi - lo);
        int out = static_cast<int>(t);
        if (top == 255 && out == 256) out = 255;
        return std::clamp(out, 0, top);
    }
    return value;
}

ImageHandle HistogramEqualize(ImageHandle window, int classes, ContrastTransform transform) {
    Image* image = LiveImage(window);
    if (!image || classes < 1) return {};
    const int n = image->PaletteCount();

    if (image->Depth() == 16 && transform == ContrastTransform::Image) {
        const std::vector<float> p = PercentHistogram16(window);
        const std::vector<int> b = EqualizationBoundaries16(p, classes);
        const double scale = 100.0 / classes * 655.36;
        std::vector<uint16_t> map(65536);
        for (int v = 0; v < 65536; ++v)
            map[static_cast<size_t>(v)] = static_cast<uint16_t>(
                v >= b.back() ? v : EqualizedValue(b, scale, v, 65535));
        const ImageHandle copy = DuplicateImage(window, false, true);
        if (!copy) return {};
        transformRows<uint16_t>(copy, copy, [&map](uint16_t* row, int width) {
            for (int x = 0; x < width; ++x) row[x] = map[row[x]];
        });
        finishProgress(copy);
        return copy;
    }

    const std::vector<float> p = PercentHistogram(window);
    const std::vector<int> b = EqualizationBoundaries(p, classes);
    const double scale = 100.0 / classes * n * 0.01;

    if (transform == ContrastTransform::Image) {
        std::array<uint8_t, 256> map{};
        for (int v = 0; v < 256; ++v) map[v] = static_cast<uint8_t>(EqualizedValue(b, scale, v, 255));
        const ImageHandle copy = DuplicateImage(window, false, true);
        if (!copy) return {};
        transformRows<uint8_t>(copy, copy, [&map](uint8_t* row, int width) {
            for (int x = 0; x < width; ++x) row[x] = map[row[x]];
        });
        finishProgress(copy);
        return copy;
    }

    std::vector<uint32_t> old;
    GetPalette(window, old);
    if (old.empty()) return {};
    std::array<uint32_t, 256> palette{};
    for (size_t i = 0; i < palette.size() && i < old.size(); ++i) palette[i] = old[i];
    const int k = static_cast<int>(b.size()) - 1;
    int j = 0;
    for (int i = 0; i < 256 && j < k; ++i) {
        const int lo = b[static_cast<size_t>(j)], hi = b[static_cast<size_t>(j) + 1];
        if (lo != hi) {
            int index = static_cast<int>(j * scale + scale * (i - lo) / (hi - lo));
            if (index == 256) index = 255;
            // A short palette has no entry N: its last entry stands in.
            index = std::clamp(index, 0, static_cast<int>(old.size()) - 1);
            palette[static_cast<size_t>(i)] = old[static_cast<size_t>(index)];
        }
        if (i == hi) ++j;
    }
    setCustomPalette(window, palette.data(), n);
    finishProgress(window);
    return window;
}

StretchEnds LinearStretchEnds(const std::vector<float>& shares, double lowCut, double highCut) {
    std::vector<float> p(shares);
    p.resize(256, 0.0f);
    StretchEnds ends;
    double sum = 0;
    for (int v = 0; v < 256; ++v) {
        sum += p[static_cast<size_t>(v)];
        if (sum > lowCut) {
            ends.low = v;
            break;
        }
    }
    sum = 0;
    for (int v = 255; v >= 0; --v) {
        sum += p[static_cast<size_t>(v)];
        if (sum > highCut) {
            ends.high = v;
            break;
        }
    }
    if (ends.low == ends.high) {
        if (ends.low == 0) ends.high = 1;
        else if (ends.high == 255) ends.low = 254;
    }
    return ends;
}

namespace {

void logStretchCopy(ImageHandle source, ImageHandle copy) {
    LogHistory(copy, "Linear Stretch (transform image):  ", true);
    LogHistory(copy, "  old image: " + nameOf(source), false);
    LogHistory(copy, "  new image: " + nameOf(copy), false);
}

}  // namespace

ImageHandle LinearStretch(ImageHandle window, bool usePercentage, double starting, double ending,
                          ContrastTransform transform) {
    Image* image = LiveImage(window);
    if (!image) return {};
    const double lowCut = usePercentage ? starting : 0.0;
    const double highCut = usePercentage ? ending : 0.0;
    const int n = image->PaletteCount();

    if (image->Depth() == 16 && transform == ContrastTransform::Image) {
        const std::vector<float> p = PercentHistogram16(window);
        int f = 0, h = 65535;
        double sum = 0;
        for (int v = 0; v < 65536; ++v) {
            sum += p[static_cast<size_t>(v)];
            if (sum > lowCut) {
                f = v;
                break;
            }
        }
        sum = 0;
        for (int v = 65535; v >= 0; --v) {
            sum += p[static_cast<size_t>(v)];
            if (sum > highCut) {
                h = v;
                break;
            }
        }
        if (h == f) return {};
        const ImageHandle copy = DuplicateImage(window, false, true);
        if (!copy) return {};
        logStretchCopy(window, copy);
        const long double factor = 65535.0L / (h - f);
        std::vector<uint16_t> map(65536);
        for (int d = 0; d < 65536; ++d) {
            const long double t = (d - f) * factor;
            if (t < 0) map[static_cast<size_t>(d)] = 0;
            else if (static_cast<float>(t) > 65535.0f) map[static_cast<size_t>(d)] = 65535;
            else map[static_cast<size_t>(d)] = static_cast<uint16_t>(std::min<long double>(t, 65535.0L));
        }
        transformRows<uint16_t>(window, copy, [&map](uint16_t* row, int width) {
            for (int x = 0; x < width; ++x) row[x] = map[row[x]];
        });
        finishProgress(copy);
        return copy;
    }

    const StretchEnds ends = LinearStretchEnds(PercentHistogram(window), lowCut, highCut);
    const int f = ends.low, top = ends.high;

    if (transform == ContrastTransform::Image) {
        const ImageHandle copy = DuplicateImage(window, false, true);
        if (!copy) return {};
        logStretchCopy(window, copy);
        std::array<uint8_t, 256> map{};
        if (top == f) {
            // Both ends on one value: the factor is infinite, so everything
            // above it is white and everything at or below it black.
            for (int m = 0; m < 256; ++m) map[m] = m > f ? 255 : 0;
        } else {
            const float factor = static_cast<float>(n) / static_cast<float>(top - f);
            for (int m = 0; m < 256; ++m) {
                const float t = static_cast<float>(m - f) * factor;
                map[m] = t < 0 ? 0 : t > 255 ? 255 : static_cast<uint8_t>(t);
            }
        }
        transformRows<uint8_t>(window, copy, [&map](uint8_t* row, int width) {
            for (int x = 0; x < width; ++x) row[x] = map[row[x]];
        });
        finishProgress(copy);
        return copy;
    }

    std::vector<uint32_t> old;
    GetPalette(window, old);
    if (old.empty()) return {};
    constexpr uint32_t kUnset = 0xFF000000u;
    std::array<uint32_t, 256> palette;
    palette.fill(kUnset);
    const float step = old.size() > 1 ? static_cast<float>(top - f) / static_cast<float>(old.size() - 1) : 0.0f;
    float h = static_cast<float>(f);
    for (size_t i = 0; i < old.size(); ++i) {
        const int at = std::clamp(static_cast<int>(h), 0, 255);
        if (palette[static_cast<size_t>(at)] == kUnset) palette[static_cast<size_t>(at)] = old[i];
        h += step;
    }
    for (int i = 0; i < f && i < 256; ++i)
        if (palette[static_cast<size_t>(i)] == kUnset) palette[static_cast<size_t>(i)] = 0;
    for (int i = 255; i >= top && i >= 0; --i)
        if (palette[static_cast<size_t>(i)] == kUnset) palette[static_cast<size_t>(i)] = 0xFFFFFF;
    // A short palette spread over a wide range leaves gaps: each takes the
    // colour below it, so the ramp shows steps rather than holes.
    for (int i = 0; i < 256; ++i)
        if (palette[static_cast<size_t>(i)] == kUnset) palette[static_cast<size_t>(i)] = i > 0 ? palette[static_cast<size_t>(i) - 1] : 0;
    setCustomPalette(window, palette.data(), n);
    finishProgress(window);
    return window;
}

ImageHandle NormalizeTo8Bit(ImageHandle window, const std::array<uint32_t, 256>& basePalette) {
    const Image* source = LiveImage(window);
    if (!source) return {};
    if (source->Depth() == 8) {
        platform::showMessage("Image is already 8-bit data", "convert16to8normalize");
        return {};
    }
    if (source->Depth() != 16) {
        platform::showMessage("Not 8-bit or 16-bit data", "convert16to8normalize");
        return {};
    }
    const int width = source->Width(), height = source->Height();
    const ImageHandle result = CreateImage(width, height, PaletteCustom, true, 8);
    Image* target = LiveImage(result);
    source = LiveImage(window);
    if (!target || !source) return result;
    target->SetTexts(source->GetTexts());
    if (source->IsPositionRegistered()) {
        // The corners set the window's extents; the tie points themselves
        // are then taken over unchanged.
        RealPoint lowerLeft, upperRight;
        GetCorners(window, lowerLeft, upperRight);
        SetRegistration(result, lowerLeft, upperRight);
        if ((target = LiveImage(result)) && (source = LiveImage(window)))
            target->SetPositionRegistration(source->GetPositionRegistration());
    }

    unsigned min = 0, max = 0;
    OV_ScanForMinMax(window, min, max);
    if (min != max && max > min) {
        std::vector<uint16_t> in(static_cast<size_t>(width));
        std::vector<uint8_t> out(static_cast<size_t>(width));
        const uint32_t span = max - min;
        for (int r = 0; r < height; ++r) {
            if (ReadLine16(window, r, in.data()) != ImageDone) break;
            for (int x = 0; x < width; ++x)
                out[static_cast<size_t>(x)] =
                    static_cast<uint8_t>((static_cast<uint32_t>(in[static_cast<size_t>(x)]) - min) * 255u / span);
            WriteLine8(result, r, out.data());
            if (RowProgressStep(result, r, height)) break;
        }
    }

    ZRegistration z;
    GetZRegistration(window, z);
    const double low = z.low, high = z.high;
    z.low = low + (high - low) * min / 65535.0;
    z.high = low + (high - low) * max / 65535.0;
    SetZRegistration(result, z);

    std::vector<uint32_t> palette;
    GetPalette(window, palette);
    if (!palette.empty()) SetPalette(result, palette.data(), static_cast<int>(palette.size()), PaletteCustom);
    StretchPalette(result, basePalette.data());

    LogHistory(result, "convert 16 to 8: ", true);
    LogHistory(result, "  16 bit image:  " + nameOf(window), false);
    LogHistory(result, "  8 bit image:  " + nameOf(result), false);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
