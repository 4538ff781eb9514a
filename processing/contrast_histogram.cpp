#include "processing/contrast_histogram.h"

#include <cstdint>

#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

// Counts the rows into bins; the number of pixels counted.
template <class Pixel, class ReadRow>
uint64_t countRows(Image& image, int rowStep, std::vector<uint64_t>& bins, ReadRow readRow) {
    const int width = image.Width(), height = image.Height();
    std::vector<Pixel> row(static_cast<size_t>(width));
    uint64_t counted = 0;
    if (rowStep < 1) rowStep = 1;
    for (int r = 0; r < height; r += rowStep) {
        if (!readRow(r, row.data())) break;
        for (const Pixel v : row) ++bins[v];
        counted += static_cast<uint64_t>(width);
        image.ReportProgress(static_cast<int>(static_cast<int64_t>(r + 1) * 100 / height));
        // Esc ends the counting at once; what was counted still gives the shares.
        if (platform::ui().takeEscape()) break;
    }
    return counted;
}

std::vector<float> shares(const std::vector<uint64_t>& bins, uint64_t counted, size_t used) {
    std::vector<float> out(bins.size(), 0.0f);
    if (counted == 0) return out;
    for (size_t v = 0; v < used && v < bins.size(); ++v)
        out[v] = static_cast<float>(static_cast<double>(bins[v]) / static_cast<double>(counted) * 100.0);
    return out;
}

}  // namespace

std::vector<float> PercentHistogram(ImageHandle window, int rowStep) {
    Image* image = LiveImage(window);
    std::vector<uint64_t> bins(256, 0);
    if (!image) return std::vector<float>(256, 0.0f);
    const uint64_t counted = countRows<uint8_t>(*image, rowStep, bins, [window](int r, uint8_t* b) {
        return ReadLine8(window, r, b) == ImageDone;
    });
    return shares(bins, counted, static_cast<size_t>(image->PaletteCount()));
}

std::vector<float> PercentHistogram16(ImageHandle window) {
    Image* image = LiveImage(window);
    std::vector<uint64_t> bins(65536, 0);
    if (!image || image->Depth() != 16) return std::vector<float>(65536, 0.0f);
    const uint64_t counted = countRows<uint16_t>(*image, 1, bins, [window](int r, uint16_t* b) {
        return ReadLine16(window, r, b) == ImageDone;
    });
    return shares(bins, counted, bins.size());
}

}  // namespace orvex
