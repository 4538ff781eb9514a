#include "processing/false_colour_dialog.h"

#include <algorithm>
#include <cstdio>

#include "imagestore/image_interface.h"
#include "platform/surface.h"
#include "platform/ui.h"
#include "processing/colour_list.h"

namespace orvex {

using platform::ControlKind;

NewFalseColourDialog::NewFalseColourDialog() : DialogModel("New False Color") {
    add({.label = kInterpolate, .kind = ControlKind::Radio, .group = "Mode", .value = 1});
    add({.label = kPixelRanges, .kind = ControlKind::Radio, .group = "Mode"});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

bool NewFalseColourDefinition(FalseColourDefinition& definition) {
    // Asked over an empty list too: New also resets the mode.
    if (platform::ui().message("This will clear all the current items", "Verify", platform::Buttons::OkCancel,
                               platform::Icon::Question) != platform::Answer::Ok)
        return false;
    NewFalseColourDialog dialog;
    if (!platform::ui().runDialog(dialog)) return false;
    definition.interpolate = dialog.interpolate();
    definition.items.clear();
    return true;
}

namespace {

platform::FileRequest falseColourFile(bool save, const std::string& programFolder) {
    platform::FileRequest request;
    request.save = save;
    request.title = save ? "Save False Color" : "Load False Color";
    request.filters = {{"False Color Items", "*.fc"}};
    request.defaultExtension = "fc";
    request.name = "*.fc";
    request.folder = programFolder;
    return request;
}

std::string titleFor(const FalseColourDefinition& d) {
    if (d.items.empty()) return "False Color - No colors defined";
    char text[64];
    std::snprintf(text, sizeof text, "False Color - %d colors defined ", static_cast<int>(d.items.size()));
    return text;
}

}  // namespace

FalseColourDialog::FalseColourDialog(ImageHandle working, std::vector<float> shares, FalseColourDefinition d,
                                     std::string programFolder)
    : DialogModel(titleFor(d)),
      working_(working),
      shares_(std::move(shares)),
      definition_(std::move(d)),
      programFolder_(std::move(programFolder)) {
    GetPalette(working_, base_);
    add({.label = kStrip, .kind = ControlKind::Canvas, .width = kStripWidth, .height = kStripHeight});
    add({.label = kStatus, .kind = ControlKind::Label, .text = " "});
    add({.label = kSelected, .kind = ControlKind::Label, .text = " "});
    add({.label = "Use Image to Select Range...", .kind = ControlKind::Button});
    add({.label = "Add Color...", .kind = ControlKind::Button});
    add({.label = "Delete Color...", .kind = ControlKind::Button});
    add({.label = "Change Color...", .kind = ControlKind::Button, .enabled = false});
    add({.label = "Apply", .kind = ControlKind::Button});
    add({.label = "New...", .kind = ControlKind::Button});
    add({.label = "Save...", .kind = ControlKind::Button});
    add({.label = "Load...", .kind = ControlKind::Button});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    update();
}

int FalseColourDialog::itemHoldingSelection() const {
    if (!hasSelection_) return -1;
    if (definition_.interpolate) return FalseColourItemAt(definition_, start_);
    for (int i = static_cast<int>(definition_.items.size()) - 1; i >= 0; --i) {
        const auto& item = definition_.items[static_cast<size_t>(i)];
        if (item.from <= start_ && end_ <= item.to) return i;
    }
    return -1;
}

void FalseColourDialog::update() {
    setCaption(titleFor(definition_));
    const bool interpolate = definition_.interpolate != 0;
    find("Use Image to Select Range...")->visible = !interpolate;
    const bool atItem = hasSelection_ && FalseColourItemAt(definition_, start_) >= 0;
    find("Change Color...")->enabled = itemHoldingSelection() >= 0;
    find("Add Color...")->enabled = !interpolate || !atItem;
    find("Delete Color...")->enabled = !interpolate || atItem;
    char text[64] = " ";
    if (hasSelection_) {
        if (interpolate) std::snprintf(text, sizeof text, "Selected: %d", start_);
        else std::snprintf(text, sizeof text, "Selected: %d to %d", start_, end_);
    }
    find(kSelected)->text = text;
}

void FalseColourDialog::select(int start, int end) {
    if (start > end) std::swap(start, end);
    hasSelection_ = true;
    start_ = start;
    end_ = definition_.interpolate ? start : end;
    update();
}

void FalseColourDialog::hover(int level) {
    char text[128];
    const int at = FalseColourItemAt(definition_, level);
    if (at >= 0)
        std::snprintf(text, sizeof text, "Index %d - %s", level, definition_.items[static_cast<size_t>(at)].name.c_str());
    else
        std::snprintf(text, sizeof text, definition_.interpolate ? "Index %d - Interpolated" : "Index %d - Not Defined",
                      level);
    find(kStatus)->text = text;
}

void FalseColourDialog::apply() {
    if (base_.empty()) return;
    const auto palette = BuildFalseColourPalette(definition_, base_);
    SetPalette(working_, palette.data(), static_cast<int>(palette.size()), PaletteCustom);
    Redraw(working_, false);
}

int FalseColourDialog::levelAt(int x) const {
    const int n = std::max(1, static_cast<int>(base_.size()));
    return std::clamp(x * n / kStripWidth, 0, n - 1);
}

void FalseColourDialog::mouse(platform::DialogControl&, const platform::CanvasMouse& event) {
    const int level = levelAt(event.x);
    using Kind = platform::CanvasMouse::Kind;
    hover(level);
    if (!event.left) return;
    if (definition_.interpolate) {
        if (event.kind != Kind::Up) select(level, level);
        return;
    }
    if (event.kind == Kind::Down) pressAt_ = level;
    if (pressAt_ >= 0) select(pressAt_, level);
    if (event.kind == Kind::Up) pressAt_ = -1;
}

void FalseColourDialog::paint(platform::DialogControl& canvas, platform::Surface& surface) {
    const int w = canvas.width, h = canvas.height;
    surface.fillRect({0, 0, w, h}, 0x404040);
    const int n = static_cast<int>(base_.size());
    if (n == 0) return;
    const auto palette = BuildFalseColourPalette(definition_, base_);
    float top = 0;
    for (int v = 0; v < n && v < static_cast<int>(shares_.size()); ++v) top = std::max(top, shares_[static_cast<size_t>(v)]);
    const int room = h - 14;
    // Each level's bar in the colour the definition gives it.
    for (int v = 0; v < n; ++v) {
        const int x0 = v * w / n, x1 = std::max(x0 + 1, (v + 1) * w / n);
        const float share = v < static_cast<int>(shares_.size()) ? shares_[static_cast<size_t>(v)] : 0.0f;
        const int bar = top > 0 ? static_cast<int>(share / top * room) : 0;
        surface.fillRect({x0, room - bar, x1, room}, palette[static_cast<size_t>(v)]);
    }
    if (definition_.interpolate)
        for (const auto& item : definition_.items) {
            if (item.from < 0 || item.from >= n) continue;
            const int x0 = item.from * w / n, x1 = std::max(x0 + 2, (item.from + 1) * w / n);
            surface.fillRect({x0, h - 6, x1, h}, item.colour);
        }
    if (hasSelection_) {
        surface.setXorMode(true);
        surface.fillRect({std::max(0, start_) * w / n, h - 8, std::max(start_ * w / n + 2, (end_ + 1) * w / n), h},
                         0xFFFFFF);
        surface.setXorMode(false);
    }
}

void FalseColourDialog::addColour() {
    if (!hasSelection_) {
        platform::showMessage("Please select an area on the histogram first!", caption());
        return;
    }
    const auto chosen = ChooseColour(programFolder_, "Pick Color", 0);
    if (!chosen) return;
    AddFalseColour(definition_, start_, end_, chosen->colour, chosen->name);
    update();
}

void FalseColourDialog::changeColour() {
    const int at = itemHoldingSelection();
    if (at < 0) return;
    auto& item = definition_.items[static_cast<size_t>(at)];
    const auto chosen = ChooseColour(programFolder_, "Pick Color", item.colour);
    if (!chosen) return;
    item.colour = chosen->colour;
    item.name = chosen->name.substr(0, FalseColourItem::kNameLength);
    update();
}

void FalseColourDialog::selectFromImage() {
    const Image* image = LiveImage(working_);
    if (!image) return;
    const auto rect = platform::ui().pickRectangle(working_.number, "Choose Area");
    if (!rect) return;
    const int left = std::clamp(std::min(rect->left, rect->right), 0, image->Width() - 1);
    const int right = std::clamp(std::max(rect->left, rect->right), 0, image->Width() - 1);
    const int top = std::clamp(std::min(rect->top, rect->bottom), 0, image->Height() - 1);
    const int bottom = std::clamp(std::max(rect->top, rect->bottom), 0, image->Height() - 1);
    const int w = right - left + 1, h = bottom - top + 1;
    std::vector<uint8_t> block(static_cast<size_t>(w) * static_cast<size_t>(h));
    if (ReadBlock8(working_, left, top, w, h, block.data()) != ImageDone) return;
    const auto [low, high] = std::minmax_element(block.begin(), block.end());
    select(*low, *high);
}

bool FalseColourDialog::pressed(platform::DialogControl& control) {
    const std::string& label = control.label;
    if (label == "Add Color...") {
        addColour();
    } else if (label == "Delete Color...") {
        if (hasSelection_) DeleteFalseColourRange(definition_, start_, end_);
        update();
    } else if (label == "Change Color...") {
        changeColour();
    } else if (label == "Use Image to Select Range...") {
        selectFromImage();
    } else if (label == "Apply") {
        apply();
    } else if (label == "New...") {
        if (NewFalseColourDefinition(definition_)) {
            hasSelection_ = false;
            apply();
        }
        update();
    } else if (label == "Load...") {
        if (platform::ui().message("This will clear all the current items", "Verify", platform::Buttons::OkCancel,
                                   platform::Icon::Question) != platform::Answer::Ok)
            return false;
        const auto file = platform::ui().chooseFile(falseColourFile(false, programFolder_));
        if (!file) return false;
        // A file that cannot be read leaves the list empty.
        ReadFalseColourFile(file->path, static_cast<int>(base_.size()), definition_);
        hasSelection_ = false;
        apply();
        update();
    } else if (label == "Save...") {
        if (const auto file = platform::ui().chooseFile(falseColourFile(true, programFolder_)))
            if (!WriteFalseColourFile(file->path, definition_))
                platform::showMessage("Could not write " + file->path, caption());
    } else if (label == "OK") {
        WriteFalseColourFile(LastFalseColourPath(programFolder_), definition_);
        apply();
        close(true);
        return true;
    } else if (label == "Cancel") {
        CloseImageWindow(working_);
        close(false);
        return true;
    }
    return false;
}

}  // namespace orvex
