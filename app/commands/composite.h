#pragma once
// Advanced > Composite: three picked bands and the "Convert Colors" dialog.
#include "imagestore/image_handle.h"

namespace orvex {

/// The menu command: picks the red, green and blue bands, asks for the
/// palette, makes the composite; the result window or none.
ImageHandle ov_composite();

/// Adds "Advanced > &Composite" to the command table.
void RegisterCompositeCommands();

}  // namespace orvex
