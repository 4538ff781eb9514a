#include "processing/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "processing/geometry_result.h"
#include "processing/kernels/geometry_rows.h"

namespace orvex {

namespace {

struct Choice {
    const char* text;
    const char* history;
};
constexpr Choice kChoices[] = {
    {"Rotate 90 degrees CW", "Rotate 90 degrees CW:  "},
    {"Rotate 180 degrees", "Rotate 180 degrees (Flip top to bottom):  "},
    {"Rotate 90 degrees CCW", "Rotate 90 degrees CCW:  "},
    {"Flip top to bottom", "Flip top to bottom:  "},
    {"Flip left to right", "Flip left to right:  "},
};

bool quarterTurn(RotateFlip choice) {
    return choice == RotateFlip::Clockwise90 || choice == RotateFlip::CounterClockwise90;
}

// The source pixel that result pixel (c, r) takes, for a source of w x h.
struct SourceOf {
    RotateFlip choice;
    int w, h;
    void operator()(int c, int r, int& column, int& row) const {
        switch (choice) {
            case RotateFlip::Clockwise90: column = r; row = h - 1 - c; break;
            case RotateFlip::Half: column = w - 1 - c; row = h - 1 - r; break;
            case RotateFlip::CounterClockwise90: column = w - 1 - r; row = c; break;
            case RotateFlip::TopToBottom: column = c; row = h - 1 - r; break;
            case RotateFlip::LeftToRight: column = w - 1 - c; row = r; break;
        }
    }
};

int writeRow(ImageHandle window, int row, const uint8_t* pixels) { return WriteLine8(window, row, pixels); }
int writeRow(ImageHandle window, int row, const uint16_t* pixels) { return WriteLine16(window, row, pixels); }

// The rows of a picture evenly spaced in memory: an image in one strip,
// stored bottom-up (so the step is negative), or a copy of it.
template <class T>
struct EvenRows {
    T* first = nullptr;
    ptrdiff_t step = 0;
    T* row(int r) const { return first + r * step; }
};

template <class T>
EvenRows<T> evenRows(ImageHandle window) {
    Image* image = LiveImage(window);
    T* first = LinePixels<T>(window, 0);
    if (!image || image->Strips().size() != 1 || !first) return {};
    return {first, -static_cast<ptrdiff_t>(image->RowBytes() / sizeof(T))};
}

// Quarter turns fill a band of result rows at once, so that each source row
// is read a whole cache line at a time. Result rows are written where they
// lie when the result is one strip, else through a band buffer. Stops when
// either window goes.
template <class T>
void turnRows(EvenRows<const T> src, ImageHandle source, int w, int h, bool clockwise,
              ImageHandle result) {
    const int bandRows = static_cast<int>(64 / sizeof(T));
    const int rw = h, rh = w;
    const EvenRows<T> direct = evenRows<T>(result);
    std::vector<T> band(direct.first ? 0 : static_cast<size_t>(rw) * static_cast<size_t>(bandRows));
    const Image* sourceImage = LiveImage(source);
    for (int r0 = 0; r0 < rh; r0 += bandRows) {
        const int rows = std::min(bandRows, rh - r0);
        T* o = direct.first ? direct.row(r0) : band.data();
        const ptrdiff_t step = direct.first ? direct.step : rw;
        TurnBand(src.first, src.step, w, h, clockwise, r0, rows, o, step);
        for (int k = 0; k < rows; ++k) {
            const int r = r0 + k;
            const int written = direct.first ? LineWritten(result, r) : writeRow(result, r, o + k * step);
            if (written != ImageDone || RowProgressStep(result, r, rh)) return;
        }
        // A listener may have closed either window.
        if (LiveImage(source) != sourceImage || !LiveImage(result)) return;
    }
}

// Flips and the half turn go row by row from the last row up; the row is
// reversed when left and right swap. From top to bottom, the source is read
// backwards while the result is written forwards: the rows of each run of a
// large result are therefore taken in the order their source rows lie, and
// streamed past the caches.
template <class T>
void flipRows(EvenRows<const T> src, ImageHandle source, int w, int h, RotateFlip choice,
              ImageHandle result) {
    const EvenRows<T> direct = evenRows<T>(result);
    std::vector<T> line(direct.first ? 0 : static_cast<size_t>(w));
    const RowStores stores =
        direct.first ? RowStoresFor(static_cast<int64_t>(w) * h * static_cast<int64_t>(sizeof(T)))
                     : RowStores::Cached;
    const bool sourceOrder = choice == RotateFlip::TopToBottom && stores == RowStores::Streamed;
    const auto stillLive = StillHolding(source, result);
    auto makeRow = [&](int k) {
        const int r = RowOfStepUp(k, h);
        const T* in = src.row(choice == RotateFlip::LeftToRight ? r : h - 1 - r);
        T* o = direct.first ? direct.row(r) : line.data();
        if (choice == RotateFlip::TopToBottom)
            CopyRow(in, w, o, stores);
        else
            ReverseRow(in, w, o);
        // A row written through WriteLine is told at once, and its listeners
        // may close either window.
        return direct.first || (writeRow(result, r, o) == ImageDone && stillLive());
    };
    RunRowRunsUp(
        result, h, direct.first != nullptr,
        [&](int first, int last) {
            if (sourceOrder) {
                for (int k = last; k >= first; --k) makeRow(k);
                return last + 1;
            }
            for (int k = first; k <= last; ++k)
                if (!makeRow(k)) return k;
            return last + 1;
        },
        stillLive);
}

template <class T>
void rotateRows(EvenRows<const T> src, ImageHandle source, int w, int h, RotateFlip choice,
                ImageHandle result) {
    if (quarterTurn(choice))
        turnRows(src, source, w, h, choice == RotateFlip::Clockwise90, result);
    else
        flipRows(src, source, w, h, choice, result);
}

void logResult(ImageHandle source, ImageHandle result, const char* first, const char* sourceLine,
               const char* resultLine) {
    const std::string sourceName = WindowName(source);
    LogHistory(result, first, true);
    LogHistory(result, sourceLine + sourceName, false);
    LogHistory(result, resultLine + WindowName(result), false);
}

}  // namespace

const char* RotateFlipText(RotateFlip choice) { return kChoices[static_cast<int>(choice)].text; }
const char* RotateFlipHistory(RotateFlip choice) { return kChoices[static_cast<int>(choice)].history; }

ImageHandle RotateFlipImage(ImageHandle source, RotateFlip choice) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    const int w = s->Width(), h = s->Height();
    const bool quarter = quarterTurn(choice);
    const bool wide = s->Depth() == 16;
    // The source's rows are read where they lie when it is one strip of 8
    // or 16 bits; others are copied out first.
    std::vector<uint8_t> narrowPixels;
    std::vector<uint16_t> widePixels;
    EvenRows<const uint8_t> narrow;
    EvenRows<const uint16_t> broad;
    if (wide) {
        const EvenRows<uint16_t> rows = evenRows<uint16_t>(source);
        broad = {rows.first, rows.step};
        if (!broad.first && !ReadPicture(*s, widePixels, "Rotate")) return {};
        if (!broad.first) broad = {widePixels.data(), w};
    } else {
        const EvenRows<uint8_t> rows = evenRows<uint8_t>(source);
        narrow = {rows.first, rows.step};
        if (!narrow.first && !ReadPicture(*s, narrowPixels, "Rotate")) return {};
        if (!narrow.first) narrow = {narrowPixels.data(), w};
    }

