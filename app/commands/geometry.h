#pragma once
// The geometry commands: Basic > Rotate/Flip, Basic > Crop and Advanced >
// Modify Image > Resize, with their dialogs.
#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/geometry.h"

namespace orvex {

/// "Rotate/Flip Image": the five choices as one radio group, "OK", "Cancel".
class RotateFlipDialog : public platform::DialogModel {
public:
    RotateFlipDialog();
    /// The choice marked now.
    RotateFlip choice() const;
};

/// "Resize Image": the current size, "New Width" and "New Height" (spin
/// fields), the "Interpolation Method" group, "OK", "Cancel".
class ResizeDialog : public platform::DialogModel {
public:
    ResizeDialog(int width, int height);
    int newWidth() const;
    int newHeight() const;
    ResampleMethod method() const;
};

/// The commands on the active image window; each returns the new window or none.
ImageHandle OnRotateFlip();
ImageHandle OnResize();
ImageHandle OnCrop();

/// Enters the geometry commands in the command table.
void RegisterGeometryCommands();

}  // namespace orvex
