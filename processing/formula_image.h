#pragma once
// The image a compiled formula makes from one image per variable.
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "processing/formula.h"

namespace orvex {

/// The new image of the expression over the images, one per variable in
/// the program's order and all of one size; the result window, or none when
/// nothing was made. The result is 16-bit when any image is, and registered
/// when every image has the same tie points.
ImageHandle FormulaImage(const std::string& expression, const FormulaProgram& program,
                         const std::vector<ImageHandle>& images);

}  // namespace orvex
