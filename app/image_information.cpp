#include "app/image_information.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/zoom.h"
#include "config/profile_file.h"
#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/image_window_events.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex::app {

using platform::ControlKind;
using platform::DialogControl;

namespace {

template <class... A>
std::string format(const char* pattern, A... values) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

std::string threeDecimals(double v) { return format("%.3f", v); }

void showText(platform::DialogModel& d, const std::string& label, const std::string& text) {
    if (DialogControl* c = d.find(label)) c->text = text;
}

}  // namespace

ImagePropertyTexts DescribeImageProperties(const Image& image) {
    ImagePropertyTexts t;
    t.width = std::to_string(image.Width());
    t.height = std::to_string(image.Height());
    t.colours = std::to_string(image.PaletteCount());
    t.depth = format("%d bit", image.Depth());
    t.memory = format("%dk", static_cast<int>(image.ByteSize() / 1000));
    t.storage = image.IsLarge() ? "Disk" : "RAM";
    if (image.IsPositionRegistered())
        t.scale = format("%.2f Units/Pixel",
                         (std::fabs(image.UnitsPerPixelX()) + std::fabs(image.UnitsPerPixelY())) / 2);
    else
        t.scale = "Not Registered";
    const ZRegistration& z = image.GetZRegistration();
    t.zUnits = z.flag ? z.units : "Not Registered";
    return t;
}

// --- Image Information ---------------------------------------------------

ImageInformationDialog::ImageInformationDialog(ImageHandle window)
    : DialogModel("Image Information"), window_(window) {
    auto readOut = [this](const char* label) { add({.label = label, .kind = ControlKind::ReadOut}); };
    readOut("File:");
    add({.label = "Author:", .kind = ControlKind::Edit});
    readOut("Date:");
    readOut("Host Computer:");
    readOut("Make:");
    readOut("Model:");
    readOut("Software:");
    add({.label = "Description:", .kind = ControlKind::Edit, .height = 4});
    readOut("Width:");
    readOut("Height:");
    readOut("Colors:");
    readOut("Depth:");
    readOut("Memory:");
    readOut("Storage:");
    readOut("Scale:");
    readOut("Z Units:");
    add({.label = "Change Registration...", .kind = ControlKind::Button});
    add({.label = "Change Z Registration...", .kind = ControlKind::Button});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    refresh();
}

void ImageInformationDialog::refresh() {
    OrvexView* view = LiveView(window_);
    if (!view) return;
    const Image& image = *view->image;
    showText(*this, "File:", view->name);
    showText(*this, "Author:", image.GetText(TextArtist));
    showText(*this, "Date:", image.GetText(TextDateTime));
    showText(*this, "Host Computer:", image.GetText(TextHostComputer));
    showText(*this, "Make:", image.GetText(TextMake));
    showText(*this, "Model:", image.GetText(TextModel));
    showText(*this, "Software:", image.GetText(TextSoftware));
    showText(*this, "Description:", image.GetText(TextImageDescription));
    ImagePropertyTexts t = DescribeImageProperties(image);
    showText(*this, "Width:", t.width);
    showText(*this, "Height:", t.height);
    showText(*this, "Colors:", t.colours);
    showText(*this, "Depth:", t.depth);
    showText(*this, "Memory:", t.memory);
    showText(*this, "Storage:", t.storage);
    showText(*this, "Scale:", t.scale);
    showText(*this, "Z Units:", t.zUnits);
}

