#include "processing/geometry_dialogs.h"

#include <string>

#include "imagestore/image.h"

namespace orvex {

using platform::ControlKind;
using platform::DialogControl;

namespace {

constexpr const char* kRotateGroup = "Rotate/Flip";
constexpr const char* kMethodGroup = "Interpolation Method";
constexpr const char* kMethods[] = {"Fast", "Nearest Neighbor", "Bilinear"};

DialogControl radio(const std::string& label, const char* group, bool chosen) {
    DialogControl c = platform::LabelledControl(label, ControlKind::Radio);
    c.group = group;
    c.value = chosen ? 1 : 0;
    return c;
}

}  // namespace

RotateFlipDialog::RotateFlipDialog() : DialogModel("Rotate/Flip Image") {
    for (int i = 0; i < 5; ++i) add(radio(RotateFlipText(static_cast<RotateFlip>(i)), kRotateGroup, i == 0));
    add(platform::LabelledControl("OK", ControlKind::Button));
    add(platform::LabelledControl("Cancel", ControlKind::Button));
}

RotateFlip RotateFlipDialog::choice() const {
    for (int i = 0; i < 5; ++i) {
        const DialogControl* c = find(RotateFlipText(static_cast<RotateFlip>(i)));
        if (c && c->value) return static_cast<RotateFlip>(i);
    }
    return RotateFlip::Clockwise90;
}

ResizeDialog::ResizeDialog(int width, int height) : DialogModel("Resize Image") {
    DialogControl current = platform::LabelledControl("Current width: ", ControlKind::Label);
    current.text = "Current width: " + std::to_string(width);
    add(current);
    current = platform::LabelledControl("Current height: ", ControlKind::Label);
    current.text = "Current height: " + std::to_string(height);
    add(current);
    for (auto [label, value] : {std::pair{"New Width", width}, std::pair{"New Height", height}}) {
        DialogControl spin = platform::LabelledControl(label, ControlKind::Spin);
        spin.min = 1;
        spin.max = Image::kMaxDimension;
        spin.value = value;
        add(spin);
    }
    for (int i = 0; i < 3; ++i) add(radio(kMethods[i], kMethodGroup, i == 0));
    add(platform::LabelledControl("OK", ControlKind::Button));
    add(platform::LabelledControl("Cancel", ControlKind::Button));
}

int ResizeDialog::newWidth() const { return find("New Width")->value; }
int ResizeDialog::newHeight() const { return find("New Height")->value; }

ResampleMethod ResizeDialog::method() const {
    for (int i = 0; i < 3; ++i)
        if (const DialogControl* c = find(kMethods[i]); c && c->value) return static_cast<ResampleMethod>(i);
    return ResampleMethod::Fast;
}

}  // namespace orvex
