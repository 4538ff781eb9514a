#include "processing/palette_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {
int channel(uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }
uint32_t rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | static_cast<uint32_t>(g & 0xFF) << 8 |
           static_cast<uint32_t>(b & 0xFF) << 16;
}
}  // namespace

std::vector<uint32_t> GreyScalePalette(int kind, int count) {
    count = std::clamp(count, 1, 256);
    std::vector<uint32_t> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int v = std::min(255, static_cast<int>(static_cast<float>(i) / count * 256));
        switch (kind) {
            case 0: out[i] = rgb(v, 0, 0); break;
            case 1: out[i] = rgb(0, v, 0); break;
            case 2: out[i] = rgb(0, 0, v); break;
            default: out[i] = static_cast<uint32_t>(v) * 0x010101u; break;
        }
    }
    return out;
}

std::vector<uint32_t> ColourScalePalette(uint32_t start, uint32_t end, int count) {
    count = std::clamp(count, 1, 256);
    std::vector<uint32_t> out(static_cast<size_t>(count), end & 0xFFFFFFu);
    const int dr = channel(end, 0) - channel(start, 0);
    const int dg = channel(end, 8) - channel(start, 8);
    const int db = channel(end, 16) - channel(start, 16);
    const int length = std::max({std::abs(dr), std::abs(dg), std::abs(db)});
    if (length == 0) return out;
    const float sr = static_cast<float>(dr) / length, sg = static_cast<float>(dg) / length,
                sb = static_cast<float>(db) / length;
    float r = static_cast<float>(channel(start, 0)), g = static_cast<float>(channel(start, 8)),
          b = static_cast<float>(channel(start, 16));
    for (int i = 0; i < length && i < count; ++i) {
        out[static_cast<size_t>(i)] = rgb(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
        r += sr;
        g += sg;
        b += sb;
    }
    return out;
}

TransferLine BrightnessContrastLine(int contrastDegrees, int brightness, int width, int height) {
    TransferLine line;
    line.slope = std::tan(static_cast<float>(contrastDegrees) * 0.0055555557f * 3.1415927f);
    line.offset = static_cast<float>(brightness) + static_cast<float>(height / 2) -
                  line.slope * static_cast<float>(width) * 0.5f;
    return line;
}

std::vector<uint32_t> BrightnessContrastPalette(const std::vector<uint32_t>& start, int contrastDegrees,
                                                int brightness, int width, int height) {
    const TransferLine line = BrightnessContrastLine(contrastDegrees, brightness, width, height);
    const int n = static_cast<int>(start.size());
    std::vector<uint32_t> out(start.size());
    if (n == 0 || height <= 0) return start;
    for (int j = 0; j < n; ++j) {
        const float y = static_cast<float>(width) * (static_cast<float>(j) / n) * line.slope + line.offset;
        const int shift = static_cast<int>(static_cast<float>(n) * (y / static_cast<float>(height))) - j;
        const uint32_t c = start[static_cast<size_t>(j)];
        auto moved = [&](int shiftBits) { return std::clamp(channel(c, shiftBits) + shift, 0, n - 1); };
        out[static_cast<size_t>(j)] = rgb(moved(0), moved(8), moved(16));
    }
    return out;
}

std::vector<uint32_t> NegatedPalette(const std::vector<uint32_t>& palette) {
    std::vector<uint32_t> out(palette.size());
    for (size_t i = 0; i < palette.size(); ++i) out[i] = ~palette[i] & 0x00FFFFFFu;
    return out;
}

int SetCustomPalette(ImageHandle window, const std::vector<uint32_t>& palette) {
    if (palette.empty()) return ImageRefused;
    const int result = SetPalette(window, palette.data(), static_cast<int>(palette.size()), PaletteCustom);
    if (result == ImageDone) Redraw(window, false);
    return result;
}

ImageHandle DisplayPalette(ImageHandle window) {
    ImageSummary source;
    if (GetImageSummary(window, source) != ImageDone) {
        platform::showMessage("There is no active image", "palette_display");
        return {};
    }
    std::vector<uint32_t> palette;
    GetPalette(window, palette);
    const ImageHandle result = CreateImage(16, 16, PaletteCustom, true, 8);
    if (!result) return {};
    ImageSummary made;
    GetImageSummary(result, made);
    LogHistory(result, "palette display: ", true);
    LogHistory(result, "  source image:  " + source.name, false);
    LogHistory(result, "  palette image:  " + made.name, false);
    OV_Info_SetType(result, IMAGETYPE_PALETTE);
    uint8_t row[16];
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) row[c] = static_cast<uint8_t>(255 - (16 * r + 15 - c));
        WriteLine8(result, r, row);
    }
    if (!palette.empty()) SetCustomPalette(result, palette);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