bool ImageInformationDialog::pressed(DialogControl& control) {
    if (control.label == "Change Registration...") {
        // The texts typed so far survive the refresh.
        std::string author = find("Author:")->text, description = find("Description:")->text;
        if (ShowRegisterImage(window_)) {
            if (OrvexView* view = LiveView(window_)) {
                view->mapping.ShowExtents(*view->image, view->mapping.zoom);
                auto& listeners = view->listeners;
                if (std::find(listeners.begin(), listeners.end(), &ImageWindowEventHandler) == listeners.end())
                    AddImageListener(window_, &ImageWindowEventHandler);
                NotifyImageListeners(window_, ImageEvent{window_, ImageEventRegistration});
                Redraw(window_, true);
            }
        }
        refresh();
        find("Author:")->text = author;
        find("Description:")->text = description;
        return false;
    }
    if (control.label == "Change Z Registration...") {
        std::string author = find("Author:")->text, description = find("Description:")->text;
        ShowZRegistration(window_);
        refresh();
        find("Author:")->text = author;
        find("Description:")->text = description;
        return false;
    }
    if (control.label == "OK") {
        // Straight into the text block: no listener hears of it.
        if (Image* image = LiveImage(window_)) {
            image->SetText(TextArtist, find("Author:")->text);
            image->SetText(TextImageDescription, find("Description:")->text);
        }
    }
    return DialogModel::pressed(control);
}

// --- Register Image --------------------------------------------------------

static const char* const kPointFields[2][4] = {
    {"Point 1 Vector X", "Point 1 Vector Y", "Point 1 Raster X", "Point 1 Raster Y"},
    {"Point 2 Vector X", "Point 2 Vector Y", "Point 2 Raster X", "Point 2 Raster Y"},
};

