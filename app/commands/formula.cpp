#include "app/commands/formula.h"

#include <cstdio>
#include <utility>

#include "app/application.h"
#include "app/command_table.h"
#include "app/image_picker.h"
#include "formats/item_list_file.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"
#include "processing/formula.h"

namespace orvex {

using platform::ControlKind;

namespace {

constexpr const char* kCaption = "ov_formula()";

// The expression of the last run opens the next dialog.
std::string& lastFormula() {
    static std::string text;
    return text;
}

bool sameTiePoints(const PositionRegistration& a, const PositionRegistration& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.px1 == b.px1 &&
           a.py1 == b.py1 && a.px2 == b.px2 && a.py2 == b.py2;
}

}  // namespace

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
    bool sixteen = false, registered = true;
    const Image* first = LiveImage(request.entries[0].window);
    if (!first) return {};
    const int width = first->Width(), height = first->Height();
    const PositionRegistration ties = first->GetPositionRegistration();
    for (const auto& e : request.entries) {
        const Image* image = LiveImage(e.window);
        if (!image || image->Width() != width || image->Height() != height) return {};
        sixteen = sixteen || image->Depth() == 16;
        registered = registered && image->IsPositionRegistered() &&
                     sameTiePoints(image->GetPositionRegistration(), ties);
        images.push_back(e.window);
    }

    std::vector<uint32_t> palette;
    GetPalette(images[0], palette);
    RealPoint lowerLeft, upperRight;
    GetCorners(images[0], lowerLeft, upperRight);
    const ImageHandle result = CreateImage(width, height, PaletteCustom, false, sixteen ? 16 : 8);
    if (!result) return {};
    if (!palette.empty()) SetPalette(result, palette.data(), static_cast<int>(palette.size()), PaletteCustom);
    if (registered) SetRegistration(result, lowerLeft, upperRight);

    LogHistory(result, "formula: ", true);
    LogHistory(result, "  equation: " + expression, false);
    for (size_t i = 0; i < images.size(); ++i) {
        ImageSummary s;
        GetImageSummary(images[i], s);
        LogHistory(result, std::string("  variable: ") + program.variables[i] + " " + s.name, false);
    }

    // One row buffer per variable and one result row, all sized once.
    FormulaEvaluator evaluator(program, width);
    std::vector<int> depths;
    for (ImageHandle w : images) depths.push_back(LiveImage(w)->Depth());
    std::vector<uint8_t> row8(static_cast<size_t>(width));
    std::vector<uint16_t> row16(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (size_t i = 0; i < images.size(); ++i) {
            float* in = evaluator.input(static_cast<int>(i));
            if (depths[i] == 16) {
                if (ReadLine16(images[i], y, row16.data()) != ImageDone) return result;
                for (int x = 0; x < width; ++x) in[x] = row16[static_cast<size_t>(x)];
            } else {
                if (ReadLine8(images[i], y, row8.data()) != ImageDone) return result;
                for (int x = 0; x < width; ++x) in[x] = row8[static_cast<size_t>(x)];
            }
        }
        const float* values = evaluator.Evaluate();
        if (!values) break;
        if (sixteen) {
            FormulaToPixels16(values, width, row16.data());
            WriteLine16(result, y, row16.data());
        } else {
            FormulaToPixels8(values, width, row8.data());
            WriteLine8(result, y, row8.data());
        }
        if (RowProgressStep(result, y, height)) break;
    }
    Redraw(result, true);
    return result;
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
