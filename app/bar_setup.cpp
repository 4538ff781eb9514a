#include "app/bar_setup.h"

#include <algorithm>

#include "app/palette_bar.h"
#include "app/scale_bar.h"
#include "config/profile_file.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/ui.h"

namespace orvex::app {

using platform::ControlKind;
using platform::DialogControl;

static void repaintAll() {
    for (ImageHandle w : windowList().Windows()) Redraw(w, false);
}

ScaleBarSetupDialog::ScaleBarSetupDialog() : DialogModel("Scale Bar Setup") {
    const ScaleBar& b = scaleBar();
    add({.label = "Hide", .kind = ControlKind::CheckBox, .value = b.hide});
    add({.label = "Large", .kind = ControlKind::CheckBox, .value = b.large});
    add({.label = "Label", .kind = ControlKind::CheckBox, .value = b.label});
    add({.label = "Horizontal", .kind = ControlKind::CheckBox, .value = b.horizontal});
    add({.label = "Black", .kind = ControlKind::CheckBox, .value = b.black});
    add({.label = "Bold Line", .kind = ControlKind::CheckBox, .value = b.bold});
    add({.label = "Position", .kind = ControlKind::Spin, .value = b.position, .min = 1, .max = 25});
    add({.label = "Thick", .kind = ControlKind::IntEdit, .text = std::to_string(b.thick), .min = 0, .max = 50});
    add({.label = "Thin", .kind = ControlKind::IntEdit, .text = std::to_string(b.thin), .min = 0, .max = 50});
    add({.label = "Print Factor", .kind = ControlKind::IntEdit, .text = std::to_string(b.printFactor),
         .min = 1, .max = 50});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

bool ScaleBarSetupDialog::pressed(DialogControl& control) {
    if (control.label == "OK") {
        ScaleBar& b = scaleBar();
        b.hide = find("Hide")->value != 0;
        b.large = find("Large")->value != 0;
        b.label = find("Label")->value != 0;
        b.horizontal = find("Horizontal")->value != 0;
        b.black = find("Black")->value != 0;
        b.bold = find("Bold Line")->value != 0;
        b.position = std::clamp(find("Position")->value, 1, 25);
        b.thick = std::clamp(config::LeadingInteger(find("Thick")->text), 0, 50);
        b.thin = std::clamp(config::LeadingInteger(find("Thin")->text), 0, 50);
        b.printFactor = std::clamp(config::LeadingInteger(find("Print Factor")->text), 1, 50);
        repaintAll();
    }
    return DialogModel::pressed(control);
}

static const char* const kPositions[] = {"Above", "Left", "Right", "Below"};

PaletteBarSetupDialog::PaletteBarSetupDialog() : DialogModel("Palette Bar Setup") {
    const PALFILE& p = palfile();
    add({.label = "Hide", .kind = ControlKind::CheckBox, .value = p.hide});
    add({.label = "Label", .kind = ControlKind::CheckBox, .value = p.label});
    add({.label = "Black", .kind = ControlKind::CheckBox, .value = p.black});
    add({.label = "Units", .kind = ControlKind::Edit, .text = p.units});
    for (int i = 0; i < 4; ++i)
        add({.label = kPositions[i], .kind = ControlKind::Radio, .group = "Position", .value = p.position == i + 1});
    add({.label = "Default Palette", .kind = ControlKind::Edit, .text = p.defaultPalettePath});
    add({.label = "Browse...", .kind = ControlKind::Button});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

bool PaletteBarSetupDialog::pressed(DialogControl& control) {
    if (control.label == "Browse...") {
        platform::FileRequest request;
        request.title = "Default Palette";
        request.filters = {{"False Color Items", "*.fc"}};
        request.defaultExtension = "fc";
        request.name = find("Default Palette")->text;
        if (auto answer = platform::ui().chooseFile(request)) find("Default Palette")->text = answer->path;
        return false;
    }
    if (control.label == "OK") {
        PALFILE& p = palfile();
        p.hide = find("Hide")->value != 0;
        p.label = find("Label")->value != 0;
        p.black = find("Black")->value != 0;
        p.units = find("Units")->text;
        for (int i = 0; i < 4; ++i)
            if (find(kPositions[i])->value) p.position = i + 1;
        std::string path = find("Default Palette")->text;
        if (path != p.defaultPalettePath) {
            p.defaultPalettePath = path;
            p.LoadDefaultPalette();
        }
        repaintAll();
    }
    return DialogModel::pressed(control);
}

void ScaleBarSetup() {
    ScaleBarSetupDialog d;
    platform::ui().runDialog(d);
}

void PaletteBarSetup() {
    PaletteBarSetupDialog d;
    platform::ui().runDialog(d);
}

}  // namespace orvex::app