    const ImageHandle result =
        CreateResultImage(source, quarter ? h : w, quarter ? w : h, ResultDepth(*s), true, true);
    if (!result) return {};
    s = LiveImage(source);
    if (s && s->IsPositionRegistered()) {
        RealPoint lowerLeft, upperRight;
        if (quarter) {
            // Same centre, each axis keeping the units per pixel of the
            // source axis its pixels came from.
            RealPoint ll, ur;
            s->GetLowerLeftUpperRight(ll, ur);
            const double cx = (ll.x + ur.x) / 2, cy = (ll.y + ur.y) / 2;
            const double halfWidth = (h - 1) / 2.0 * std::fabs(s->UnitsPerPixelY());
            const double halfHeight = (w - 1) / 2.0 * std::fabs(s->UnitsPerPixelX());
            lowerLeft = {cx - halfWidth, cy - halfHeight};
            upperRight = {cx + halfWidth, cy + halfHeight};
        } else {
            // The corner pixels of the result stand where their source pixels stood.
            const SourceOf from{choice, w, h};
            int c = 0, r = 0;
            from(0, h - 1, c, r);
            lowerLeft = s->PixelToReal(c, r);
            from(w - 1, 0, c, r);
            upperRight = s->PixelToReal(c, r);
        }
        SetRegistration(result, lowerLeft, upperRight);
    }
    if (!LiveImage(source)) return result;
    if (wide)
        rotateRows(broad, source, w, h, choice, result);
    else
        rotateRows(narrow, source, w, h, choice, result);
    logResult(source, result, RotateFlipHistory(choice), "  source image: ", "  new image: ");
    Redraw(result, true);
    return result;
}

