#pragma once
// The 2-D histogram of two images (the scatter diagram of their grey levels)
// and the traceback from a rectangle of it to the specimen pixels that fell
// into that rectangle.
#include <array>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"

namespace orvex {

/// One 2-D histogram and the two images it was made from, by image number
/// (histogram 0: a free entry). Windows are found again by number, so an
/// entry whose windows have closed simply no longer resolves.
struct TracebackEntry {
    int xImage = 0;
    int yImage = 0;
    int histogram = 0;
};

constexpr int kTracebackEntries = 10;
using TracebackTableType = std::array<TracebackEntry, kTracebackEntries>;

/// The table of the run: empty at start, one entry per 2-D histogram.
TracebackTableType& TracebackTable();
void ResetTracebackTable();
/// Records a histogram in the first free slot, or over the entry of the
/// oldest (smallest-numbered) histogram when all are used. Returns the slot.
int RecordTraceback(const TracebackEntry& entry);

/// The 256 x 256 histogram of an x-axis and y-axis image pair of one size,
/// recorded for the traceback. Returns the new window (none when the pair is
/// gone or of two sizes).
ImageHandle Histogram2DImage(ImageHandle xImage, ImageHandle yImage);

/// The traceback of a rectangle (bounds inclusive, left <= right, top <=
/// bottom) on a recorded histogram: a two-valued image of the x-axis image's
/// size, 255 where the pair of a source pixel lies in the rectangle. Returns
/// the new window (none after a refusal).
ImageHandle TracebackImage(ImageHandle histogram, int left, int top, int right, int bottom);

/// The area chooser of the traceback: the histograms by name, the chosen one
/// painted, and a rectangle dragged on it (or typed) in histogram pixels.
class TracebackAreaDialog : public platform::DialogModel {
public:
    TracebackAreaDialog(std::vector<ImageHandle> histograms, const std::vector<std::string>& names);

    void initialize() override;
    void changed(platform::DialogControl& control) override;
    bool pressed(platform::DialogControl& control) override;
    void paint(platform::DialogControl& canvas, platform::Surface& surface) override;
    void mouse(platform::DialogControl& canvas, const platform::CanvasMouse& event) override;

    /// After OK: the chosen histogram and the rectangle, bounds inclusive,
    /// left <= right and top <= bottom.
    ImageHandle chosen;
    int left = 0, top = 0, right = 0, bottom = 0;

private:
    ImageHandle current() const;
    /// The typed rectangle, ordered and clamped to the histogram; false when
    /// a bound is missing or not a number.
    bool readRectangle(int& l, int& t, int& r, int& b) const;
    void showRectangle(int l, int t, int r, int b);
    void updateOk();

    std::vector<ImageHandle> histograms_;
    bool dragging_ = false;
    int anchorX_ = 0, anchorY_ = 0;
};

}  // namespace orvex
