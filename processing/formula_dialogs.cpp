#include "processing/formula_dialogs.h"

#include <utility>

#include "formats/item_list_file.h"

namespace orvex {

using platform::ControlKind;

std::vector<StoredFormula> ReadStoredFormulas(const std::string& path) {
    std::vector<StoredFormula> list;
    formats::ItemListFile file;
    if (!file.Open(path, formats::ItemListFile::Direction::Read)) return list;
    if (file.BeginSection(formats::kFormulaList.section)) {
        StoredFormula f;
        while (file.ReadText("Name", f.name) && file.ReadText("Formula", f.formula)) list.push_back(f);
        file.EndSection();
    }
    file.Close();
    return list;
}

FormulaDialog::FormulaDialog(std::vector<StoredFormula> stored, const std::string& formula)
    : DialogModel("Formula"), stored_(std::move(stored)) {
    add({.label = kFormula, .kind = ControlKind::Edit, .text = formula});
    platform::DialogControl list{.label = kPreSaved, .kind = ControlKind::DropDown};
    for (const auto& f : stored_) list.items.push_back(f.name);
    list.value = stored_.empty() ? -1 : 0;
    add(std::move(list));
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
}

void FormulaDialog::changed(platform::DialogControl& control) {
    if (control.label != kPreSaved) return;
    if (control.value >= 0 && control.value < static_cast<int>(stored_.size()))
        find(kFormula)->text = stored_[static_cast<size_t>(control.value)].formula;
}

}  // namespace orvex