// --- Resampling ---------------------------------------------------------------

namespace {

// Where each result index samples the source: the lower neighbour and the
// weight of the upper one. Outside the first and last centre the weight
// leaves 0..1, which extrapolates from the two outermost samples.
struct Taps {
    std::vector<int> index;
    std::vector<double> weight;
};

Taps bilinearTaps(int sourceSize, int resultSize) {
    Taps t;
    t.index.resize(static_cast<size_t>(resultSize));
    t.weight.resize(static_cast<size_t>(resultSize));
    const double scale = static_cast<double>(sourceSize) / resultSize;
    for (int i = 0; i < resultSize; ++i) {
        const double position = scale * (i + 0.5);
        int lower = 0;
        double weight = 0;
        if (sourceSize < 2) {
            lower = 0;
            weight = 0;
        } else if (position <= 0.5) {
            lower = 0;
            weight = position - 0.5;
        } else if (position >= sourceSize - 0.5) {
            lower = sourceSize - 2;
            weight = position - 0.5 - lower;
        } else {
            lower = static_cast<int>(position - 0.5);
            weight = position - 0.5 - lower;
        }
        t.index[static_cast<size_t>(i)] = lower;
        t.weight[static_cast<size_t>(i)] = weight;
    }
    return t;
}

std::vector<int> nearestTaps(int sourceSize, int resultSize) {
    std::vector<int> index(static_cast<size_t>(resultSize));
    const double scale = static_cast<double>(sourceSize) / resultSize;
    // Limited to the last index for both methods: the product can only reach
    // it through rounding, and a pixel beyond the row must never be read.
    for (int i = 0; i < resultSize; ++i)
        index[static_cast<size_t>(i)] = std::min(static_cast<int>(scale * (i + 0.5)), sourceSize - 1);
    return index;
}

// From the last row up; a result row that samples the same source row as
// the one made before it is a copy of that one.
template <class T>
void resampleNearest(ImageHandle source, const Image& s, int width, int height,
                     ImageHandle result) {
    const std::vector<int> columns = nearestTaps(s.Width(), width);
    const std::vector<int> rows = nearestTaps(s.Height(), height);
    std::vector<T> in(static_cast<size_t>(s.Width()));
    // The result row made last (where it lies, or the buffer it went
    // through), and the source row it took.
    const T* last = nullptr;
    int lastRow = -1;
    RunResultRowsUp<T>(source, result, height, [&](int, int r, T* at) {
        const int row = rows[static_cast<size_t>(r)];
        if (row != lastRow || !last) {
            s.ReadLine(row, in.data(), sizeof(T) * 8);
            NearestRow(in.data(), columns.data(), width, at);
        } else if (at != last) {
            std::memcpy(at, last, static_cast<size_t>(width) * sizeof(T));
        }
        last = at;
        lastRow = row;
    });
}

// Two source rows interpolated along the row (values of type A), kept while
// the next result row needs them again, then interpolated between.
template <class T, class A, class Along, class Between>
void blendRows(ImageHandle source, const Image& s, const Taps& rows, int width, int height,
               ImageHandle result, A single, Along along, Between between) {
    const int sw = s.Width(), sh = s.Height();
    // Room after the row for the word-wide reads of the interpolation.
    std::vector<T> in(static_cast<size_t>(sw) + 4);
    std::vector<A> alongRows[2] = {std::vector<A>(static_cast<size_t>(width)), std::vector<A>(static_cast<size_t>(width))};
    int held[2] = {-1, -1};
    auto heldIn = [&](int row) { return held[0] == row ? 0 : held[1] == row ? 1 : -1; };
    // The slot holding a source row along the result row, loaded into the
    // slot other than `keep` when it is not there yet.
    auto slotOf = [&](int row, int keep) {
        if (const int slot = heldIn(row); slot >= 0) return slot;
        const int slot = keep == 0 ? 1 : 0;
        s.ReadLine(row, in.data(), sizeof(T) * 8);
        A* a = alongRows[slot].data();
        if (sw < 2)
            std::fill(a, a + width, static_cast<A>(in[0] * single));
        else
            along(in.data(), a);
        held[slot] = row;
        return slot;
    };
    // From the last row up, and the lower source row first: the order in
    // which the rows lie.
    RunResultRowsUp<T>(source, result, height, [&](int, int r, T* made) {
        const int j = rows.index[static_cast<size_t>(r)];
        const int lower = slotOf(sh < 2 ? j : j + 1, heldIn(j));
        const int upper = sh < 2 ? lower : slotOf(j, lower);
        between(alongRows[upper].data(), alongRows[lower].data(), r, made);
    });
}

template <class T>
void resampleBilinear(ImageHandle source, const Image& s, int width, int height,
                      ImageHandle result) {
    const Taps columns = bilinearTaps(s.Width(), width);
    const Taps rows = bilinearTaps(s.Height(), height);
    const int top = sizeof(T) == 1 ? 255 : 65535;
    const int shift = ExactShift(columns.weight.data(), width, rows.weight.data(), height, top);
    if (shift >= 0) {
        // Weights such as the quarters of a doubling: the same arithmetic on
        // scaled integers, which gives the very same results.
        const int32_t scale = 1 << shift;
        std::vector<int32_t> columnScaled(static_cast<size_t>(width));
        for (int c = 0; c < width; ++c)
            columnScaled[static_cast<size_t>(c)] = static_cast<int32_t>(columns.weight[static_cast<size_t>(c)] * scale);
        // A halving takes the pixels in pairs.
        bool pairs = true;
        for (int c = 0; c < width && pairs; ++c)
            pairs = columns.index[static_cast<size_t>(c)] == 2 * c && columnScaled[static_cast<size_t>(c)] == columnScaled[0];
        blendRows<T, int32_t>(
            source, s, rows, width, height, result, scale,
            [&](const T* in, int32_t* a) {
                if (pairs)
                    BlendPairsScaled(in, columnScaled[0], shift, width, a);
                else
                    BlendAlongRowScaled(in, columns.index.data(), columnScaled.data(), shift, width, a);
            },
            [&](const int32_t* a, const int32_t* b, int r, T* out) {
                const auto g = static_cast<int32_t>(rows.weight[static_cast<size_t>(r)] * scale);
                BlendBetweenRowsScaled(a, b, g, shift, width, out);
            });
        return;
    }
    blendRows<T, double>(
        source, s, rows, width, height, result, 1.0,
        [&](const T* in, double* a) {
            BlendAlongRow(in, columns.index.data(), columns.weight.data(), width, a);
        },
        [&](const double* a, const double* b, int r, T* out) {
            BlendBetweenRows(a, b, rows.weight[static_cast<size_t>(r)], width, out);
        });
}

}  // namespace

