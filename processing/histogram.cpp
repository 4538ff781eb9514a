#include "processing/histogram.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/value_range.h"
#include "platform/ui.h"
#include "processing/kernels/point_rows.h"

namespace orvex {

namespace {

std::string nameOf(ImageHandle window) {
    const OrvexView* view = LiveView(window);
    return view ? view->name : std::string();
}

}  // namespace

void OVP_Histogram8(ImageHandle window, HistogramCounts counts) {
    const Image* image = LiveImage(window);
    if (!image || image->Depth() != 8) {
        platform::showMessage("Not an 8-bit image", "OVP_Histogram8()");
        return;
    }
    SplitCounts split;
    for (int k = 0; k < image->Height(); ++k) {
        const uint8_t* row = LinePixels<uint8_t>(window, RowOfStepUp(k, image->Height()));
        if (!row) break;
        CountRow(row, image->Width(), split);
    }
    SumCounts(split, counts);
}

void OVP_Histogram16(ImageHandle window, HistogramCounts counts) {
    const Image* image = LiveImage(window);
    if (!image || image->Depth() != 16) {
        platform::showMessage("Not a 16-bit image", "OVP_Histogram16()");
        return;
    }
    SplitCounts split;
    for (int k = 0; k < image->Height(); ++k) {
        const uint16_t* row = LinePixels<uint16_t>(window, RowOfStepUp(k, image->Height()));
        if (!row) break;
        CountRow(row, image->Width(), split);
    }
    SumCounts(split, counts);
}

void OVP_NormalizeImage(ImageHandle window) {
    unsigned low = 0, high = 0;
    OV_ScanForMinMax(window, low, high);
    const Image* image = LiveImage(window);
    if (!image) return;  // the scan has said "Bad Image"
    if (high == low) {
        platform::showMessage("no data: max=min", "OVP_NormalizeImage");
        return;
    }
    const int depth = image->Depth();
    if (depth != 8 && depth != 16) {
        platform::showMessage("Unsupported image depth", "OVP_NormalizeImage");
        return;
    }
    const int width = image->Width(), height = image->Height();
    // One table of new values for every possible old one, so the rows need
    // no arithmetic per pixel.
    const long double full = depth == 8 ? 255.0L : 65535.0L;
    const long double span = static_cast<long double>(high) - low;
    std::vector<uint16_t> table(depth == 8 ? 256 : 65536, 0);
    for (unsigned v = low; v <= high && v < table.size(); ++v)
        table[v] = static_cast<uint16_t>((static_cast<long double>(v) - low) * full / span);
    if (depth == 8) {
        std::vector<uint8_t> row(static_cast<size_t>(width));
        for (int r = 0; r < height; ++r) {
            if (ReadLine8(window, r, row.data()) != ImageDone) break;
            for (uint8_t& v : row) v = static_cast<uint8_t>(table[v]);
            WriteLine8(window, r, row.data());
        }
    } else {
        std::vector<uint16_t> row(static_cast<size_t>(width));
        for (int r = 0; r < height; ++r) {
            if (ReadLine16(window, r, row.data()) != ImageDone) break;
            for (uint16_t& v : row) v = table[v];
            WriteLine16(window, r, row.data());
        }
    }
}

void ScaleHistogramCounts(const HistogramCounts counts, uint8_t heights[256]) {
    uint64_t most = 1;
    for (int b = 0; b < 256; ++b) most = std::max<uint64_t>(most, counts[b]);
    // In whole numbers, so the fullest bin is exactly 255 whatever its count.
    for (int b = 0; b < 256; ++b) heights[b] = static_cast<uint8_t>(uint64_t{counts[b]} * 255 / most);
}

ImageHandle Histogram1DImage(ImageHandle source) {
    if (!LiveView(source)) return {};
    const std::string sourceName = nameOf(source);

    const ImageHandle histogram = CreateImage(256, 256, PaletteCustom, true, 8);
    if (!histogram) return {};
    OV_Info_SetType(histogram, IMAGETYPE_HISTOGRAM1D);
    SetImageName(histogram, sourceName + "-1DHisto");

    HistogramCounts counts = {};
    const Image* image = LiveImage(source);
    const int depth = image ? image->Depth() : 0;
    if (depth == 8) {
        OVP_Histogram8(source, counts);
    } else if (depth == 16) {
        OVP_Histogram16(source, counts);
    } else {
        platform::showMessage("unsupported image depth", "histo1()");
        return histogram;  // the blank window stays
    }

    uint8_t heights[256];
    ScaleHistogramCounts(counts, heights);
    // The row buffer is never cleared: once a bar starts it runs to the bottom.
    uint8_t row[256] = {};
    for (int r = 0; r < 256; ++r) {
        for (int b = 0; b < 256; ++b)
            if (heights[b] == 255 - r) row[b] = 255;
        WriteLine8(histogram, r, row);
    }
    LogHistory(histogram, "histogram-1d: ", true);
    LogHistory(histogram, "  source image: " + sourceName, false);
    LogHistory(histogram, "  new image: " + nameOf(histogram), false);
    Redraw(histogram, true);
    return histogram;
}

void KillPixel(ImageHandle window, int column, int row) {
    const Image* image = LiveImage(window);
    if (!image) return;
    if (image->Depth() == 8) {
        const uint8_t zero = 0;
        WriteBlock8(window, column, row, 1, 1, &zero);
    } else if (image->Depth() == 16) {
        const uint16_t zero = 0;
        WriteBlock16(window, column, row, 1, 1, &zero);
    } else {
        platform::showMessage("unsupported image depth", "OVP_KillPixel()");
        return;
    }
    Redraw(window, true);
}

}  // namespace orvex
