#pragma once
// Advanced > Composite: three picked bands and the "Convert Colors" dialog.
#include "imagestore/image_handle.h"
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

/// The menu command: picks the red, green and blue bands, asks for the
/// palette, makes the composite; the result window or none.
ImageHandle ov_composite();

/// Adds "Advanced > &Composite" to the command table.
void RegisterCompositeCommands();

}  // namespace orvex
