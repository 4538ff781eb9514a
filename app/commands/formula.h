#pragma once
// Advanced > Modify Image > Formula: the dialog that asks for the expression
// (typed, or taken from the stored formulas) and the command that binds its
// letters to picked images and computes the new image.
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"

namespace orvex {

struct StoredFormula {
    std::string name;
    std::string formula;
};

/// The formulas of "formulas.txt" (section "Formulas", "Name" and "Formula"
/// read in turn); none when the file cannot be read.
std::vector<StoredFormula> ReadStoredFormulas(const std::string& path);

/// Dialog "Formula": the edit "Formula:" and the drop-down "Pre-Saved:";
/// choosing a stored formula puts it into the edit.
class FormulaDialog : public platform::DialogModel {
public:
    static constexpr const char* kFormula = "Formula:";
    static constexpr const char* kPreSaved = "Pre-Saved:";

    FormulaDialog(std::vector<StoredFormula> stored, const std::string& formula);
    void changed(platform::DialogControl& control) override;
    std::string formula() const { return find(kFormula)->text; }

private:
    std::vector<StoredFormula> stored_;
};

/// Binds each letter of the expression to a picked image and computes the
/// new image; the result window, or none when nothing was made.
ImageHandle ApplyFormula(const std::string& expression);

/// The menu command: the dialog (opened with the formula last used), then ApplyFormula.
void ov_formula();

/// Adds "Advanced > Modify Image > &Formula" to the command table.
void RegisterFormulaCommands();

}  // namespace orvex
