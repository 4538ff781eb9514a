#include "processing/geometry_result.h"

#include <algorithm>
#include <new>

#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"

namespace orvex {

void TakePalette(ImageHandle source, ImageHandle result) {
    const Image* from = LiveImage(source);
    if (!from || !LiveImage(result)) return;
    std::vector<uint32_t> colours;
    GetPalette(source, colours);
    const int kind = from->GetPaletteKind();
    SetPalette(result, colours.data(), static_cast<int>(colours.size()), kind);
    // The custom palette goes along, so switching the result to it shows
    // what switching the source shows.
    from = LiveImage(source);
    if (Image* to = LiveImage(result); from && to) to->CopySavedPaletteFrom(*from);
}

ImageHandle CreateResultImage(ImageHandle source, int width, int height, int depth, bool palette,
                              bool copyZ) {
    const Image* from = LiveImage(source);
    if (!from) return {};
    const ImageHandle result = CreateImage(width, height, from->GetPaletteKind(), false, depth);
    if (!result) return {};
    if (palette) TakePalette(source, result);
    if (copyZ) {
        ZRegistration z;
        if (GetZRegistration(source, z) == ImageDone) SetZRegistration(result, z);
    }
    return result;
}

int ResultDepth(const Image& image) { return image.Depth() == 16 ? 16 : std::min(image.Depth(), 8); }

namespace {

template <class T>
bool readPicture(const Image& image, std::vector<T>& pixels, const char* caption) {
    const size_t width = static_cast<size_t>(std::max(0, image.Width()));
    const size_t height = static_cast<size_t>(std::max(0, image.Height()));
    try {
        pixels.assign(width * height, 0);
    } catch (const std::bad_alloc&) {
        pixels.clear();
        platform::showMessage("Unable to allocate memory", caption);
        return false;
    }
    for (size_t r = 0; r < height; ++r) image.ReadLine(static_cast<int>(r), &pixels[r * width], sizeof(T) * 8);
    return true;
}

}  // namespace

bool ReadPicture(const Image& image, std::vector<uint8_t>& pixels, const char* caption) {
    return readPicture(image, pixels, caption);
}

bool ReadPicture(const Image& image, std::vector<uint16_t>& pixels, const char* caption) {
    return readPicture(image, pixels, caption);
}

std::string WindowName(ImageHandle window) {
    const OrvexView* view = LiveView(window);
    return view ? view->name : std::string();
}

}  // namespace orvex
