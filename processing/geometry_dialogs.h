#pragma once
// The dialogs of Basic > Rotate/Flip and Advanced > Modify Image > Resize as
// dialog models.
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

}  // namespace orvex
