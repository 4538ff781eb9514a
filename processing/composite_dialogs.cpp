#include "processing/composite_dialogs.h"

#include <string>

#include "processing/composite.h"

namespace orvex {

using platform::ControlKind;

namespace {

constexpr const char* kTypes[] = {"Quick", "Slightly Optimized", "Fully Optimized"};
constexpr int kColours[] = {256, 128, 64, 32, 16};

}  // namespace

ConvertColorsDialog::ConvertColorsDialog(int type, int colours) : DialogModel("Convert Colors") {
    add({.label = "Palette Type", .kind = ControlKind::Label});
    for (int i = 0; i < 3; ++i)
        add({.label = kTypes[i], .kind = ControlKind::Radio, .group = "Palette Type", .value = i == type});
    add({.label = "Colors", .kind = ControlKind::Label});
    bool any = false;
    for (int c : kColours) any = any || c == colours;
    for (int c : kColours)
        add({.label = std::to_string(c), .kind = ControlKind::Radio, .group = "Colors",
             .value = any ? c == colours : c == 256});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

int ConvertColorsDialog::type() const {
    for (int i = 0; i < 3; ++i)
        if (find(kTypes[i])->value) return i;
    return CompositeQuick;
}

int ConvertColorsDialog::colours() const {
    for (int c : kColours)
        if (find(std::to_string(c))->value) return c;
    return 256;
}

}  // namespace orvex
