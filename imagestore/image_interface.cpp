#include "imagestore/image_interface.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "imagestore/history.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex {

namespace {

void Notify(OrvexView& view, int code, std::intptr_t first = 0, std::intptr_t second = 0) {
    if (view.listeners.empty()) return;
    ImageEvent event;
    event.window = view.Handle();
    event.code = code;
    event.first = first;
    event.second = second;
    NotifyImageListeners(view.Handle(), event);
}

std::string CutName(const std::string& name) {
    return name.substr(0, std::min(name.size(), ImageSummary::kNameLength - 1));
}

constexpr std::intptr_t Pack(int high, int low) {
    return static_cast<std::intptr_t>((static_cast<uint32_t>(high) << 16) |
                                      (static_cast<uint32_t>(low) & 0xFFFFu));
}

// Steps shared by a created and a read image once the image is built: the
// window gets its number, its mapping and its rectangle, default texts, its
// first history lines, and joins the list.
ImageHandle EnterWindow(std::unique_ptr<OrvexView> view) {
    Image& image = *view->image;
    view->mapping.ShowExtents(image);
    view->mapping.mirrorHorizontal = displayMirror().horizontal;
    view->mapping.mirrorVertical = displayMirror().vertical;
    view->imageRectangles.push_back({0, 0, image.Width(), image.Height()});
    if (!image.GetTexts()) image.SetTexts(ImageTexts{});
    const bool modified = image.IsModified();
    if (image.GetText(TextDateTime).empty()) image.SetText(TextDateTime, TimeText());
    if (image.GetText(TextHostComputer).empty()) image.SetText(TextHostComputer, "IBM Compatible");
    if (image.GetText(TextSoftware).empty()) image.SetText(TextSoftware, "Orvex 4.0");
    image.SetModified(modified);
    view->history.clear();
    const std::string name = view->name;
    const ImageHandle handle = windowList().Add(std::move(view));
    LogHistory(handle, "new image created:  ", true);
    LogHistory(handle, "  name: " + name, false);
    LiveImage(handle)->SavePalette();
    if (windowList().hooks.titleChanged) windowList().hooks.titleChanged(handle);
    if (windowList().hooks.refreshStatus) windowList().hooks.refreshStatus();
    return handle;
}

void RaiseCreated(ImageHandle handle, bool fromFile) {
    ImageEvent event;
    event.window = handle;
    event.code = ImageEventCreated;
    event.first = fromFile ? 1 : 0;
    windowList().NotifyApplication(event);
}

}  // namespace

OrvexView* LiveView(ImageHandle window) {
    OrvexView* view = windowList().Find(window);
    return view && view->image ? view : nullptr;
}

Image* LiveImage(ImageHandle window) {
    OrvexView* view = LiveView(window);
    return view ? view->image.get() : nullptr;
}

int GetImageSummary(ImageHandle window, ImageSummary& s) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    const Image& image = *view->image;
    s.name = CutName(view->name);
    s.artist = image.GetText(TextArtist);
    s.dateTime = image.GetText(TextDateTime);
    s.hostComputer = image.GetText(TextHostComputer);
    s.imageDescription = image.GetText(TextImageDescription);
    s.make = image.GetText(TextMake);
    s.model = image.GetText(TextModel);
    s.software = image.GetText(TextSoftware);
    s.width = image.Width();
    s.height = image.Height();
    s.positionRegistered = image.IsPositionRegistered() ? 1 : 0;
    s.zRegistered = image.GetZRegistration().flag;
    s.paletteCount = image.PaletteCount();
    s.depth = image.Depth();
    s.paletteKind = image.GetPaletteKind();
    s.window = window;
    s.imageNumber = view->imageNumber;
    return ImageDone;
}

int SetImageSummary(ImageHandle window, const ImageSummary& s) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    Image& image = *view->image;
    view->name = CutName(s.name);
    image.SetText(TextArtist, s.artist);
    image.SetText(TextHostComputer, s.hostComputer);
    image.SetText(TextImageDescription, s.imageDescription);
    image.SetText(TextMake, s.make);
    image.SetText(TextModel, s.model);
    if (windowList().hooks.titleChanged) windowList().hooks.titleChanged(window);
    Notify(*view, ImageEventSummary);
    return ImageDone;
}

int SetImageName(ImageHandle window, const std::string& name) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    view->name = CutName(name);
    if (windowList().hooks.titleChanged) windowList().hooks.titleChanged(window);
    Notify(*view, ImageEventSummary);
    return ImageDone;
}

int ReadLine8(ImageHandle window, int row, uint8_t* buffer) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    return image->ReadLine(row, buffer, 8) ? ImageDone : ImageRefused;
}

