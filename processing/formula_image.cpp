#include "processing/formula_image.h"

#include "imagestore/history.h"
#include "imagestore/image_interface.h"

namespace orvex {

namespace {

bool sameTiePoints(const PositionRegistration& a, const PositionRegistration& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.px1 == b.px1 &&
           a.py1 == b.py1 && a.px2 == b.px2 && a.py2 == b.py2;
}

}  // namespace

ImageHandle FormulaImage(const std::string& expression, const FormulaProgram& program,
                         const std::vector<ImageHandle>& picked) {
    if (picked.empty() || picked.size() != program.variables.size()) return {};
    std::vector<ImageHandle> images;
    bool sixteen = false, registered = true;
    const Image* first = LiveImage(picked[0]);
    if (!first) return {};
    const int width = first->Width(), height = first->Height();
    const PositionRegistration ties = first->GetPositionRegistration();
    for (ImageHandle window : picked) {
        const Image* image = LiveImage(window);
        if (!image || image->Width() != width || image->Height() != height) return {};
        sixteen = sixteen || image->Depth() == 16;
        registered = registered && image->IsPositionRegistered() &&
                     sameTiePoints(image->GetPositionRegistration(), ties);
        images.push_back(window);
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

}  // namespace orvex
