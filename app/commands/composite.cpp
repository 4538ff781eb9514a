#include "app/commands/composite.h"

#include <utility>

#include "app/command_table.h"
#include "app/image_picker.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"
#include "processing/composite.h"
#include "processing/composite_dialogs.h"

namespace orvex {

namespace {

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
