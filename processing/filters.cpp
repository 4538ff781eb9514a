#include "processing/filters.h"

#include <hwy/aligned_allocator.h>

#include <algorithm>
#include <cstring>

#include "formats/item_list_file.h"
#include "formats/scan_string.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/library.h"
#include "processing/geometry_result.h"
#include "processing/kernels/point_rows.h"

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

// --- Whole images ---------------------------------------------------------------

namespace {

// One result row from three source rows where they lie (`above` and `below`
// are null outside the image): the inner columns straight from the rows,
// the two edge columns from short rows padded with zeros. `zeros` holds a
// row of zeros.
template <class T, class RowOp>
void rowInPlace(const T* above, const T* row, const T* below, int width, const T* zeros, RowOp& op,
                T* out) {
    const T* rows[3] = {above ? above : zeros, row, below ? below : zeros};
    if (width > 2) op(rows[0], rows[1], rows[2], width - 2, out + 1);
    // Columns 0 and width - 1, each from its padded neighbourhood.
    T edge[3][3] = {};
    for (int i = 0; i < 3; ++i) {
        edge[i][1] = rows[i][0];
        if (width > 1) edge[i][2] = rows[i][1];
    }
    op(edge[0], edge[1], edge[2], 1, out);
    if (width < 2) return;
    for (int i = 0; i < 3; ++i) {
        edge[i][0] = rows[i][width - 2];
        edge[i][1] = rows[i][width - 1];
        edge[i][2] = 0;
    }
    op(edge[0], edge[1], edge[2], 1, out + width - 1);
}

// How a neighbourhood filter reads its source. Measured at 4096 x 4096:
// minimum, maximum and the 16-bit median are faster on the rows where they
// lie; the 8-bit median and the convolutions are slower there (likely
// because loads from three rows and stores to a fourth at the same offsets
// in their pages look to the processor as if they might depend on one
// another), and take copies of the rows instead.
enum class SourceRows { InPlace, Copied };

// Runs a row kernel over the source, with zeros above the first and below
// the last row and beside the first and last column, and writes each result
// row, where it lies when the result has the kernel's depth. The rows are
// taken from the last up, the order in which they lie. A source not of the
// kernel's depth is always read into the window of three padded rows.
// Returns the first row that holds its result: the rows above it are not
// done when the loop was stopped.
template <class T, class RowOp>
int slideRows(ImageHandle source, ImageHandle result, SourceRows reading, RowOp op) {
    const Image* s = LiveImage(source);
    if (!s || !LiveImage(result)) return 0;
    const int width = s->Width(), height = s->Height();
    const bool direct = reading == SourceRows::InPlace && LinePixels<T>(source, 0) != nullptr;
    const size_t padded = static_cast<size_t>(width) + 2;
    // Each padded row starts on a cache line, so the kernels' loads do not
    // straddle two.
    const size_t perLine = 64 / sizeof(T);
    const size_t stride = (padded + perLine - 1) / perLine * perLine;
    const hwy::AlignedFreeUniquePtr<T[]> buffers = hwy::AllocateAligned<T>(3 * stride);
    if (!buffers) return height;
    std::fill(buffers.get(), buffers.get() + 3 * stride, T{0});
    T* above = buffers.get();
    T* row = above + stride;
    T* below = row + stride;
    auto load = [&](int r, T* into) {
        const Image* image = r >= 0 && r < height ? LiveImage(source) : nullptr;
        if (image)
            image->ReadLine(r, into + 1, sizeof(T) * 8);
        else
            std::fill(into, into + padded, T{0});
    };
    if (!direct) {
        load(height - 1, row);
        load(height - 2, above);
    }
    const int done = RunResultRowsUp<T>(source, result, height, [&](int, int r, T* made) {
        if (direct) {
            // The padded rows are never loaded on this way: they are the zeros.
            rowInPlace(LinePixels<T>(source, r - 1), LinePixels<T>(source, r),
                       LinePixels<T>(source, r + 1), width, below, op, made);
        } else {
            op(above, row, below, width, made);
            T* spent = below;
            below = row;
            row = above;
            above = spent;
            load(r - 2, above);
        }
    });
    if (Image* finished = LiveImage(result)) finished->ReportProgress(100);
    return height - done;
}

// Rows 0 .. end - 1 as the source has them: what a stopped filter leaves.
void copyRowsBefore(ImageHandle source, ImageHandle result, int end) {
    const Image* s = LiveImage(source);
    if (Image* to = LiveImage(result); s && to) to->CopyRowsFrom(*s, 0, end);
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
    slideRows<uint8_t>(source, result, SourceRows::InPlace, op);
    logResult(source, result, history);
    Redraw(result, true);
    return result;
}

}  // namespace

ImageHandle Convolve(ImageHandle source, const Kernel& kernel) {
    if (!LiveImage(source)) return {};
    const ImageHandle result = DuplicateImage(source, true, true, false);
    if (!result) return {};
    LogHistory(result, "convolution: ", true);
    LogHistory(result, "  filter: " + kernel.name, false);
    LogHistory(result, "  source: " + WindowName(source), false);
    LogHistory(result, "  destination: " + WindowName(result), false);
    const ConvolutionWeights weights = PrepareConvolution(kernel.weights);
    const int firstDone =
        slideRows<uint8_t>(source, result, SourceRows::Copied,
                           [&weights](const uint8_t* a, const uint8_t* r, const uint8_t* b, int w,
                                      uint8_t* out) { ConvolveRow(a, r, b, w, weights, out); });
    copyRowsBefore(source, result, firstDone);
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
    if (wide) {
        slideRows<uint16_t>(source, result, SourceRows::InPlace,
                            [](const uint16_t* a, const uint16_t* r, const uint16_t* b, int w,
                               uint16_t* out) { MedianRow(a, r, b, w, out); });
    } else {
        slideRows<uint8_t>(source, result, SourceRows::Copied,
                           [](const uint8_t* a, const uint8_t* r, const uint8_t* b, int w,
                              uint8_t* out) { MedianRow(a, r, b, w, out); });
    }
    logResult(source, result, "median: ");
    Redraw(result, true);
    return result;
}

// --- The grey-level window ------------------------------------------------------

namespace {

// Each source row goes into the result's row, where the window is applied,
// from the last row up; returns the first row that holds its result.
template <class T>
int keepWindow(ImageHandle source, ImageHandle result, const GreyWindow& window) {
    const Image* image = LiveImage(source);
    if (!image) return 0;
    const int width = image->Width(), height = image->Height();
    const int done = RunResultRowsUp<T>(source, result, height, [&](int, int r, T* at) {
        image->ReadLine(r, at, sizeof(T) * 8);
        GreyWindowRow(at, width, window.low, window.high, window.keepInside, window.mask);
    });
    return height - done;
}

}  // namespace

ImageHandle FilterImage(ImageHandle source, const GreyWindow& window) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    const bool wide = s->Depth() == 16;
    const ImageHandle result = DuplicateImage(source, true, true, false);
    if (!result) return {};
    const int firstDone = wide ? keepWindow<uint16_t>(source, result, window)
                               : keepWindow<uint8_t>(source, result, window);
    copyRowsBefore(source, result, firstDone);
    LogHistory(result, "filter: ", true);
    LogHistory(result, "  old name:  " + WindowName(source), false);
    LogHistory(result, "  new name:  " + WindowName(result), false);
    Redraw(result, true);
    return result;
}

}  // namespace orvex
