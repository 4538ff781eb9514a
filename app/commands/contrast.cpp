#include "app/commands/contrast.h"

#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/command_table.h"
#include "app/image_picker.h"
#include "app/palette_bar.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"
#include "processing/colour_list.h"
#include "processing/contrast.h"
#include "processing/contrast_dialogs.h"
#include "processing/contrast_histogram.h"
#include "processing/false_colour.h"
#include "processing/false_colour_dialog.h"
#include "processing/palette_ops.h"
#include "processing/palette_optimize.h"

namespace orvex {

std::array<uint32_t, 256> DefaultBasePalette() {
    if (app::palfile().hasDefaultPalette()) return app::palfile().defaultPalette();
    std::array<uint32_t, 256> grey{};
    for (uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101u;
    return grey;
}

namespace {

ImageHandle active() { return LiveView(ActiveImageWindow()) ? ActiveImageWindow() : ImageHandle{}; }

int paletteCount(ImageHandle window) {
    ImageSummary s;
    return GetImageSummary(window, s) == ImageDone ? s.paletteCount : 0;
}

// Up to 20 images, one prompt for all; OK ends the picking early.
std::vector<ImageHandle> pickMany(const char* prompt) {
    app::PickRequest request;
    request.title = prompt;
    for (int i = 0; i < app::PickRequest::kMaxEntries; ++i) request.entries.push_back({prompt, 0, {}, {}});
    const int picked = app::PickImages(request);
    std::vector<ImageHandle> out;
    for (int i = 0; i < picked; ++i) out.push_back(request.entries[static_cast<size_t>(i)].window);
    return out;
}

}  // namespace

void ov_histogram_equalization() {
    const ImageHandle window = active();
    if (!window) return;
    EqualizationDialog dialog;
    if (!platform::ui().runDialog(dialog)) return;
    HistogramEqualize(window, dialog.classes(), dialog.transform());
}

void ov_linear_stretch() {
    const ImageHandle window = active();
    if (!window) return;
    LinearStretchSettings& settings = linearStretchSettings();
    LinearStretchDialog dialog(settings);
    if (!platform::ui().runDialog(dialog)) return;
    LinearStretch(window, settings.usePercentage, settings.starting, settings.ending, settings.transform);
}

void ov_set_gray_scale() {
    const ImageHandle window = active();
    ImageSummary s;
    if (GetImageSummary(window, s) != ImageDone) return;
    SetCustomPalette(window, GreyScalePalette(s.paletteKind, s.paletteCount));
}

void ov_set_color_scale() {
    const ImageHandle window = active();
    if (!window) return;
    const auto start = ChooseColour(app::application().programFolder, "Pick Start", 0);
    if (!start) return;
    const auto end = ChooseColour(app::application().programFolder, "Pick End", 0);
    if (!end) return;
    const int n = paletteCount(window);
    if (n > 0) SetCustomPalette(window, ColourScalePalette(start->colour, end->colour, n));
}

void ov_brightness_contrast() {
    const ImageHandle window = active();
    if (!window) return;
    BrightnessContrastDialog dialog(window);
    platform::ui().runDialog(dialog);
}

void ov_optimize_palette() {
    const ImageHandle window = active();
    if (!window) return;
    OptimizeColorsDialog dialog(AnalysePalette(window));
    if (!platform::ui().runDialog(dialog)) return;
    OptimizePalette(window, dialog.compress(), dialog.remove(), dialog.sort());
}

void ov_negate_palette() {
    const ImageHandle window = active();
    std::vector<uint32_t> palette;
    if (GetPalette(window, palette) != ImageDone) return;
    SetCustomPalette(window, NegatedPalette(palette));
}

void ov_stretch_palette() {
    const auto base = DefaultBasePalette();
    for (ImageHandle w : pickMany("Pick images to stretch")) StretchPalette(w, base.data());
}

void ov_unstretch_palette() {
    const auto base = DefaultBasePalette();
    for (ImageHandle w : pickMany("Pick images to unstretch")) {
        SetPalette(w, base.data(), 256, PaletteCustom);
        Redraw(w, false);
    }
}

void palette_display() { DisplayPalette(ActiveImageWindow()); }

void convert16to8normalize() {
    const ImageHandle window = active();
    if (window) NormalizeTo8Bit(window, DefaultBasePalette());
}

void ov_false_color() {
    const std::string& folder = app::application().programFolder;
    const ImageHandle source = ActiveImageWindow();
    if (!LiveView(source)) return;
    const ImageHandle working = DuplicateImage(source, true, true);
    if (!working) return;
    platform::ui().setStatusText(0, "Calculating histogram...");
    std::vector<float> shares = PercentHistogram(working, 5);
    platform::ui().setStatusText(0, "");
    ImageSummary s;
    GetImageSummary(working, s);
    FalseColourDefinition definition;
    if (!ReadFalseColourFile(LastFalseColourPath(folder), s.paletteCount, definition) &&
        !NewFalseColourDefinition(definition)) {
        CloseImageWindow(working);
        return;
    }
    FalseColourDialog dialog(working, std::move(shares), std::move(definition), folder);
    dialog.apply();
    platform::ui().runDialog(dialog);
}


void RegisterContrastCommands() {
    auto add = [](const std::string& path, void (*run)(), const char* status, bool separator = false) {
        app::AddImageCommand(path, run, status, separator);
    };
    const std::string menu = "Basic > Contrast Enhancement > ";
    add(menu + "Histogram &Equalization", ov_histogram_equalization,
        "Spread the grey levels evenly over a number of classes");
    add(menu + "&Linear Stretch", ov_linear_stretch, "Stretch a range of grey levels over the whole scale");
    add(menu + "Set &Gray Scale", ov_set_gray_scale, "Give the image the ramp of its palette kind", true);
    add(menu + "Set &Color Scale", ov_set_color_scale, "Give the image a ramp between two colours");
    add(menu + "&Brightness/Contrast", ov_brightness_contrast, "Change the brightness and contrast of the palette");
    add(menu + "&Optimize Palette", ov_optimize_palette, "Make a copy with a smaller palette", true);
    add(menu + "&Negate Palette", ov_negate_palette, "Turn the palette into its negative");
    add(menu + "Stretch Palette", ov_stretch_palette, "Fit the default palette to the data of images", true);
    add(menu + "Unstretch Palette", ov_unstretch_palette, "Give images the default palette");
    add("Basic > Display &Palette", palette_display, "Show the palette of the active image as an image");
    add("Basic > &Normalize(16->8)", convert16to8normalize, "Make an 8-bit copy spanning the data range");
    add("Basic > &False Color", ov_false_color, "Colour grey-level ranges of a copy of the image");
}

}  // namespace orvex
