#pragma once
// The dialogs of Basic > Contrast Enhancement as dialog models.
#include <cstdint>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/contrast.h"
#include "processing/palette_optimize.h"

namespace orvex {

/// "Histogram Equalization": "Number of Classes" (2, 5, 8, 10, 12, 15) and
/// "Transformation Type" ("Transform Image" / "Transform Palette").
class EqualizationDialog : public platform::DialogModel {
public:
    static constexpr int kClassChoices[] = {2, 5, 8, 10, 12, 15};
    EqualizationDialog();
    int classes() const;
    ContrastTransform transform() const;
};

/// The Linear Stretch settings kept for the run of the program.
struct LinearStretchSettings {
    bool usePercentage = false;
    double starting = 0.0;
    double ending = 0.0;
    ContrastTransform transform = ContrastTransform::Palette;
};
LinearStretchSettings& linearStretchSettings();

/// "Linear Stretch": "Use Percentage", "Starting", "Ending" and "Transform
/// Type"; OK checks the percentages and stores the settings back.
class LinearStretchDialog : public platform::DialogModel {
public:
    explicit LinearStretchDialog(LinearStretchSettings& settings);
    bool pressed(platform::DialogControl& control) override;

private:
    LinearStretchSettings& settings_;
};

/// "Brightness/Contrast" on one window: every application starts from the
/// palette the window had when the dialog opened; Cancel puts that back.
class BrightnessContrastDialog : public platform::DialogModel {
public:
    static constexpr int kGraphWidth = 200;
    static constexpr int kGraphHeight = 200;
    explicit BrightnessContrastDialog(ImageHandle window);

    void changed(platform::DialogControl& control) override;
    bool pressed(platform::DialogControl& control) override;
    void paint(platform::DialogControl& canvas, platform::Surface& surface) override;

    /// Sets the palette of the current settings on the window.
    void apply();

private:
    ImageHandle window_;
    std::vector<uint32_t> start_;
    int startKind_ = 4;
};

/// "Optimize Colors": what the analysis found, the steps to take and the
/// count and resolution they leave.
class OptimizeColorsDialog : public platform::DialogModel {
public:
    explicit OptimizeColorsDialog(PaletteAnalysis analysis);
    void changed(platform::DialogControl& control) override;
    bool compress() const { return find("Compress")->value != 0; }
    bool remove() const { return find("Delete")->value != 0; }
    bool sort() const { return find("Sort")->value != 0; }

private:
    void update();
    PaletteAnalysis analysis_;
};

}  // namespace orvex
