#include "processing/mask.h"

#include <cstdint>
#include <vector>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"
#include "processing/kernels/point_rows.h"

namespace orvex {

namespace {

std::string nameOf(ImageHandle window) {
    const OrvexView* view = LiveView(window);
    return view ? view->name : std::string();
}

// One row at the image's own depth: 16-bit images keep their low byte.
struct Row {
    explicit Row(int width, bool wide) : wide(wide) {
        if (wide)
            words.resize(static_cast<size_t>(width));
        else
            bytes.resize(static_cast<size_t>(width));
    }
    bool read(ImageHandle window, int row) {
        return (wide ? ReadLine16(window, row, words.data()) : ReadLine8(window, row, bytes.data())) ==
               ImageDone;
    }
    bool write(ImageHandle window, int row) const {
        return (wide ? WriteLine16(window, row, words.data()) : WriteLine8(window, row, bytes.data())) ==
               ImageDone;
    }
    bool wide;
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> words;
};

}  // namespace

ImageHandle OV_Threshold(ImageHandle window, unsigned level) {
    const Image* source = LiveImage(window);
    if (!source) return {};
    const int width = source->Width(), height = source->Height(), depth = source->Depth();
    const ImageHandle mask = CreateImage(width, height, PaletteCustom, false, 8);
    if (!mask) return {};
    if (depth != 8 && depth != 16) {
        platform::showMessage("unsupported image depth", "OV_Threshold()");
        CloseImageWindow(mask);
        return {};
    }
    // Rows are read and written where they lie, in the order they lie; the
    // mask of a map larger than the caches goes past them.
    const RowStores stores = RowStoresFor(static_cast<int64_t>(width) * height);
    for (int k = 0; k < height; ++k) {
        const int r = RowOfStepUp(k, height);
        uint8_t* out = LinePixels<uint8_t>(mask, r);
        if (!out) break;
        if (const uint16_t* words = LinePixels<uint16_t>(window, r))
            ThresholdRow(words, width, level, out);
        else if (const uint8_t* bytes = LinePixels<uint8_t>(window, r))
            ThresholdRow(bytes, width, level, out, stores);
        else
            break;
        if (LineWritten(mask, r) != ImageDone) break;
        if (Image* m = LiveImage(mask)) m->ReportRowProgress(k, height);
    }
    FinishStreamedRows();
    if (Image* m = LiveImage(mask)) m->ReportProgress(100);
    Redraw(mask, true);
    return mask;
}

void OV_Negate(ImageHandle window) {
    const Image* image = LiveImage(window);
    if (!image) {
        platform::showMessage("Bad Image", "OV_Negate()");
        return;
    }
    const int depth = image->Depth();
    if (depth != 8 && depth != 16) {
        platform::showMessage("Unimplemented image depth", "OV_Negate()");
        return;
    }
    const int width = image->Width(), height = image->Height();
    for (int k = 0; k < height; ++k) {
        const int r = RowOfStepUp(k, height);
        if (uint16_t* words = LinePixels<uint16_t>(window, r))
            NegateRow(words, width);
        else if (uint8_t* bytes = LinePixels<uint8_t>(window, r))
            NegateRow(bytes, width);
        else
            break;
        if (LineWritten(window, r) != ImageDone) break;
        if (Image* i = LiveImage(window)) i->ReportRowProgress(k, height);
    }
    if (Image* i = LiveImage(window)) i->ReportProgress(100);
    LogHistory(window, "negate data: ", true);
    LogHistory(window, "  image name: " + nameOf(window), false);
    Redraw(window, true);
}

ImageHandle MaskedImage(ImageHandle source, ImageHandle maskWindow) {
    if (!SameSize(source, maskWindow)) return {};
    const std::string sourceName = nameOf(source), maskName = nameOf(maskWindow);

    const ImageHandle result = DuplicateImage(source, true, true);
    const Image* s = LiveImage(source);
    const Image* m = LiveImage(maskWindow);
    if (!result || !s || !m) return result;
    const int width = s->Width(), height = s->Height();
    // Both rows at their images' own depths: a 16-bit source keeps its full
    // values, and a 16-bit mask counts as set wherever it is not 0.
    Row in(width, s->Depth() == 16), mask(width, m->Depth() == 16);
    for (int r = 0; r < height; ++r) {
        if (!in.read(source, r) || !mask.read(maskWindow, r)) break;
        for (int c = 0; c < width; ++c) {
            const bool set = mask.wide ? mask.words[c] != 0 : mask.bytes[c] != 0;
            if (set) continue;
            if (in.wide)
                in.words[c] = 0;
            else
                in.bytes[c] = 0;
        }
        if (!in.write(result, r)) break;
        if (RowProgressStep(result, r, height)) break;
    }
    LogHistory(result, "mask result: ", true);
    LogHistory(result, "  source image: " + sourceName, false);
    LogHistory(result, "  mask image: " + maskName, false);
    LogHistory(result, "  result image: " + nameOf(result), false);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
