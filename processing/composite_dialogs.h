#pragma once
// The "Convert Colors" dialog of Advanced > Composite as a dialog model.
#include "platform/dialog_model.h"

namespace orvex {

/// Dialog "Convert Colors": the radio groups "Palette Type" (Quick, Slightly
/// Optimized, Fully Optimized) and "Colors" (256 down to 16).
class ConvertColorsDialog : public platform::DialogModel {
public:
    ConvertColorsDialog(int type, int colours);
    /// A CompositePalette.
    int type() const;
    int colours() const;
};

}  // namespace orvex
