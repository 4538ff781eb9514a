#include "app/commands/composite.h"

#include <string>
#include <utility>

#include "app/command_table.h"
#include "app/image_picker.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"
#include "processing/composite.h"

namespace orvex {

using platform::ControlKind;

namespace {

constexpr const char* kTypes[] = {"Quick", "Slightly Optimized", "Fully Optimized"};
constexpr int kColours[] = {256, 128, 64, 32, 16};

// The choices of the last run open the next dialog.
struct LastChoice {
    int type = CompositeQuick;
    int colours = 256;
};
LastChoice& lastChoice() {
    static LastChoice choice;
    return choice;
}

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

ImageHandle ov_composite() {
    app::PickRequest request;
    request.title = "Composite";
    for (const char* prompt : {"Pick RED band", "Pick GREEN band", "Pick BLUE band"}) {
        app::PickEntry entry;
        entry.prompt = prompt;
        // Bands of another size are refused while picking.
        if (!request.entries.empty()) entry.requirements = app::PickSameSize;
        request.entries.push_back(entry);
    }
    if (app::PickImages(request) != 3) return {};
    ConvertColorsDialog dialog(lastChoice().type, lastChoice().colours);
    if (!platform::ui().runDialog(dialog)) return {};
    lastChoice() = {dialog.type(), dialog.colours()};
    return MakeComposite(request.entries[0].window, request.entries[1].window, request.entries[2].window,
                         dialog.type(), dialog.colours());
}

void RegisterCompositeCommands() {
    app::AddImageCommand("Advanced > &Composite", [] { ov_composite(); },
                         "Combine three bands into one colour image");
}

}  // namespace orvex
