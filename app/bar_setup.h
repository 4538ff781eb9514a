#pragma once
// The setup dialogs of the two bars.
#include "platform/dialog_model.h"

namespace orvex::app {

/// "Scale Bar Setup": the scale bar's settings; OK stores them and repaints.
class ScaleBarSetupDialog : public platform::DialogModel {
public:
    ScaleBarSetupDialog();
    bool pressed(platform::DialogControl& control) override;
};

/// "Palette Bar Setup": the palette bar's settings and the default palette file.
class PaletteBarSetupDialog : public platform::DialogModel {
public:
    PaletteBarSetupDialog();
    bool pressed(platform::DialogControl& control) override;
};

/// "S&cale &Bar Setup..." and "&Palette Bar Setup...".
void ScaleBarSetup();
void PaletteBarSetup();

}  // namespace orvex::app