ImageHandle ResampleImage(ImageHandle source, int width, int height, ResampleMethod method) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    if (s->Depth() != 8 && s->Depth() != 16) {
        platform::showMessage("Method/Image depth not implemented", "Resize");
        return {};
    }
    if (width < 1 || height < 1) return {};
    const ImageHandle result = CreateResultImage(source, width, height, s->Depth(), true, true);
    s = LiveImage(source);
    if (!result || !s) return result;
    if (s->IsPositionRegistered()) {
        // The result covers the same real area: its corner pixels take the
        // real coordinates of the source's corner pixels, as its tie points give them.
        RealPoint lowerLeft, upperRight;
        s->GetLowerLeftUpperRight(lowerLeft, upperRight);
        SetRegistration(result, lowerLeft, upperRight);
    }
    s = LiveImage(source);
    if (!s) return result;
    const bool wide = s->Depth() == 16;
    if (method == ResampleMethod::Bilinear) {
        if (wide)
            resampleBilinear<uint16_t>(source, *s, width, height, result);
        else
            resampleBilinear<uint8_t>(source, *s, width, height, result);
    } else {
        if (wide)
            resampleNearest<uint16_t>(source, *s, width, height, result);
        else
            resampleNearest<uint8_t>(source, *s, width, height, result);
    }
    logResult(source, result, "Resample:  ", "  source image: ", "  new image: ");
    Redraw(result, true);
    return result;
}