int ReadLine16(ImageHandle window, int row, uint16_t* buffer) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    return image->ReadLine(row, buffer, 16) ? ImageDone : ImageRefused;
}

static int WriteLineAt(ImageHandle window, int row, const void* buffer, int depth) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    if (!view->image->WriteLine(row, buffer, depth)) return ImageRefused;
    Notify(*view, ImageEventLine, row);
    return ImageDone;
}

int LineWritten(ImageHandle window, int row) {
    return LinesWritten(window, row, row);
}

int LinesWritten(ImageHandle window, int from, int to) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    const int height = view->image->Height();
    if (std::min(from, to) < 0 || std::max(from, to) >= height) return ImageRefused;
    view->image->SetModified(true);
    const int step = from <= to ? 1 : -1;
    for (int row = from;; row += step) {
        const bool told = !view->listeners.empty();
        Notify(*view, ImageEventLine, row);
        if (row == to) return ImageDone;
        // A listener may have closed the window.
        if (told && !(view = LiveView(window))) return ImageNotLive;
    }
}

int WriteLine8(ImageHandle window, int row, const uint8_t* buffer) {
    return WriteLineAt(window, row, buffer, 8);
}

int WriteLine16(ImageHandle window, int row, const uint16_t* buffer) {
    return WriteLineAt(window, row, buffer, 16);
}

int ReadBlock8(ImageHandle window, int column, int row, int w, int h, uint8_t* buffer) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    return image->ReadBlock(column, row, w, h, buffer, 8) ? ImageDone : ImageRefused;
}

int ReadBlock16(ImageHandle window, int column, int row, int w, int h, uint16_t* buffer) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    return image->ReadBlock(column, row, w, h, buffer, 16) ? ImageDone : ImageRefused;
}

static int WriteBlockAt(ImageHandle window, int column, int row, int w, int h, const void* buffer,
                        int depth) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    if (!view->image->WriteBlock(column, row, w, h, buffer, depth)) return ImageRefused;
    Notify(*view, ImageEventBlock, Pack(row, column), Pack(h, w));
    return ImageDone;
}

int WriteBlock8(ImageHandle window, int column, int row, int w, int h, const uint8_t* buffer) {
    return WriteBlockAt(window, column, row, w, h, buffer, 8);
}

int WriteBlock16(ImageHandle window, int column, int row, int w, int h, const uint16_t* buffer) {
    return WriteBlockAt(window, column, row, w, h, buffer, 16);
}

int GetPalette(ImageHandle window, std::vector<uint32_t>& colours) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    colours.resize(static_cast<size_t>(image->PaletteCount()));
    for (int i = 0; i < image->PaletteCount(); ++i) {
        const PaletteColour c = image->GetPaletteEntry(i);
        colours[i] = (static_cast<uint32_t>(c.blue) << 16) |
                     (static_cast<uint32_t>(c.green) << 8) | c.red;
    }
    return ImageDone;
}

int SetPalette(ImageHandle window, const uint32_t* colours, int count, int kind) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    Image& image = *view->image;
    if (colours) {
        if (count < 1 || count > 256) return ImageRefused;
        // The count comes first so that entries above the old count are taken.
        image.SetPaletteCount(count);
        for (int i = 0; i < count; ++i)
            image.SetPaletteEntry(i, colours[i] & 0xFF, (colours[i] >> 8) & 0xFF,
                                  (colours[i] >> 16) & 0xFF);
        image.SavePalette();
    }
    image.ApplyPaletteKind(kind);
    Notify(*view, ImageEventPalette);
    return ImageDone;
}

int GetCorners(ImageHandle window, RealPoint& lowerLeft, RealPoint& upperRight) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    image->GetLowerLeftUpperRight(lowerLeft, upperRight);
    return ImageDone;
}

int SetRegistration(ImageHandle window, const RealPoint& lowerLeft, const RealPoint& upperRight) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    Image& image = *view->image;
    PositionRegistration r;
    r.px1 = 0;
    r.py1 = image.Height() - 1;
    r.x1 = lowerLeft.x;
    r.y1 = lowerLeft.y;
    r.px2 = image.Width() - 1;
    r.py2 = 0;
    r.x2 = upperRight.x;
    r.y2 = upperRight.y;
    image.SetPositionRegistration(r);
    Notify(*view, ImageEventRegistration);
    if (OrvexView* still = LiveView(window)) {
        still->mapping.ShowExtents(*still->image, still->mapping.zoom);
        if (windowList().hooks.repaint) windowList().hooks.repaint(window);
    }
    return ImageDone;
}

