#include "processing/contrast.h"

#include <array>

#include "imagestore/image_interface.h"
#include "processing/value_range.h"

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

}  // namespace orvex
