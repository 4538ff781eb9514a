#include "processing/histogram2d.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imagestore/history.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/value_range.h"
#include "platform/surface.h"
#include "platform/ui.h"
#include "processing/histogram.h"

namespace orvex {

namespace {

constexpr int kCells = 256;
constexpr const char* kTraceCaption = "chi_traceback";

std::string nameOf(ImageHandle window) {
    const OrvexView* view = LiveView(window);
    return view ? view->name : std::string();
}

// Wait cursor for the length of a scope.
struct WaitCursor {
    WaitCursor() { platform::ui().setWaitCursor(true); }
    ~WaitCursor() { platform::ui().setWaitCursor(false); }
};

}  // namespace

TracebackTableType& TracebackTable() {
    static TracebackTableType table{};
    return table;
}

void ResetTracebackTable() { TracebackTable().fill(TracebackEntry{}); }

int RecordTraceback(const TracebackEntry& entry) {
    auto& table = TracebackTable();
    // The first slot holding the smallest histogram number: a free slot (0)
    // wins, and with all slots used the oldest histogram gives way.
    int slot = 0;
    for (int i = 1; i < kTracebackEntries; ++i)
        if (table[i].histogram < table[slot].histogram) slot = i;
    table[slot] = entry;
    return slot;
}

ImageHandle Histogram2DImage(ImageHandle xWindow, ImageHandle yWindow) {
    if (!LiveImage(xWindow) || !LiveImage(yWindow)) return {};
    if (!SameSize(xWindow, yWindow)) return {};
    const std::string xName = nameOf(xWindow), yName = nameOf(yWindow);

    const ImageHandle histogram = CreateImage(kCells, kCells, PaletteCustom, true, 8);
    if (!histogram) return {};
    OV_Info_SetType(histogram, IMAGETYPE_HISTOGRAM2D);
    SetImageName(histogram, xName + "-" + yName + "-2DHisto");

    {
        WaitCursor wait;
        ZRegistration xz, yz;
        GetZRegistration(xWindow, xz);
        GetZRegistration(yWindow, yz);
        // The axes then read in the two images' calibrated units; a Z range
        // of no width would make the registration singular, so it is left out.
        if (xz.flag && yz.flag && xz.low != xz.high && yz.low != yz.high)
            SetRegistration(histogram, {xz.low, yz.low}, {xz.high, yz.high});

        // The cells are counted in memory (saturating at 255) and the
        // histogram written once, row by row.
        std::vector<uint8_t> cells(static_cast<size_t>(kCells) * kCells, 0);
        const Image* xImage = LiveImage(xWindow);
        if (!xImage) return histogram;
        const int width = xImage->Width(), height = xImage->Height();
        std::vector<uint8_t> xRow(static_cast<size_t>(width)), yRow(static_cast<size_t>(width));
        for (int i = 0; i < height; ++i) {
            if (ReadLine8(xWindow, i, xRow.data()) != ImageDone ||
                ReadLine8(yWindow, i, yRow.data()) != ImageDone)
                break;
            for (int j = 0; j < width; ++j) {
                uint8_t& cell = cells[static_cast<size_t>(255 - yRow[j]) * kCells + xRow[j]];
                if (cell != 255) ++cell;
            }
            if (Image* x = LiveImage(xWindow)) x->ReportRowProgress(i, height);
        }
        if (Image* x = LiveImage(xWindow)) x->ReportProgress(100);
        for (int r = 0; r < kCells; ++r) {
            if (WriteLine8(histogram, r, &cells[static_cast<size_t>(r) * kCells]) != ImageDone) {
                platform::showMessage("Error during HISTO2 scan", "histo2()");
                if (!LiveImage(histogram)) return {};
            }
        }

        ZRegistration hits;
        hits.flag = 1;
        hits.low = static_cast<double>(OV_ScanForMin(histogram));
        hits.high = static_cast<double>(OV_ScanForMax(histogram));
        hits.units = "pixel hits";
        SetZRegistration(histogram, hits);
        OVP_NormalizeImage(histogram);

        RecordTraceback({xWindow.number, yWindow.number, histogram.number});
    }

    const Image* x = LiveImage(xWindow);
    const Image* y = LiveImage(yWindow);
    const ImageHandle paletteFrom = x && y && x->PaletteCount() > y->PaletteCount() ? xWindow : yWindow;
    std::vector<uint32_t> colours;
    if (GetPalette(paletteFrom, colours) == ImageDone && !colours.empty())
        SetPalette(histogram, colours.data(), static_cast<int>(colours.size()), PaletteCustom);

    LogHistory(histogram, "histogram-2d: ", true);
    LogHistory(histogram, "  x-axis image: " + xName, false);
    LogHistory(histogram, "  y-axis image: " + yName, false);
    LogHistory(histogram, "  new image: " + nameOf(histogram), false);
    Redraw(histogram, true);
    return histogram;
}

ImageHandle TracebackImage(ImageHandle chosen, int l, int t, int r, int b) {
    const auto& table = TracebackTable();
    const TracebackEntry* entry = nullptr;
    for (const auto& e : table)
        if (e.histogram != 0 && e.histogram == chosen.number) entry = &e;  // the last match wins
    if (!entry) {
        platform::showMessage("bad traceback handle", kTraceCaption);
        return {};
    }
    const ImageHandle xWindow{entry->xImage}, yWindow{entry->yImage};
    const Image* x = LiveImage(xWindow);
    const Image* y = LiveImage(yWindow);
    if (!x || !y) {
        platform::showMessage("source image is missing", kTraceCaption);
        return {};
    }
    const int width = x->Width(), height = x->Height();
    // The pair must still cover every pixel of the x-axis image.
    if (y->Width() < width || y->Height() < height) {
        platform::showMessage("source image is missing", kTraceCaption);
        return {};
    }
    const bool registered = x->IsPositionRegistered();
    RealPoint lowerLeft, upperRight;
    GetCorners(xWindow, lowerLeft, upperRight);
    const std::string histogramName = nameOf(chosen);

    const ImageHandle trace = CreateImage(width, height, PaletteCustom, false, 8);
    if (!trace) return {};
    if (registered) SetRegistration(trace, lowerLeft, upperRight);
    SetImageName(trace, histogramName + "-trace");

    std::vector<uint8_t> xRow(static_cast<size_t>(width)), yRow(static_cast<size_t>(width)),
        out(static_cast<size_t>(width));
    for (int row = 0; row < height; ++row) {
        if (ReadLine8(xWindow, row, xRow.data()) != ImageDone ||
            ReadLine8(yWindow, row, yRow.data()) != ImageDone)
            break;
        for (int j = 0; j < width; ++j) {
            const int xv = xRow[j], d = 255 - yRow[j];
            out[j] = l <= xv && xv <= r && t <= d && d <= b ? 255 : 0;
        }
        if (WriteLine8(trace, row, out.data()) != ImageDone) break;
        if (Image* image = LiveImage(trace)) image->ReportRowProgress(row, height);
    }
    if (Image* image = LiveImage(trace)) image->ReportProgress(100);
    LogHistory(trace, "traceback: ", true);
    LogHistory(trace, "  histogram image: " + histogramName, false);
    LogHistory(trace, "  new image: " + nameOf(trace), false);
    Redraw(trace, true);
    return trace;
}

// --- The area chooser ----------------------------------------------------------

using platform::ControlKind;
using platform::DialogControl;

TracebackAreaDialog::TracebackAreaDialog(std::vector<ImageHandle> histograms,
                                         const std::vector<std::string>& names)
    : DialogModel("Choose traceback area."), histograms_(std::move(histograms)) {
    add({.label = "Histogram", .kind = ControlKind::List, .value = histograms_.empty() ? -1 : 0,
         .items = names});
    add({.label = "Area", .kind = ControlKind::Canvas, .width = kCells, .height = kCells});
    for (const char* bound : {"Left", "Top", "Right", "Bottom"})
        add({.label = bound, .kind = ControlKind::IntEdit, .min = 0, .max = kCells - 1});
    add({.label = "OK", .kind = ControlKind::Button, .enabled = false});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

void TracebackAreaDialog::initialize() { updateOk(); }

ImageHandle TracebackAreaDialog::current() const {
    const DialogControl* list = find("Histogram");
    if (!list || list->value < 0 || list->value >= static_cast<int>(histograms_.size())) return {};
    return histograms_[static_cast<size_t>(list->value)];
}

bool TracebackAreaDialog::readRectangle(int& l, int& t, int& r, int& b) const {
    int v[4];
    const char* bounds[4] = {"Left", "Top", "Right", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        const DialogControl* c = find(bounds[i]);
        if (!c || c->text.empty()) return false;
        char* end = nullptr;
        const long n = std::strtol(c->text.c_str(), &end, 10);
        if (!end || *end != '\0') return false;
        v[i] = static_cast<int>(std::clamp(n, 0L, static_cast<long>(kCells - 1)));
    }
    l = std::min(v[0], v[2]);
    r = std::max(v[0], v[2]);
    t = std::min(v[1], v[3]);
    b = std::max(v[1], v[3]);
    return true;
}

void TracebackAreaDialog::showRectangle(int l, int t, int r, int b) {
    find("Left")->text = std::to_string(std::min(l, r));
    find("Top")->text = std::to_string(std::min(t, b));
    find("Right")->text = std::to_string(std::max(l, r));
    find("Bottom")->text = std::to_string(std::max(t, b));
    updateOk();
}

void TracebackAreaDialog::updateOk() {
    int l, t, r, b;
    find("OK")->enabled = current() && readRectangle(l, t, r, b);
}

void TracebackAreaDialog::changed(DialogControl&) { updateOk(); }

bool TracebackAreaDialog::pressed(DialogControl& control) {
    if (control.label == "OK") {
        int l, t, r, b;
        const ImageHandle h = current();
        if (!h || !LiveImage(h) || !readRectangle(l, t, r, b)) return false;
        chosen = h;
        left = l;
        top = t;
        right = r;
        bottom = b;
        close(true);
        return true;
    }
    return DialogModel::pressed(control);
}

void TracebackAreaDialog::paint(DialogControl& canvas, platform::Surface& surface) {
    if (canvas.label != "Area") return;
    const ImageHandle h = current();
    const Image* image = LiveImage(h);
    if (!image) {
        surface.fillRect({0, 0, canvas.width, canvas.height}, 0);
        return;
    }
    // The histogram as one bottom-up strip at one screen pixel per cell.
    const int w = std::min(image->Width(), canvas.width), rows = std::min(image->Height(), canvas.height);
    const int rowBytes = (w + 3) & ~3;
    std::vector<uint8_t> bits(static_cast<size_t>(rowBytes) * rows, 0);
    std::vector<uint8_t> line(static_cast<size_t>(image->Width()));
    for (int r = 0; r < rows; ++r) {
        ReadLine8(h, r, line.data());
        std::copy_n(line.begin(), w, bits.begin() + static_cast<ptrdiff_t>(rows - 1 - r) * rowBytes);
    }
    platform::BitmapStrip strip;
    strip.bits = bits.data();
    strip.width = w;
    strip.rows = rows;
    strip.rowBytes = rowBytes;
    strip.bitCount = 8;
    strip.palette = image->PaletteBytes();
    surface.drawStrip(strip, {0, 0, w, rows}, {0, 0, w, rows});

    int l, t, r, b;
    if (!readRectangle(l, t, r, b)) return;
    surface.setXorMode(true);
    surface.setPen({0xFFFFFF, 1, platform::PenStyle::Solid});
    surface.setBrush({0, true});
    surface.rectangle({l, t, r + 1, b + 1});
    surface.setXorMode(false);
}

void TracebackAreaDialog::mouse(DialogControl& canvas, const platform::CanvasMouse& event) {
    if (canvas.label != "Area" || !current()) return;
    const int x = std::clamp(event.x, 0, kCells - 1), y = std::clamp(event.y, 0, kCells - 1);
    switch (event.kind) {
        case platform::CanvasMouse::Kind::Down:
            if (!event.left) return;
            dragging_ = true;
            anchorX_ = x;
            anchorY_ = y;
            showRectangle(x, y, x, y);
            break;
        case platform::CanvasMouse::Kind::Move:
            if (dragging_ && event.left) showRectangle(anchorX_, anchorY_, x, y);
            break;
        case platform::CanvasMouse::Kind::Up:
            if (dragging_) showRectangle(anchorX_, anchorY_, x, y);
            dragging_ = false;
            break;
        case platform::CanvasMouse::Kind::DoubleClick: break;
    }
}

}  // namespace orvex