int GetZRegistration(ImageHandle window, ZRegistration& z) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    z = image->GetZRegistration();
    return ImageDone;
}

int SetZRegistration(ImageHandle window, const ZRegistration& z) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    view->image->SetZRegistration(z);
    Notify(*view, ImageEventZRegistration);
    return ImageDone;
}

int PixelToReal(ImageHandle window, RealPoint& point) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    const Image& image = *view->image;
    if (!image.IsPositionRegistered()) {
        point.y = image.Height() - 1 - point.y;
        return ImageDone;
    }
    // The mirror settings count the pixel from the other edge, as the
    // picture is drawn.
    point = view->mapping.PixelToReal(image, point.x, point.y);
    return ImageDone;
}

int RealToPixel(ImageHandle window, RealPoint& point) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    if (!image->IsPositionRegistered()) {
        point.y = image->Height() - 1 - point.y;
        return ImageDone;
    }
    point = image->RealToPixel(point.x, point.y);
    return ImageDone;
}

int PixelToWindow(ImageHandle window, RealPoint& point) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    // Through the image's corners whether registered or not: the picture is
    // drawn through them too.
    point = view->mapping.PixelToWindow(*view->image, point.x, point.y);
    return ImageDone;
}

bool SameSize(ImageHandle first, ImageHandle second) {
    const Image* a = LiveImage(first);
    const Image* b = LiveImage(second);
    return a && b && a->Width() == b->Width() && a->Height() == b->Height();
}

int UpdateRows(ImageHandle window, int row) {
    Image* image = LiveImage(window);
    if (!image) return ImageNotLive;
    const int strip = image->StripOfRow(row);
    if (strip < 0) return ImageRefused;
    if (row == image->Strips()[strip].lastRow && windowList().hooks.repaintStrip)
        windowList().hooks.repaintStrip(window, strip);
    return ImageDone;
}

int Redraw(ImageHandle window, bool refreshStatus) {
    if (!LiveView(window)) return ImageNotLive;
    if (windowList().hooks.repaint) windowList().hooks.repaint(window);
    if (refreshStatus && windowList().Active() == window && windowList().hooks.refreshStatus)
        windowList().hooks.refreshStatus();
    return ImageDone;
}

int AddImageListener(ImageHandle window, ImageListener listener) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    if (listener) view->listeners.push_back(listener);
    return ImageDone;
}

int RemoveImageListener(ImageHandle window, ImageListener listener) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    auto it = std::find(view->listeners.begin(), view->listeners.end(), listener);
    if (it != view->listeners.end()) view->listeners.erase(it);
    return ImageDone;
}

int NotifyImageListeners(ImageHandle window, ImageEvent event) {
    OrvexView* view = LiveView(window);
    if (!view) return ImageNotLive;
    event.window = window;
    // A listener may add or remove listeners, or close the window.
    const std::vector<ImageListener> listeners = view->listeners;
    for (ImageListener listener : listeners) {
        if (!LiveView(window)) break;
        listener(event);
    }
    return ImageDone;
}

ImageHandle CreateImage(int width, int height, int kind, bool clear, int depth) {
    auto view = std::make_unique<OrvexView>();
    char name[64];
    std::snprintf(name, sizeof name, "UNTLD%d.TIF", windowList().ImageCounter() + 1);
    view->name = name;
    view->image = std::make_unique<ViewImage>();
    Image& image = *view->image;
    image.SetZRegistration(ZRegistration{});
    if (!image.Allocate(width, height, depth)) return {};
    image.SetPaletteCount(256);
    image.ApplyGreyRamp();
    image.SavePalette();
    // Allocate hands out zeroed pixels, so clearing needs no second pass;
    // both kinds of new image start modified.
    (void)clear;
    image.ApplyPaletteKind(kind);
    image.SetDefaultRegistration();
    image.SetLoadSucceeded(true);
    view->neverSaved = true;
    const ImageHandle handle = EnterWindow(std::move(view));
    RaiseCreated(handle, false);
    return handle;
}

ImageHandle ReadImageFile(const std::string& path, int fileType) {
    auto view = std::make_unique<OrvexView>();
    view->name = CutName(path);
    view->image = std::make_unique<ViewImage>();
    Image& image = *view->image;
    image.SetZRegistration(ZRegistration{});
    // A failed read closes the window before it ever joins the list.
    if (!image.Load(path, fileType) || !image.IsAllocated()) return {};
    image.SavePalette();
    image.ApplyPaletteKind(PaletteCustom);
    if (!image.IsPositionRegistered()) image.SetDefaultRegistration();
    image.SetModified(false);
    view->neverSaved = false;
    view->readFromFile = true;
    const ImageHandle handle = EnterWindow(std::move(view));
    RaiseCreated(handle, true);
    return handle;
}