RegisterImageDialog::RegisterImageDialog(ImageHandle window)
    : DialogModel("Register Image"), window_(window) {
    const Image* image = LiveImage(window);
    if (image) {
        saved_ = image->GetPositionRegistration();
        savedRegistered_ = image->IsPositionRegistered();
        savedModified_ = image->IsModified();
    }
    const PositionRegistration& r = saved_;
    add({.label = "Point 1", .kind = ControlKind::Label});
    add({.label = kPointFields[0][0], .kind = ControlKind::RealEdit, .group = "Point 1", .text = threeDecimals(r.x1)});
    add({.label = kPointFields[0][1], .kind = ControlKind::RealEdit, .group = "Point 1", .text = threeDecimals(r.y1)});
    add({.label = kPointFields[0][2], .kind = ControlKind::IntEdit, .group = "Point 1", .text = std::to_string(r.px1)});
    add({.label = kPointFields[0][3], .kind = ControlKind::IntEdit, .group = "Point 1", .text = std::to_string(r.py1)});
    add({.label = "Point 2", .kind = ControlKind::Label});
    add({.label = kPointFields[1][0], .kind = ControlKind::RealEdit, .group = "Point 2", .text = threeDecimals(r.x2)});
    add({.label = kPointFields[1][1], .kind = ControlKind::RealEdit, .group = "Point 2", .text = threeDecimals(r.y2)});
    add({.label = kPointFields[1][2], .kind = ControlKind::IntEdit, .group = "Point 2", .text = std::to_string(r.px2)});
    add({.label = kPointFields[1][3], .kind = ControlKind::IntEdit, .group = "Point 2", .text = std::to_string(r.py2)});
    int width = image ? image->Width() : 1, height = image ? image->Height() : 1;
    int previewW = std::min(width, kPreviewSize), previewH = std::min(height, kPreviewSize);
    add({.label = "Preview", .kind = ControlKind::Canvas, .width = previewW, .height = previewH});
    // Along the bottom and the right edge of the preview.
    add({.label = "Horizontal", .kind = ControlKind::ScrollBar, .min = 0, .max = std::max(0, width - previewW),
         .width = previewW});
    add({.label = "Vertical", .kind = ControlKind::ScrollBar, .min = 0, .max = std::max(0, height - previewH),
         .height = previewH});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

void RegisterImageDialog::initialize() {
    Image* image = LiveImage(window_);
    if (!image || opened_) return;
    opened_ = true;
    // Positions in the preview read as pixel positions while the dialog is open.
    image->SetDefaultRegistration();
}

void RegisterImageDialog::restore() {
    Image* image = LiveImage(window_);
    if (!image || !opened_) return;
    image->SetPositionRegistration(saved_);
    if (!savedRegistered_) image->ClearPositionRegistered();
    image->SetModified(savedModified_);
    opened_ = false;
}

namespace {
// The point whose Raster field this is (1 or 2), 0 for any other control.
int rasterPointOf(const DialogControl& control) {
    if (control.kind != ControlKind::IntEdit) return 0;
    if (control.group == "Point 1") return 1;
    if (control.group == "Point 2") return 2;
    return 0;
}
}  // namespace

void RegisterImageDialog::changed(DialogControl& control) {
    if (int point = rasterPointOf(control)) focusedPoint_ = point;
}

void RegisterImageDialog::focused(DialogControl& control) {
    // The preview picks for the point whose Raster field holds the focus, and
    // for none once the focus has gone to another field.
    focusedPoint_ = rasterPointOf(control);
}

bool RegisterImageDialog::pressed(DialogControl& control) {
    if (control.label == "Cancel") {
        restore();
        return DialogModel::pressed(control);
    }
    if (control.label != "OK") return DialogModel::pressed(control);
    PositionRegistration r;
    r.x1 = config::LeadingReal(find(kPointFields[0][0])->text);
    r.y1 = config::LeadingReal(find(kPointFields[0][1])->text);
    r.px1 = config::LeadingInteger(find(kPointFields[0][2])->text);
    r.py1 = config::LeadingInteger(find(kPointFields[0][3])->text);
    r.x2 = config::LeadingReal(find(kPointFields[1][0])->text);
    r.y2 = config::LeadingReal(find(kPointFields[1][1])->text);
    r.px2 = config::LeadingInteger(find(kPointFields[1][2])->text);
    r.py2 = config::LeadingInteger(find(kPointFields[1][3])->text);
    if (r.px1 == r.px2 || r.py1 == r.py2 || r.x1 == r.x2 || r.y1 == r.y2) {
        platform::ui().message("Duplicate control point detected!", "Warning", platform::Buttons::Ok,
                               platform::Icon::Warning);
        return false;
    }
    Image* image = LiveImage(window_);
    if (!image) {
        close(false);
        return true;
    }
    image->SetPositionRegistration(r);
    opened_ = false;
    close(true);
    return true;
}

void RegisterImageDialog::paint(DialogControl& canvas, platform::Surface& surface) {
    OrvexView* view = LiveView(window_);
    if (!view || canvas.label != "Preview") return;
    // The preview is the window's own picture through a mapping of one screen
    // pixel per image pixel, scrolled by the bars.
    DisplayMapping preview;
    preview.ShowExtents(*view->image, 1.0);
    preview.originX += find("Horizontal")->value / preview.pixelsPerUnitX;
    preview.originY -= find("Vertical")->value / preview.pixelsPerUnitY;
    std::swap(view->mapping, preview);
    DrawImageWindow(window_, surface);
    if (OrvexView* still = LiveView(window_)) std::swap(still->mapping, preview);
}

void RegisterImageDialog::mouse(DialogControl& canvas, const platform::CanvasMouse& event) {
    if (canvas.label != "Preview" || !event.left) return;
    if (event.kind == platform::CanvasMouse::Kind::Down) dragging_ = true;
    if (event.kind == platform::CanvasMouse::Kind::Up) {
        dragging_ = false;
        return;
    }
    if (event.kind == platform::CanvasMouse::Kind::Move && !dragging_) return;
    const Image* image = LiveImage(window_);
    if (!image || focusedPoint_ == 0) return;
    // The pixel under the mouse, at one screen pixel per image pixel.
    int column = std::clamp(event.x + find("Horizontal")->value, 0, image->Width() - 1);
    int row = std::clamp(event.y + find("Vertical")->value, 0, image->Height() - 1);
    find(kPointFields[focusedPoint_ - 1][2])->text = std::to_string(column);
    find(kPointFields[focusedPoint_ - 1][3])->text = std::to_string(row);
}

bool ShowRegisterImage(ImageHandle window) {
    if (!LiveImage(window)) return false;
    RegisterImageDialog dialog(window);
    dialog.initialize();
    bool confirmed = platform::ui().runDialog(dialog) && dialog.accepted();
    // However the dialog went away, an unconfirmed one leaves the registration as it was.
    if (!confirmed) dialog.restore();
    return confirmed;
}

// --- Z Registration ----------------------------------------------------------

ZRegistrationDialog::ZRegistrationDialog(ImageHandle window)
    : DialogModel("Z Registration"), window_(window) {
    ZRegistration z;
    if (const Image* image = LiveImage(window)) z = image->GetZRegistration();
    add({.label = "Low", .kind = ControlKind::RealEdit, .text = threeDecimals(z.low)});
    add({.label = "High", .kind = ControlKind::RealEdit, .text = threeDecimals(z.high)});
    add({.label = "Description", .kind = ControlKind::Edit, .text = z.units});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

bool ZRegistrationDialog::pressed(DialogControl& control) {
    if (control.label == "OK") {
        if (Image* image = LiveImage(window_)) {
            ZRegistration z;
            z.flag = 1;
            z.low = config::LeadingReal(find("Low")->text);
            z.high = config::LeadingReal(find("High")->text);
            z.units = find("Description")->text.substr(0, ZRegistration::kUnitsLength - 1);
            image->SetZRegistration(z);  // straight into the image: no listener hears of it
        }
    }
    return DialogModel::pressed(control);
}

bool ShowZRegistration(ImageHandle window) {
    if (!LiveImage(window)) return false;
    ZRegistrationDialog dialog(window);
    return platform::ui().runDialog(dialog) && dialog.accepted();
}

void ShowImageInformation(ImageHandle window) {
    if (!LiveImage(window)) return;
    ImageInformationDialog dialog(window);
    platform::ui().runDialog(dialog);
}

// --- Zoom Set -----------------------------------------------------------------

static const int kZoomChoices[] = {25, 50, 75, 100, 150, 200, 300};
// The percentages the display mapping can show.
static const int kLowestPercent = static_cast<int>(std::ceil(DisplayMapping::kMinZoom * 100));
static const int kHighestPercent = static_cast<int>(DisplayMapping::kMaxZoom * 100);

ZoomSetDialog::ZoomSetDialog() : DialogModel("Zoom Set") {
    int current = 100;
    if (OrvexView* view = LiveView(ActiveImageWindow())) current = view->mapping.ZoomPercent();
    bool matched = false;
    for (int p : kZoomChoices) {
        bool on = p == current;
        matched |= on;
        add({.label = std::to_string(p) + "%", .kind = ControlKind::Radio, .group = "Zoom", .value = on});
    }
    add({.label = "Set", .kind = ControlKind::Radio, .group = "Zoom", .value = !matched});
    add({.label = "Percent", .kind = ControlKind::IntEdit, .text = std::to_string(current),
         .min = kLowestPercent, .max = kHighestPercent});
    add({.label = "Active Window", .kind = ControlKind::Radio, .group = "Apply", .value = 1});
    add({.label = "All Windows && Tile", .kind = ControlKind::Radio, .group = "Apply", .value = 0});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

int ZoomSetDialog::percentage() const {
    for (int p : kZoomChoices)
        if (find(std::to_string(p) + "%")->value) return p;
    return std::clamp(config::LeadingInteger(find("Percent")->text), kLowestPercent, kHighestPercent);
}

bool ZoomSetDialog::allWindows() const { return find("All Windows && Tile")->value != 0; }

bool ZoomSetDialog::pressed(DialogControl& control) { return DialogModel::pressed(control); }

void ShowZoomSet(const std::function<void()>& tile) {
    ZoomSetDialog dialog;
    if (!platform::ui().runDialog(dialog) || !dialog.accepted()) return;
    double factor = dialog.percentage() * 0.01;
    if (dialog.allWindows()) {
        for (ImageHandle w : windowList().Windows()) SetZoom(w, factor);
        if (tile) tile();
    } else {
        SetZoom(ActiveImageWindow(), factor);
    }
}

}  // namespace orvex::app
