#pragma once
// The geometry commands: Basic > Rotate/Flip, Basic > Crop and Advanced >
// Modify Image > Resize.
#include "imagestore/image_handle.h"

namespace orvex {

/// The commands on the active image window; each returns the new window or none.
ImageHandle OnRotateFlip();
ImageHandle OnResize();
ImageHandle OnCrop();

/// Enters the geometry commands in the command table.
void RegisterGeometryCommands();

}  // namespace orvex