ImageHandle DuplicateImage(ImageHandle source, bool copyZ, bool logHistory, bool copyPixels) {
    OrvexView* sourceView = LiveView(source);
    if (!sourceView) return {};
    const Image& from = *sourceView->image;
    const ImageHandle copy =
        CreateImage(from.Width(), from.Height(), from.GetPaletteKind(), false, from.Depth());
    // Listeners run at every notification and may close either window, so
    // both are looked up again after each one.
    Image* src = nullptr;
    Image* dst = nullptr;
    auto bothLive = [&] {
        src = LiveImage(source);
        dst = LiveImage(copy);
        return src && dst;
    };
    if (!bothLive()) return copy;

    std::vector<uint32_t> colours;
    GetPalette(source, colours);
    const int kind = src->GetPaletteKind();
    SetPalette(copy, colours.data(), static_cast<int>(colours.size()), kind);
    if (!bothLive()) return copy;
    // The custom palette goes along too, so switching the copy to it shows
    // what switching the source shows.
    dst->CopySavedPaletteFrom(*src);

    // Same size and depth, so the stored rows are alike byte for byte.
    if (copyPixels) dst->CopyRowsFrom(*src, 0, src->Height());
    if (src->IsPositionRegistered()) {
        RealPoint lowerLeft, upperRight;
        src->GetLowerLeftUpperRight(lowerLeft, upperRight);
        SetRegistration(copy, lowerLeft, upperRight);
        if (!bothLive()) return copy;
    }
    if (copyZ) {
        SetZRegistration(copy, src->GetZRegistration());
        if (!bothLive()) return copy;
    }
    for (int slot : {TextArtist, TextHostComputer, TextImageDescription, TextMake, TextModel})
        dst->SetText(slot, src->GetText(slot));
    if (logHistory) {
        LogHistory(copy, "duplicate: ", true);
        LogHistory(copy, "  old image: " + LiveView(source)->name, false);
        LogHistory(copy, "  new image: " + LiveView(copy)->name, false);
    }
    return copy;
}

int CloseImageWindow(ImageHandle window) {
    OrvexView* view = windowList().Find(window);
    if (!view || view->closing) return ImageNotLive;
    view->closing = true;
    LogHistory(window, "image closed: ", true);
    LogHistory(window, "  image name: " + view->name, false);
    platform::ui().setWaitCursor(true);
    if (view->image) Notify(*view, ImageEventDestroying);
    windowList().Remove(window).reset();
    platform::ui().setWaitCursor(false);
    if (windowList().hooks.refreshStatus) windowList().hooks.refreshStatus();
    return ImageDone;
}

ImageHandle FindImageWindow(int imageNumber) {
    OrvexView* view = LiveView(ImageHandle{imageNumber});
    return view ? view->Handle() : ImageHandle{};
}

ImageHandle ActiveImageWindow() { return windowList().Active(); }

namespace {

// The percentage and the Esc key are looked at on the first step, every
// 20th and the last: asking the window system costs more than a row's work.
bool progressAndEscape(Image& image, int step, int rows) {
    if (step % 20 != 0 && step + 1 != rows) return false;
    if (rows > 0)
        image.ReportProgress(static_cast<int>(static_cast<int64_t>(step + 1) * 100 / rows));
    if (platform::ui().takeEscape()) {
        return platform::ui().message("Do you wish to cancel this operation?", "Verify",
                                      platform::Buttons::YesNo,
                                      platform::Icon::Question) == platform::Answer::Yes;
    }
    return false;
}

}  // namespace

bool RowProgressStep(ImageHandle window, int row, int rows) {
    Image* image = LiveImage(window);
    if (!image) return false;
    UpdateRows(window, row);
    return progressAndEscape(*image, row, rows);
}

bool RowProgressStepsUp(ImageHandle window, int first, int last, int rows) {
    Image* image = LiveImage(window);
    for (int step = first; step <= last && image; ++step) {
        const int row = RowOfStepUp(step, rows);
        const int strip = image->StripOfRow(row);
        const bool stripDone = strip >= 0 && row == image->Strips()[strip].firstRow;
        const bool looks = step % 20 == 0 || step + 1 == rows;
        if (!stripDone && !looks) continue;
        if (stripDone && windowList().hooks.repaintStrip)
            windowList().hooks.repaintStrip(window, strip);
        // The front end may have closed the window.
        image = LiveImage(window);
        if (image && looks && progressAndEscape(*image, step, rows)) return true;
        image = LiveImage(window);
    }
    return false;
}

}  // namespace orvex
