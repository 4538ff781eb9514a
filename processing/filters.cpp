#include "processing/filters.h"

#include <algorithm>

#include "formats/item_list_file.h"
#include "formats/scan_string.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/library.h"
#include "processing/geometry_result.h"

namespace orvex {

std::string KernelLibraryPath() {
    std::string folder = platform::programFolder();
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder + "matrix.txt";
}

std::vector<Kernel> ReadKernels(const std::string& path) {
    std::vector<Kernel> kernels;
    formats::ItemListFile file;
    if (!file.Open(path, formats::ItemListFile::Direction::Read)) return kernels;
    if (!file.BeginSection(formats::kMatrixList.section)) return kernels;
    for (;;) {
        Kernel k;
        float* w = k.weights.data();
        if (!file.ReadText("Name", k.name)) break;
        // A kernel is offered only when its three rows hold their three
        // weights each: a row missing or cut short is not read as zeros.
        std::string rows[3];
        bool found[3];
        for (int r = 0; r < 3; ++r)
            found[r] = file.ReadValue("ROW" + std::to_string(r + 1), true, rows[r]);
        if (!found[2]) break;
        bool complete = found[0] && found[1];
        for (int r = 0; r < 3 && complete; ++r)
            complete = formats::KTvsscanf(rows[r], "%f %f %f", &w[3 * r], &w[3 * r + 1], &w[3 * r + 2]) == 3;
        if (complete) kernels.push_back(std::move(k));
    }
    return kernels;
}

// --- Row kernels --------------------------------------------------------------

void ConvolveRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                 const std::array<float, 9>& k, uint8_t* out) {
    // Each product is truncated by itself, as the kernel is defined; the
    // float products keep the single precision of the weights.
    for (int j = 0; j < width; ++j) {
        int sum = static_cast<int>(above[j] * k[0]) + static_cast<int>(above[j + 1] * k[1]) +
                  static_cast<int>(above[j + 2] * k[2]) + static_cast<int>(row[j] * k[3]) +
                  static_cast<int>(row[j + 1] * k[4]) + static_cast<int>(row[j + 2] * k[5]) +
                  static_cast<int>(below[j] * k[6]) + static_cast<int>(below[j + 1] * k[7]) +
                  static_cast<int>(below[j + 2] * k[8]);
        out[j] = static_cast<uint8_t>(std::clamp(sum, 0, 255));
    }
}

namespace {

// The vertical extreme of each column first, then the horizontal one of
// three neighbouring columns.
template <class Pick>
void extremeRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out,
                Pick pick) {
    for (int j = 0; j < width; ++j) {
        const uint8_t a = pick(pick(above[j], row[j]), below[j]);
        const uint8_t b = pick(pick(above[j + 1], row[j + 1]), below[j + 1]);
        const uint8_t c = pick(pick(above[j + 2], row[j + 2]), below[j + 2]);
        out[j] = pick(pick(a, b), c);
    }
}

template <class T>
T median3(T a, T b, T c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// With each column of three sorted (low, middle, high), the median of the
// nine is the median of the largest low, the median middle and the smallest high.
template <class T>
void medianRow(const T* above, const T* row, const T* below, int width, T* out, T* scratch) {
    const int padded = width + 2;
    T* low = scratch;
    T* mid = scratch + padded;
    T* high = scratch + 2 * padded;
    for (int j = 0; j < padded; ++j) {
        const T a = above[j], b = row[j], c = below[j];
        const T lo = std::min(a, b), hi = std::max(a, b);
        low[j] = std::min(lo, c);
        high[j] = std::max(hi, c);
        mid[j] = std::max(lo, std::min(hi, c));
    }
    for (int j = 0; j < width; ++j) {
        const T l = std::max(std::max(low[j], low[j + 1]), low[j + 2]);
        const T m = median3(mid[j], mid[j + 1], mid[j + 2]);
        const T h = std::min(std::min(high[j], high[j + 1]), high[j + 2]);
        out[j] = median3(l, m, h);
    }
}

}  // namespace

void MinimumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    extremeRow(above, row, below, width, out, [](uint8_t a, uint8_t b) { return std::min(a, b); });
}

void MaximumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    extremeRow(above, row, below, width, out, [](uint8_t a, uint8_t b) { return std::max(a, b); });
}

void MedianRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out,
               uint8_t* scratch) {
    medianRow(above, row, below, width, out, scratch);
}

void MedianRow(const uint16_t* above, const uint16_t* row, const uint16_t* below, int width, uint16_t* out,
               uint16_t* scratch) {
    medianRow(above, row, below, width, out, scratch);
}

// --- Whole images ---------------------------------------------------------------

