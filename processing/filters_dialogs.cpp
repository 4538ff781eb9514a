#include "processing/filters_dialogs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ui.h"

namespace orvex {

using platform::ControlKind;
using platform::DialogControl;

namespace {

std::string weightLabel(int i) { return "k" + std::to_string(i); }

std::string threeDecimals(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

}  // namespace

ConvolutionDialog::ConvolutionDialog(std::vector<Kernel> kernels)
    : DialogModel("Convolutions"), kernels_(std::move(kernels)) {
    DialogControl names = platform::LabelledControl("Name", ControlKind::DropDown);
    for (const Kernel& k : kernels_) names.items.push_back(k.name);
    names.value = kernels_.empty() ? -1 : 0;
    add(names);
    for (int i = 0; i < 9; ++i) {
        DialogControl weight = platform::LabelledControl(weightLabel(i), ControlKind::RealEdit);
        weight.text = threeDecimals(0);
        add(weight);
    }
    add(platform::LabelledControl("OK", ControlKind::Button));
    add(platform::LabelledControl("Cancel", ControlKind::Button));
}

void ConvolutionDialog::initialize() {
    if (!kernels_.empty()) show(0);
}

void ConvolutionDialog::show(int index) {
    if (index < 0 || index >= static_cast<int>(kernels_.size())) return;
    find("Name")->value = index;
    for (int i = 0; i < 9; ++i) find(weightLabel(i))->text = threeDecimals(kernels_[static_cast<size_t>(index)].weights[static_cast<size_t>(i)]);
}

void ConvolutionDialog::changed(DialogControl& control) {
    if (control.label == "Name") show(control.value);
}

bool ConvolutionDialog::pressed(DialogControl& control) {
    if (control.label != "OK") return DialogModel::pressed(control);
    Kernel k;
    const int chosen = find("Name")->value;
    if (chosen >= 0 && chosen < static_cast<int>(kernels_.size())) k.name = kernels_[static_cast<size_t>(chosen)].name;
    for (int i = 0; i < 9; ++i) {
        const std::string& text = find(weightLabel(i))->text;
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        while (end && (*end == ' ' || *end == '\t')) ++end;
        if (text.empty() || !end || *end != '\0' || !std::isfinite(v)) {
            platform::showMessage("Entry must be numeric", weightLabel(i));
            return false;
        }
        k.weights[static_cast<size_t>(i)] = static_cast<float>(v);
    }
    kernel_ = k;
    close(true);
    return true;
}

}  // namespace orvex