// --- Crop -------------------------------------------------------------------

namespace {

// Each result row is copied from the source row where both lie, or through
// a row buffer when either image has another depth or is cut into strips;
// from the last row up.
template <class T>
void cropRows(ImageHandle source, const platform::PixelRect& rect, ImageHandle result) {
    const int width = rect.right - rect.left + 1, height = rect.bottom - rect.top + 1;
    std::vector<T> line(static_cast<size_t>(width));
    const EvenRows<T> from = evenRows<T>(source), into = evenRows<T>(result);
    const bool direct = from.first && into.first;
    const RowStores stores =
        RowStoresFor(static_cast<int64_t>(width) * height * static_cast<int64_t>(sizeof(T)));
    RunRowsUp(
        result, height, direct,
        [&](int k) {
            const int r = RowOfStepUp(k, height);
            if (direct) {
                CopyRow(from.row(rect.top + r) + rect.left, width, into.row(r), stores);
                return true;
            }
            const Image* s = LiveImage(source);
            if (!s) return false;
            s->ReadBlock(rect.left, rect.top + r, width, 1, line.data(), sizeof(T) * 8);
            return writeRow(result, r, line.data()) == ImageDone;
        },
        StillHolding(source, result));
}

}  // namespace

ImageHandle CropImage(ImageHandle source, platform::PixelRect rect) {
    const Image* s = LiveImage(source);
    if (!s) return {};
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    rect.right = std::min(rect.right, s->Width() - 1);
    rect.bottom = std::min(rect.bottom, s->Height() - 1);
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        platform::showMessage("Crop area is too small.  Choose a larger area.", "Crop");
        return {};
    }
    const int width = rect.right - rect.left + 1, height = rect.bottom - rect.top + 1;
    const ImageHandle result = CreateResultImage(source, width, height, ResultDepth(*s), true, true);
    s = LiveImage(source);
    if (!result || !s) return result;
    if (s->IsPositionRegistered())
        SetRegistration(result, s->PixelToReal(rect.left, rect.bottom), s->PixelToReal(rect.right, rect.top));

    if (s->Depth() == 16)
        cropRows<uint16_t>(source, rect, result);
    else
        cropRows<uint8_t>(source, rect, result);
    logResult(source, result, "cropped: ", "  old name:  ", "  new name:  ");
    Redraw(result, true);
    return result;
}

}  // namespace orvex
