#include "app/commands/rectify.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/application.h"
#include "app/command_table.h"
#include "app/value_entry.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

using platform::ControlKind;

namespace {

constexpr const char* kCaption = "Rectification";

std::string lastPointsPath() { return app::application().programFolder + "/last.cp"; }

std::string realText(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.7lg", v);
    return text;
}

std::string pointRow(const ControlPoint& p) {
    return std::string(p.locked ? "Yes" : "No") + "\t" + p.tag + "\t" + std::to_string(p.pixelX) + "\t" +
           std::to_string(p.pixelY) + "\t" + realText(p.realX) + "\t" + realText(p.realY);
}

platform::FileRequest pointFileRequest(bool save) {
    platform::FileRequest request;
    request.save = save;
    request.title = save ? "Save Control Points" : "Load Control Points";
    request.filters = {{"Control Points", "*.cp"}};
    request.defaultExtension = "cp";
    request.name = "*.cp";
    return request;
}

int imageHeight(ImageHandle w) {
    const Image* image = LiveImage(w);
    return image ? image->Height() : 0;
}

}  // namespace

ControlPointDialog::ControlPointDialog(ImageHandle image, const ControlPoint& point)
    : DialogModel("Control Point"), image_(image), point_(point) {
    add({.label = "Tag", .kind = ControlKind::Edit, .text = point.tag});
    add({.label = "Real X", .kind = ControlKind::RealEdit, .text = realText(point.realX)});
    add({.label = "Real Y", .kind = ControlKind::RealEdit, .text = realText(point.realY)});
    add({.label = "Pixel X", .kind = ControlKind::IntEdit, .text = std::to_string(point.pixelX), .min = 0, .max = 1 << 20});
    add({.label = "Pixel Y", .kind = ControlKind::IntEdit, .text = std::to_string(point.pixelY), .min = 0, .max = 1 << 20});
    add({.label = "Use Point for sure", .kind = ControlKind::CheckBox, .value = point.locked ? 1 : 0});
    add({.label = "Choose...", .kind = ControlKind::Button});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

bool ControlPointDialog::pressed(platform::DialogControl& control) {
    if (control.label == "Choose...") {
        if (auto at = platform::ui().pickPixel(image_.number, "Choose location")) {
            find("Pixel X")->text = std::to_string(at->column);
            find("Pixel Y")->text = std::to_string(at->row);
        }
        return false;
    }
    if (control.label != "OK") return DialogModel::pressed(control);
    // The fields are checked as the value-entry form checks them.
    const std::pair<const char*, app::ValueKind> fields[] = {{"Real X", app::ValueKind::Real},
                                                             {"Real Y", app::ValueKind::Real},
                                                             {"Pixel X", app::ValueKind::Integer},
                                                             {"Pixel Y", app::ValueKind::Integer}};
    for (const auto& [label, kind] : fields) {
        app::ValueField field;
        field.label = label;
        field.kind = kind;
        field.required = true;
        const std::string problem = app::ValueEntryDialog::Check(field, find(label)->text);
        if (!problem.empty()) {
            platform::showMessage(problem, label);
            return false;
        }
    }
    point_.tag = find("Tag")->text;
    point_.realX = std::strtod(find("Real X")->text.c_str(), nullptr);
    point_.realY = std::strtod(find("Real Y")->text.c_str(), nullptr);
    point_.pixelX = static_cast<int>(std::strtol(find("Pixel X")->text.c_str(), nullptr, 10));
    point_.pixelY = static_cast<int>(std::strtol(find("Pixel Y")->text.c_str(), nullptr, 10));
    point_.locked = find("Use Point for sure")->value != 0;
    close(true);
    return true;
}

RectificationDialog::RectificationDialog(ImageHandle source, std::vector<ControlPoint> points)
    : DialogModel("Rectification"), source_(source), points_(std::move(points)) {
    add({.label = kUsed, .kind = ControlKind::List, .value = -1});
    add({.label = kAvailable, .kind = ControlKind::List, .value = -1});
    for (const char* b : {"Load...", "Save...", "New", "Edit...", "Add...", "Delete"})
        add({.label = b, .kind = ControlKind::Button});
    add({.label = kNearest, .kind = ControlKind::Radio, .group = "Parameters", .value = 1});
    add({.label = kBilinear, .kind = ControlKind::Radio, .group = "Parameters", .value = 0});
    add({.label = kCount, .kind = ControlKind::Spin, .value = 0});
    add({.label = kRms, .kind = ControlKind::ReadOut});
    const Image* image = LiveImage(source);
    add({.label = kWidth, .kind = ControlKind::IntEdit, .text = std::to_string(image ? image->Width() : 512),
         .min = 2, .max = 32768});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    rank();
}

void RectificationDialog::rank() {
    ranking_ = RankPoints(points_, imageHeight(source_));
    find(kCount)->value = static_cast<int>(points_.size());
    refresh();
}

std::vector<ControlPoint> RectificationDialog::usedPoints() const {
    std::vector<ControlPoint> used;
    const int count = std::min<int>(find(kCount)->value, static_cast<int>(ranking_.order.size()));
    for (int k = 0; k < count; ++k) used.push_back(points_[static_cast<size_t>(ranking_.order[static_cast<size_t>(k)])]);
    return used;
}

void RectificationDialog::refresh() {
    platform::DialogControl* spin = find(kCount);
    spin->min = std::min<int>(ranking_.kept, static_cast<int>(points_.size()));
    spin->max = static_cast<int>(points_.size());
    spin->value = std::clamp(spin->value, spin->min, spin->max);
    platform::DialogControl* used = find(kUsed);
    platform::DialogControl* available = find(kAvailable);
    used->items.clear();
    available->items.clear();
    for (size_t k = 0; k < ranking_.order.size(); ++k)
        (static_cast<int>(k) < spin->value ? used : available)
            ->items.push_back(pointRow(points_[static_cast<size_t>(ranking_.order[k])]));
    if (used->value >= static_cast<int>(used->items.size())) used->value = -1;
    if (available->value >= static_cast<int>(available->items.size())) available->value = -1;
    char rms[32];
    std::snprintf(rms, sizeof rms, "%.4f", FitRms(usedPoints(), imageHeight(source_)));
    find(kRms)->text = rms;
}

int RectificationDialog::selected() const {
    const platform::DialogControl* used = find(kUsed);
    const platform::DialogControl* available = find(kAvailable);
    int k = -1;
    if (used->value >= 0 && used->value < static_cast<int>(used->items.size())) k = used->value;
    else if (available->value >= 0 && available->value < static_cast<int>(available->items.size()))
        k = static_cast<int>(used->items.size()) + available->value;
    if (k < 0 || k >= static_cast<int>(ranking_.order.size())) return -1;
    return ranking_.order[static_cast<size_t>(k)];
}

void RectificationDialog::changed(platform::DialogControl& control) {
    // One selection at a time across the two lists.
    if (control.label == kUsed && control.value >= 0) find(kAvailable)->value = -1;
    else if (control.label == kAvailable && control.value >= 0) find(kUsed)->value = -1;
    else if (control.label == kCount) refresh();
}

bool RectificationDialog::pressed(platform::DialogControl& control) {
    const std::string label = control.label;
    if (label == "Add..." || label == "Edit...") {
        const int index = label == "Edit..." ? selected() : -1;
        if (label == "Edit..." && index < 0) {
            platform::showMessage("No item selected!", kCaption);
            return false;
        }
        ControlPointDialog dialog(source_, index >= 0 ? points_[static_cast<size_t>(index)] : ControlPoint{});
        if (!platform::ui().runDialog(dialog)) return false;
        if (index >= 0) points_[static_cast<size_t>(index)] = dialog.point();
        else points_.push_back(dialog.point());
        find(kUsed)->value = find(kAvailable)->value = -1;
        rank();
    } else if (label == "Delete") {
        const int index = selected();
        if (index < 0) {
            platform::showMessage("No item selected!", kCaption);
            return false;
        }
        points_.erase(points_.begin() + index);
        find(kUsed)->value = find(kAvailable)->value = -1;
        rank();
    } else if (label == "New") {
        if (platform::ui().message("This will clear all your points", "Verify", platform::Buttons::OkCancel) !=
            platform::Answer::Ok)
            return false;
        points_.clear();
        rank();
    } else if (label == "Load...") {
        auto answer = platform::ui().chooseFile(pointFileRequest(false));
        if (!answer) return false;
        std::vector<ControlPoint> read;
        if (!ReadControlPoints(answer->path, read)) {
            platform::showMessage("Unable to read the control points\n" + answer->path, kCaption);
            return false;
        }
        points_ = std::move(read);
        find(kUsed)->value = find(kAvailable)->value = -1;
        rank();
    } else if (label == "Save...") {
        auto answer = platform::ui().chooseFile(pointFileRequest(true));
        if (answer && !WriteControlPoints(answer->path, points_))
            platform::showMessage("Unable to write the control points\n" + answer->path, kCaption);
    } else if (label == "OK") {
        if (!WriteControlPoints(lastPointsPath(), points_))
            platform::showMessage("Unable to write the control points\n" + lastPointsPath(), kCaption);
        const int width = static_cast<int>(std::strtol(find(kWidth)->text.c_str(), nullptr, 10));
        const auto interpolation = find(kBilinear)->value ? RectifyInterpolation::InverseDistance
                                                          : RectifyInterpolation::NearestNeighbour;
        RectifyImage(source_, width, interpolation, usedPoints());
        close(true);
        return true;
    } else {
        return DialogModel::pressed(control);
    }
    return false;
}

void ov_rectify() {
    const ImageHandle source = ActiveImageWindow();
    if (!LiveView(source)) return;
    std::vector<ControlPoint> points;
    ReadControlPoints(lastPointsPath(), points);
    RectificationDialog dialog(source, std::move(points));
    platform::ui().runDialog(dialog);
}

void RegisterRectifyCommands() {
    app::AddImageCommand("Advanced > &Rectification", [] { ov_rectify(); },
                         "Resample the image onto the real coordinates of control points");
}

}  // namespace orvex