namespace {

int writeRow(ImageHandle window, int row, const uint8_t* pixels) { return WriteLine8(window, row, pixels); }
int writeRow(ImageHandle window, int row, const uint16_t* pixels) { return WriteLine16(window, row, pixels); }

// Runs a row kernel down the source with a window of three padded rows
// (zero above the first and below the last row) and writes each result row.
template <class T, class RowOp>
void slideRows(ImageHandle source, ImageHandle result, RowOp op) {
    const Image* s = LiveImage(source);
    if (!s || !LiveImage(result)) return;
    const int width = s->Width(), height = s->Height();
    const size_t padded = static_cast<size_t>(width) + 2;
    std::vector<T> buffers(3 * padded, 0), out(static_cast<size_t>(width));
    T* above = buffers.data();
    T* row = above + padded;
    T* below = row + padded;
    auto load = [&](int r, T* into) {
        const Image* image = r < height ? LiveImage(source) : nullptr;
        if (image)
            image->ReadLine(r, into + 1, sizeof(T) * 8);
        else
            std::fill(into, into + padded, T{0});
    };
    load(0, row);
    load(1, below);
    for (int r = 0; r < height; ++r) {
        op(above, row, below, width, out.data());
        if (writeRow(result, r, out.data()) != ImageDone || RowProgressStep(result, r, height)) break;
        T* spent = above;
        above = row;
        row = below;
        below = spent;
        load(r + 2, below);
    }
    if (Image* done = LiveImage(result)) done->ReportProgress(100);
}

void copyRegistration(ImageHandle source, ImageHandle result) {
    const Image* s = LiveImage(source);
    if (!s || !s->IsPositionRegistered()) return;
    RealPoint lowerLeft, upperRight;
    GetCorners(source, lowerLeft, upperRight);
    SetRegistration(result, lowerLeft, upperRight);
}

void logResult(ImageHandle source, ImageHandle result, const char* first) {
    LogHistory(result, first, true);
    LogHistory(result, "  source image: " + WindowName(source), false);
    LogHistory(result, "  new image: " + WindowName(result), false);
}

template <class RowOp>
ImageHandle extremeImage(ImageHandle source, RowOp op, const char* history) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    const ImageHandle result = CreateImage(s->Width(), s->Height(), PaletteCustom, false, 8);
    if (!result) return {};
    copyRegistration(source, result);
    slideRows<uint8_t>(source, result, op);
    logResult(source, result, history);
    Redraw(result, true);
    return result;
}

}  // namespace

ImageHandle Convolve(ImageHandle source, const Kernel& kernel) {
    if (!LiveImage(source)) return {};
    const ImageHandle result = DuplicateImage(source, true, true);
    if (!result) return {};
    LogHistory(result, "convolution: ", true);
    LogHistory(result, "  filter: " + kernel.name, false);
    LogHistory(result, "  source: " + WindowName(source), false);
    LogHistory(result, "  destination: " + WindowName(result), false);
    const std::array<float, 9> weights = kernel.weights;
    slideRows<uint8_t>(source, result, [&weights](const uint8_t* a, const uint8_t* r, const uint8_t* b, int w,
                                                  uint8_t* out) { ConvolveRow(a, r, b, w, weights, out); });
    Redraw(result, true);
    return result;
}

ImageHandle Erode(ImageHandle source) { return extremeImage(source, MinimumRow, "erode: "); }

ImageHandle Dilate(ImageHandle source) { return extremeImage(source, MaximumRow, "dilate: "); }

ImageHandle Median(ImageHandle source) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    const bool wide = s->Depth() == 16;
    const ImageHandle result = CreateImage(s->Width(), s->Height(), PaletteCustom, false, wide ? 16 : 8);
    if (!result) return {};
    std::vector<uint32_t> colours;
    GetPalette(source, colours);
    SetPalette(result, colours.data(), static_cast<int>(colours.size()), PaletteCustom);
    ZRegistration z;
    if (GetZRegistration(source, z) == ImageDone) SetZRegistration(result, z);
    copyRegistration(source, result);
    const size_t scratch = 3 * (static_cast<size_t>(s->Width()) + 2);
    if (wide) {
        std::vector<uint16_t> space(scratch);
        slideRows<uint16_t>(source, result, [&space](const uint16_t* a, const uint16_t* r, const uint16_t* b,
                                                     int w, uint16_t* out) { MedianRow(a, r, b, w, out, space.data()); });
    } else {
        std::vector<uint8_t> space(scratch);
        slideRows<uint8_t>(source, result, [&space](const uint8_t* a, const uint8_t* r, const uint8_t* b, int w,
                                                    uint8_t* out) { MedianRow(a, r, b, w, out, space.data()); });
    }
    logResult(source, result, "median: ");
    Redraw(result, true);
    return result;
}

// --- The grey-level window ------------------------------------------------------

namespace {

template <class T>
void keepWindow(ImageHandle result, const GreyWindow& window, int top) {
    const Image* image = LiveImage(result);
    if (!image) return;
    const int width = image->Width(), height = image->Height();
    std::vector<T> line(static_cast<size_t>(width));
    const int low = window.low, high = window.high;
    for (int r = 0; r < height; ++r) {
        image = LiveImage(result);
        if (!image) break;
        image->ReadLine(r, line.data(), sizeof(T) * 8);
        for (T& v : line) {
            const bool inside = low <= v && v <= high;
            const bool kept = window.keepInside ? inside : !inside;
            v = kept ? (window.mask ? static_cast<T>(top) : v) : T{0};
        }
        if (writeRow(result, r, line.data()) != ImageDone || RowProgressStep(result, r, height)) break;
    }
}

}  // namespace

ImageHandle FilterImage(ImageHandle source, const GreyWindow& window) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    const bool wide = s->Depth() == 16;
    const ImageHandle result = DuplicateImage(source, true, true);
    if (!result) return {};
    if (wide)
        keepWindow<uint16_t>(result, window, 65535);
    else
        keepWindow<uint8_t>(result, window, 255);
    LogHistory(result, "filter: ", true);
    LogHistory(result, "  old name:  " + WindowName(source), false);
    LogHistory(result, "  new name:  " + WindowName(result), false);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
