#include "processing/contrast_dialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "imagestore/image_interface.h"
#include "platform/surface.h"
#include "platform/ui.h"
#include "processing/palette_ops.h"

namespace orvex {

using platform::ControlKind;

EqualizationDialog::EqualizationDialog() : DialogModel("Histogram Equalization") {
    platform::DialogControl classes{.label = "Number of Classes", .kind = ControlKind::DropDown, .value = 3};
    for (int k : kClassChoices) classes.items.push_back(std::to_string(k));
    add(std::move(classes));
    add({.label = "Transform Image", .kind = ControlKind::Radio, .group = "Transformation Type"});
    add({.label = "Transform Palette", .kind = ControlKind::Radio, .group = "Transformation Type", .value = 1});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

int EqualizationDialog::classes() const {
    const int at = find("Number of Classes")->value;
    return at >= 0 && at < 6 ? kClassChoices[at] : 10;
}

ContrastTransform EqualizationDialog::transform() const {
    return find("Transform Image")->value ? ContrastTransform::Image : ContrastTransform::Palette;
}

LinearStretchSettings& linearStretchSettings() {
    static LinearStretchSettings settings;
    return settings;
}

namespace {
std::string decimal(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}
bool parseReal(const std::string& text, double& out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    out = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}
}  // namespace

LinearStretchDialog::LinearStretchDialog(LinearStretchSettings& s)
    : DialogModel("Linear Stretch"), settings_(s) {
    add({.label = "Parameters", .kind = ControlKind::Label});
    add({.label = "Use Percentage", .kind = ControlKind::CheckBox, .value = s.usePercentage ? 1 : 0});
    add({.label = "Starting", .kind = ControlKind::RealEdit, .text = decimal(s.starting)});
    add({.label = "Ending", .kind = ControlKind::RealEdit, .text = decimal(s.ending)});
    const bool image = s.transform == ContrastTransform::Image;
    add({.label = "Transform Palette", .kind = ControlKind::Radio, .group = "Transform Type", .value = image ? 0 : 1});
    add({.label = "Transform Image", .kind = ControlKind::Radio, .group = "Transform Type", .value = image ? 1 : 0});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

bool LinearStretchDialog::pressed(platform::DialogControl& control) {
    if (control.label == "OK") {
        double starting = 0, ending = 0;
        for (const char* label : {"Starting", "Ending"}) {
            double& target = std::string(label) == "Starting" ? starting : ending;
            if (!parseReal(find(label)->text, target)) {
                platform::showMessage("Entry must be numeric", label);
                return false;
            }
        }
        settings_.usePercentage = find("Use Percentage")->value != 0;
        settings_.starting = starting;
        settings_.ending = ending;
        settings_.transform = find("Transform Image")->value ? ContrastTransform::Image : ContrastTransform::Palette;
    }
    return DialogModel::pressed(control);
}

BrightnessContrastDialog::BrightnessContrastDialog(ImageHandle window)
    : DialogModel("Brightness/Contrast"), window_(window) {
    GetPalette(window_, start_);
    ImageSummary s;
    if (GetImageSummary(window_, s) == ImageDone) startKind_ = s.paletteKind;
    add({.label = "Contrast", .kind = ControlKind::ScrollBar, .value = 45, .min = 3, .max = 89, .width = 200});
    add({.label = "Brightness", .kind = ControlKind::ScrollBar, .value = 0, .min = -100, .max = 100, .width = 200});
    add({.label = "Graph", .kind = ControlKind::Canvas, .width = kGraphWidth, .height = kGraphHeight});
    add({.label = "Auto Apply", .kind = ControlKind::CheckBox});
    add({.label = "Apply", .kind = ControlKind::Button});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

void BrightnessContrastDialog::apply() {
    if (start_.empty()) return;
    const auto palette = BrightnessContrastPalette(start_, find("Contrast")->value, find("Brightness")->value,
                                                   kGraphWidth, kGraphHeight);
    SetCustomPalette(window_, palette);
}

void BrightnessContrastDialog::changed(platform::DialogControl& control) {
    if (control.kind == ControlKind::ScrollBar) control.value = std::clamp(control.value, control.min, control.max);
    const bool scrolled = control.label == "Contrast" || control.label == "Brightness";
    if ((scrolled || control.label == "Auto Apply") && find("Auto Apply")->value) {
        platform::ui().setWaitCursor(true);
        apply();
        platform::ui().setWaitCursor(false);
    }
}

bool BrightnessContrastDialog::pressed(platform::DialogControl& control) {
    if (control.label == "Apply") {
        apply();
        return false;
    }
    if (control.label == "OK") apply();
    if (control.label == "Cancel" && !start_.empty()) {
        SetPalette(window_, start_.data(), static_cast<int>(start_.size()), startKind_);
        Redraw(window_, false);
    }
    return DialogModel::pressed(control);
}

void BrightnessContrastDialog::paint(platform::DialogControl& canvas, platform::Surface& surface) {
    const int w = canvas.width, h = canvas.height;
    const TransferLine line = BrightnessContrastLine(find("Contrast")->value, find("Brightness")->value, w, h);
    surface.fillRect({0, 0, w, h}, 0xC0C0C0);
    // Bars every 4 pixels, black to white across, as high as the line.
    for (int x = 0; x < w; x += 4) {
        const int grey = w > 1 ? x * 255 / (w - 1) : 0;
        const int height = std::clamp(static_cast<int>(line.slope * x + line.offset), 0, h);
        surface.fillRect({x, h - height, std::min(w, x + 2), h}, static_cast<uint32_t>(grey) * 0x010101u);
    }
    surface.setPen({0x0000FF, 1});
    surface.line(0, h - static_cast<int>(line.offset), w, h - static_cast<int>(line.slope * w + line.offset));
    surface.setPen({0, 1});
    surface.setBrush({0, true});
    surface.rectangle({0, 0, w, h});
}

OptimizeColorsDialog::OptimizeColorsDialog(PaletteAnalysis a) : DialogModel("Optimize Colors"), analysis_(std::move(a)) {
    add({.label = "Duplicate Colors Present:", .kind = ControlKind::ReadOut, .text = analysis_.duplicates ? "Yes" : "No"});
    add({.label = "Compress", .kind = ControlKind::CheckBox, .enabled = analysis_.duplicates});
    add({.label = "Palette Is Random:", .kind = ControlKind::ReadOut, .text = analysis_.sorted ? "Sorted" : "Random"});
    add({.label = "Sort", .kind = ControlKind::CheckBox, .enabled = !analysis_.sorted});
    add({.label = "Unused Colors Present:", .kind = ControlKind::ReadOut, .text = analysis_.unused ? "Yes" : "No"});
    add({.label = "Delete", .kind = ControlKind::CheckBox, .enabled = analysis_.unused});
    add({.label = "Minimum Number Of Colors Possible:", .kind = ControlKind::ReadOut});
    add({.label = "Minimum Color Resolution Possible:", .kind = ControlKind::ReadOut});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    update();
}

void OptimizeColorsDialog::changed(platform::DialogControl&) { update(); }

void OptimizeColorsDialog::update() {
    const int count = static_cast<int>(OptimizedPalette(analysis_, compress(), remove(), false).size());
    find("Minimum Number Of Colors Possible:")->text = std::to_string(count);
    char text[32];
    std::snprintf(text, sizeof text, "%d bit", BitsForColours(count));
    find("Minimum Color Resolution Possible:")->text = text;
    find("OK")->enabled = compress() || remove() || sort();
}

}  // namespace orvex
