#include "app/commands/formula.h"

#include <cstdio>
#include <vector>

#include "app/application.h"
#include "app/command_table.h"
#include "app/image_picker.h"
#include "platform/ui.h"
#include "processing/formula.h"
#include "processing/formula_dialogs.h"
#include "processing/formula_image.h"

namespace orvex {

namespace {

constexpr const char* kCaption = "ov_formula()";

// The expression of the last run opens the next dialog.
std::string& lastFormula() {
    static std::string text;
    return text;
}

}  // namespace

ImageHandle ApplyFormula(const std::string& expression) {
    const FormulaProgram program = CompileFormula(expression);
    if (program.variables.empty()) {
        platform::showMessage("No variables were found in the expression", kCaption);
        return {};
    }
    // The whole text is checked before any image is asked for or made, so a
    // faulty expression leaves no empty result behind.
    if (!program.valid) {
        platform::showMessage("Error in parsing function", kCaption);
        return {};
    }

    app::PickRequest request;
    request.title = "Formula";
    for (size_t i = 0; i < program.variables.size(); ++i) {
        char prompt[32];
        std::snprintf(prompt, sizeof prompt, "Pick Variable %c", program.variables[i]);
        app::PickEntry entry;
        entry.prompt = prompt;
        if (i > 0) entry.requirements = app::PickSameSize;
        request.entries.push_back(entry);
    }
    const size_t count = request.entries.size();
    if (app::PickImages(request) != static_cast<int>(count)) return {};

    std::vector<ImageHandle> images;
    for (const auto& e : request.entries) images.push_back(e.window);
    return FormulaImage(expression, program, images);
}

void ov_formula() {
    FormulaDialog dialog(ReadStoredFormulas(app::application().programFolder + "/formulas.txt"),
                         lastFormula());
    if (!platform::ui().runDialog(dialog)) return;
    lastFormula() = dialog.formula();
    ApplyFormula(dialog.formula());
}

void RegisterFormulaCommands() {
    app::AddImageCommand("Advanced > Modify Image > &Formula", [] { ov_formula(); },
                         "Compute a new image from an expression over images");
}

}  // namespace orvex
