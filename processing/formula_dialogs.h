#pragma once
// The "Formula" dialog of Advanced > Modify Image > Formula as a dialog
// model: the expression typed, or taken from the stored formulas.
#include <string>
#include <vector>

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

}  // namespace orvex
