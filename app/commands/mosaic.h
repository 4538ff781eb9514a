#pragma once
// The menu commands of Advanced > Concatenate Images.
#include "imagestore/image_handle.h"

namespace orvex {

/// The menu commands: pick the images, then make the result.
ImageHandle ov_mosaic();
ImageHandle ov_pave();
ImageHandle ov_make_stereo_pair();

/// Adds "Advanced > Concatenate Images > &Mosaic", "&Pave" and "&Combine".
void RegisterMosaicCommands();

}  // namespace orvex
