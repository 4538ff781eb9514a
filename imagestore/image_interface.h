#pragma once
// The image interface: what every other part does to an image, through the
// ImageHandle of its window. Every operation first checks that the window is
// alive and holds an image.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/image_handle.h"

namespace orvex {

class OrvexView;

/// Results of the image interface.
enum ImageResult : int {
    ImageDone = 0,
    ImageNotLive = 1,  // not a live image window, or the window holds no image
    ImageRefused = 2,  // the image refused the request (bounds, sizes)
};

/// What the interface tells and accepts about an image.
struct ImageSummary {
    static constexpr size_t kNameLength = 256;  // with the terminating zero
    std::string name;
    std::string artist;
    std::string dateTime;
    std::string hostComputer;
    std::string imageDescription;
    std::string make;
    std::string model;
    std::string software;
    int width = 0;
    int height = 0;
    int positionRegistered = 0;
    int zRegistered = 0;
    int paletteCount = 0;
    int depth = 0;
    int paletteKind = 0;
    ImageHandle window;
    int imageNumber = 0;
};

/// The live window of a handle, or null. Do not keep the pointer.
OrvexView* LiveView(ImageHandle window);
/// The image of a live window, or null. Do not keep the pointer.
Image* LiveImage(ImageHandle window);

int GetImageSummary(ImageHandle window, ImageSummary& summary);
/// Sets the name and the texts Artist, HostComputer, ImageDescription, Make
/// and Model; notifies code 10.
int SetImageSummary(ImageHandle window, const ImageSummary& summary);
/// Renames the window (title updated); notifies code 10.
int SetImageName(ImageHandle window, const std::string& name);

/// Whole rows of width pixels at 8 or 16 bits. Writes notify code 8 with the row.
int ReadLine8(ImageHandle window, int row, uint8_t* buffer);
int ReadLine16(ImageHandle window, int row, uint16_t* buffer);
int WriteLine8(ImageHandle window, int row, const uint8_t* buffer);
int WriteLine16(ImageHandle window, int row, const uint16_t* buffer);

/// A row's stored pixels, where kernels read and write them without a copy:
/// the row of an 8-bit image as uint8_t, of a 16-bit one as uint16_t; null
/// when the window is not live, the row lies outside or the depth differs.
/// After writing into a row, call LineWritten, which notifies code 8 with the
/// row as WriteLine8 does.
template <class T>
T* LinePixels(ImageHandle window, int row) {
    static_assert(sizeof(T) == 1 || sizeof(T) == 2);
    Image* image = LiveImage(window);
    if (!image || image->Depth() != static_cast<int>(sizeof(T) * 8)) return nullptr;
    return reinterpret_cast<T*>(image->PixelAddress(row, 0));
}
int LineWritten(ImageHandle window, int row);
/// LineWritten for the rows from `from` to `to`, in that order (either way).
int LinesWritten(ImageHandle window, int from, int to);

/// Blocks of h rows of w pixels. Writes notify code 9.
int ReadBlock8(ImageHandle window, int column, int row, int w, int h, uint8_t* buffer);
int ReadBlock16(ImageHandle window, int column, int row, int w, int h, uint16_t* buffer);
int WriteBlock8(ImageHandle window, int column, int row, int w, int h, const uint8_t* buffer);
int WriteBlock16(ImageHandle window, int column, int row, int w, int h, const uint16_t* buffer);

/// The palette count entries as 0x00BBGGRR.
int GetPalette(ImageHandle window, std::vector<uint32_t>& colours);
/// With colours: sets count (1..256) entries from 0x00BBGGRR values, the
/// palette count and the saved palette; then applies kind; notifies code 7.
int SetPalette(ImageHandle window, const uint32_t* colours, int count, int kind);

/// Pixel-centre corners of the picture.
int GetCorners(ImageHandle window, RealPoint& lowerLeft, RealPoint& upperRight);
/// Ties pixel (0, height - 1) to lowerLeft and (width - 1, 0) to upperRight;
/// notifies code 11 and shows the new extents.
int SetRegistration(ImageHandle window, const RealPoint& lowerLeft, const RealPoint& upperRight);
int GetZRegistration(ImageHandle window, ZRegistration& z);
/// Notifies code 12.
int SetZRegistration(ImageHandle window, const ZRegistration& z);

/// Pixel (x = column, y = row) to real, in place; honours the display's
/// mirror settings. An unregistered image only flips the row.
int PixelToReal(ImageHandle window, RealPoint& point);
/// Real to pixel, in place. An unregistered image only flips the row.
int RealToPixel(ImageHandle window, RealPoint& point);
/// Pixel to window coordinates through the display mapping, in place.
int PixelToWindow(ImageHandle window, RealPoint& point);
/// Both live and of equal width and height.
bool SameSize(ImageHandle first, ImageHandle second);

/// Redraws the strip holding the row when the row is its strip's last row.
int UpdateRows(ImageHandle window, int row);
/// Repaints the window; refreshes the status when it is the active window
/// and refreshStatus is set.
int Redraw(ImageHandle window, bool refreshStatus);

int AddImageListener(ImageHandle window, ImageListener listener);
/// Removes the first occurrence of the listener.
int RemoveImageListener(ImageHandle window, ImageListener listener);
/// Calls the window's listeners with an event of the window.
int NotifyImageListeners(ImageHandle window, ImageEvent event);

/// A new image window "UNTLD%d.TIF" with a new image; none when the size or
/// depth is refused.
ImageHandle CreateImage(int width, int height, int kind, bool clear, int depth);
/// A new window with a copy of the image; none when the source is not live.
/// A caller that writes every row itself passes copyPixels false and gets
/// the copy with zeroed pixels.
ImageHandle DuplicateImage(ImageHandle source, bool copyZ, bool logHistory, bool copyPixels = true);
/// A new window with the image read from a file of an ImageFileType; none
/// when the file cannot be read.
ImageHandle ReadImageFile(const std::string& path, int fileType);
/// Closes a window: logs it, raises code 6 to its listeners, removes it and
/// frees its image. Asks nothing (the save prompt is the caller's).
int CloseImageWindow(ImageHandle window);

/// The live window with that image number, or none.
ImageHandle FindImageWindow(int imageNumber);
/// The image window that was activated last, or none.
ImageHandle ActiveImageWindow();

/// The shared step of long interactive loops over rows: redraws the finished
/// strip and, on the first, every 20th and the last row, reports the
/// percentage and, when Esc is pending, asks "Do you wish to cancel this
/// operation?" ("Verify"). True when the user stops.
bool RowProgressStep(ImageHandle window, int row, int rows);

/// Rows lie bottom-up in memory, and memory walked backwards row by row is
/// read at half the speed or less, whatever is prefetched. A loop whose rows
/// do not depend on one another therefore takes its rows from the last up to
/// the first, which walks every strip front to back: step k works on row
/// RowOfStepUp(k, rows).
inline int RowOfStepUp(int step, int rows) {
    return rows - 1 - step;
}
/// The progress step looks at the percentage and at Esc only on the first,
/// every 20th and the last step, so a loop may do the steps up to the next
/// such one in one go, then take their progress steps together: what the
/// user sees and when a stop can come are the same. The step at which the
/// run from `step` on must pause.
inline int NextLookingStep(int step, int rows) {
    return step % 20 == 0 ? step : std::min(rows - 1, (step / 20 + 1) * 20);
}
/// RowProgressStep for such a loop, after its steps first .. last: redraws
/// each strip once its first row is done and, on the first, every 20th and
/// the last step, reports the percentage of rows done and asks on Esc. True
/// when the user stops.
bool RowProgressStepsUp(ImageHandle window, int first, int last, int rows);

/// A check that both windows still hold the images they hold now: a listener
/// or the front end may close either while a loop over their rows runs.
inline auto StillHolding(ImageHandle source, ImageHandle result) {
    return [source, result, from = LiveImage(source), into = LiveImage(result)] {
        return LiveImage(source) == from && LiveImage(result) == into;
    };
}

/// A loop over the rows of `result` from the last up, in runs up to the
/// next step that looks at progress and Esc, so that nothing else runs
/// between the rows of a run: makeRows(first, last) makes the rows of steps
/// first .. last (row RowOfStepUp(step, rows) each, in any order) and
/// returns the step after the last it made. After each run its rows are
/// told to the result's listeners when `tellRows` (rows written where they
/// lie; rows written through WriteLine8/16 have been told already), the
/// steps are taken, and the loop ends there when the user stops or
/// stillLive() finds a window it works on gone. Returns the steps done.
template <class MakeRows, class StillLive>
int RunRowRunsUp(ImageHandle result, int rows, bool tellRows, MakeRows makeRows,
                 StillLive stillLive) {
    for (int first = 0; first < rows;) {
        const int last = NextLookingStep(first, rows);
        const int end = makeRows(first, last);
        // Rows may have been written past the caches: they are in memory
        // before anyone is told of them.
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (end > first && tellRows &&
            LinesWritten(result, RowOfStepUp(first, rows), RowOfStepUp(end - 1, rows)) != ImageDone)
            return end;
        if (end <= last) return end;
        if (RowProgressStepsUp(result, first, last, rows) || !stillLive()) return last + 1;
        first = last + 1;
    }
    return rows;
}

/// The same, one row at a time: makeRow(step) makes the row of one step and
/// returns false to end the loop.
template <class MakeRow, class StillLive>
int RunRowsUp(ImageHandle result, int rows, bool tellRows, MakeRow makeRow, StillLive stillLive) {
    return RunRowRunsUp(
        result, rows, tellRows,
        [&](int first, int last) {
            for (int step = first; step <= last; ++step)
                if (!makeRow(step)) return step;
            return last + 1;
        },
        stillLive);
}

/// RunRowsUp for a loop that makes the rows of a result of T from a source:
/// makeRow(step, row, into) fills `into`, which is the result's row where it
/// lies, or a buffer written through WriteLine8/16 afterwards when the
/// result has another depth. The loop ends when either window goes.
template <class T, class MakeRow>
int RunResultRowsUp(ImageHandle source, ImageHandle result, int rows, MakeRow makeRow) {
    const auto stillLive = StillHolding(source, result);
    const bool inPlace = LinePixels<T>(result, 0) != nullptr;
    const Image* image = LiveImage(result);
    std::vector<T> buffer(inPlace || !image ? 0 : static_cast<size_t>(image->Width()));
    return RunRowsUp(
        result, rows, inPlace,
        [&](int step) {
            const int row = RowOfStepUp(step, rows);
            T* into = inPlace ? LinePixels<T>(result, row) : buffer.data();
            makeRow(step, row, into);
            if (inPlace) return true;
            // A row written through WriteLine is told at once, and its
            // listeners may close either window.
            const int written =
                sizeof(T) == 1 ? WriteLine8(result, row, reinterpret_cast<const uint8_t*>(into))
                               : WriteLine16(result, row, reinterpret_cast<const uint16_t*>(into));
            return written == ImageDone && stillLive();
        },
        stillLive);
}

}  // namespace orvex
