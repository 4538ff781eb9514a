#pragma once
// Advanced > Modify Image > Formula: the command that asks for the
// expression, binds its letters to picked images and computes the new image.
#include <string>

#include "imagestore/image_handle.h"

namespace orvex {

/// Binds each letter of the expression to a picked image and computes the
/// new image; the result window, or none when nothing was made.
ImageHandle ApplyFormula(const std::string& expression);

/// The menu command: the dialog (opened with the formula last used), then ApplyFormula.
void ov_formula();

/// Adds "Advanced > Modify Image > &Formula" to the command table.
void RegisterFormulaCommands();

}  // namespace orvex
