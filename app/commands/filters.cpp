#include "app/commands/filters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/command_table.h"
#include "app/image_picker.h"
#include "app/value_entry.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"
#include "processing/filters_dialogs.h"

namespace orvex {

using platform::ControlKind;
using platform::DialogControl;

namespace {

// The pixel a pick landed on. The picker hands back the real position of the
// click as the interface converts it, mirror settings included; going back
// undoes them too, so the pixel is the one under the cursor.
bool pickedPixel(ImageHandle window, RealPoint at, int& column, int& row) {
    const OrvexView* view = LiveView(window);
    if (!view) return false;
    const Image& image = *view->image;
    RealToPixel(window, at);
    if (image.IsPositionRegistered()) {
        if (view->mapping.mirrorHorizontal) at.x = image.Width() - 1 - at.x;
        if (view->mapping.mirrorVertical) at.y = image.Height() - 1 - at.y;
    }
    if (!std::isfinite(at.x) || !std::isfinite(at.y)) return false;
    column = std::clamp(static_cast<int>(std::floor(at.x + 1e-9)), 0, image.Width() - 1);
    row = std::clamp(static_cast<int>(std::floor(at.y + 1e-9)), 0, image.Height() - 1);
    return true;
}

}  // namespace

// --- Filter -------------------------------------------------------------------

FilterDialog::FilterDialog(ImageHandle image) : DialogModel("Filter"), image_(image) {
    const Image* i = LiveImage(image);
    const bool wide = i && i->Depth() == 16;
    const int top = wide ? 65535 : 255;
    for (auto [label, value] : {std::pair{"Low Value", 0}, std::pair{"High Value", top}}) {
        DialogControl field = platform::LabelledControl(label, ControlKind::IntEdit);
        field.min = 0;
        field.max = 65535;
        field.text = std::to_string(value);
        add(field);
    }
    DialogControl hint = platform::LabelledControl("range", ControlKind::Label);
    hint.text = wide ? "range: 0 - 65535" : "range: 0 - 255";
    add(hint);
    for (auto [label, on] : {std::pair{"Keep Inside", 1}, std::pair{"Keep Outside", 0}}) {
        DialogControl r = platform::LabelledControl(label, ControlKind::Radio);
        r.group = "Keep";
        r.value = on;
        add(r);
    }
    add(platform::LabelledControl("Create B/W Mask", ControlKind::CheckBox));
    add(platform::LabelledControl("Pick Low", ControlKind::Button));
    add(platform::LabelledControl("Pick High", ControlKind::Button));
    add(platform::LabelledControl("OK", ControlKind::Button));
    add(platform::LabelledControl("Cancel", ControlKind::Button));
}

void FilterDialog::pickLow() {
    const Image* image = LiveImage(image_);
    if (!image) return;
    auto rect = platform::ui().pickRectangle(image_.number, "Draw a small rectangle - values will be averaged");
    image = LiveImage(image_);
    if (!rect || !image) return;
    const int left = std::max(0, std::min(rect->left, rect->right));
    const int right = std::min(image->Width() - 1, std::max(rect->left, rect->right));
    const int top = std::max(0, std::min(rect->top, rect->bottom));
    const int bottom = std::min(image->Height() - 1, std::max(rect->top, rect->bottom));
    if (left > right || top > bottom) return;
    uint64_t sum = 0;
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) sum += static_cast<uint64_t>(image->GetPixel(c, r));
    const uint64_t count = static_cast<uint64_t>(right - left + 1) * static_cast<uint64_t>(bottom - top + 1);
    find("Low Value")->text = std::to_string(sum / count);
}

void FilterDialog::pickHigh() {
    app::PickRequest request;
    request.title = "Pick High Value";
    request.entries.push_back({"Pick High Value", 0, {}, {}});
    if (app::PickImages(request) < 1) return;
    const app::PickEntry& picked = request.entries[0];
    int column = 0, row = 0;
    if (!pickedPixel(picked.window, picked.position, column, row)) return;
    find("High Value")->text = std::to_string(LiveImage(picked.window)->GetPixel(column, row));
}

bool FilterDialog::pressed(DialogControl& control) {
    if (control.label == "Pick Low") {
        pickLow();
        return false;
    }
    if (control.label == "Pick High") {
        pickHigh();
        return false;
    }
    if (control.label != "OK") return DialogModel::pressed(control);
    int values[2] = {0, 0};
    const char* labels[2] = {"Low Value", "High Value"};
    for (int i = 0; i < 2; ++i) {
        app::ValueField field;
        field.label = labels[i];
        field.kind = app::ValueKind::Integer;
        field.required = true;
        const std::string& text = find(labels[i])->text;
        std::string fault = app::ValueEntryDialog::Check(field, text);
        const long v = fault.empty() ? std::strtol(text.c_str(), nullptr, 10) : 0;
        if (fault.empty() && (v < 0 || v > 65535)) fault = "Entry must be between 0 and 65535";
        if (!fault.empty()) {
            platform::showMessage(fault, labels[i]);
            return false;
        }
        values[i] = static_cast<int>(v);
    }
    window_.low = values[0];
    window_.high = values[1];
    window_.keepInside = find("Keep Inside")->value != 0;
    window_.mask = find("Create B/W Mask")->value != 0;
    close(true);
    return true;
}

// --- Commands -------------------------------------------------------------------

ImageHandle OnConvolution() {
    const ImageHandle source = ActiveImageWindow();
    if (!LiveImage(source)) return {};
    ConvolutionDialog dialog(ReadKernels(KernelLibraryPath()));
    if (!platform::ui().runDialog(dialog)) return {};
    return Convolve(source, dialog.kernel());
}

ImageHandle OnFilter() {
    const ImageHandle source = ActiveImageWindow();
    if (!LiveImage(source)) return {};
    FilterDialog dialog(source);
    if (!platform::ui().runDialog(dialog)) return {};
    return FilterImage(source, dialog.window());
}

ImageHandle OnErode() { return Erode(ActiveImageWindow()); }
ImageHandle OnDilate() { return Dilate(ActiveImageWindow()); }
ImageHandle OnMedian() { return Median(ActiveImageWindow()); }

void RegisterFilterCommands() {
    auto add = [](const char* path, void (*run)(), const char* status) {
        app::AddImageCommand(path, run, status);
    };
    add("Advanced > Modify Image > &Convolution", [] { OnConvolution(); },
        "Apply a 3 x 3 kernel to the active image");
    add("Advanced > Modify Image > &Filter", [] { OnFilter(); }, "Keep a window of grey levels of the active image");
    add("Advanced > Special Effects > &Erode", [] { OnErode(); }, "Replace each pixel by the minimum of its neighbours");
    add("Advanced > Special Effects > &Dilate", [] { OnDilate(); }, "Replace each pixel by the maximum of its neighbours");
    add("Advanced > Special Effects > &Median", [] { OnMedian(); }, "Replace each pixel by the median of its neighbours");
}

}  // namespace orvex
