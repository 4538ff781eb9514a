#pragma once
// Advanced > Classify: the Classify dialog, where classes are trained on
// rectangles of the bands or found automatically, kept in ".cy" files, and
// applied to a test area or to the whole bands.
#include <optional>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/classify.h"

namespace orvex {

/// Dialog "Classify: %d band".
class ClassifyDialog : public platform::DialogModel {
public:
    static constexpr const char* kClasses = "Name of Classification";
    static constexpr const char* kMinimum = "Minimum Distance";
    static constexpr const char* kDistance = "Distance";
    static constexpr const char* kLog = "Log to file";
    static constexpr const char* kLabel = "Label";

    ClassifyDialog(std::vector<ImageHandle> bands, const ClassSet& set);
    ~ClassifyDialog() override;
    bool pressed(platform::DialogControl& control) override;

    const std::vector<ImageHandle>& bands() const { return bands_; }
    const std::vector<ClassItem>& classes() const { return classes_; }
    /// The limit: the distance typed when "Minimum Distance" is checked, else 9999.
    long limit() const;
    /// The dialog's state as a ".cy" file holds it.
    ClassSet classSet() const;
    /// Draws the training rectangles on a band's window.
    void drawTrainings(ImageHandle band, platform::Surface& surface) const;

private:
    void refresh();
    int selected() const;
    bool train(ClassItem& item);
    void apply(const std::optional<platform::Rect>& area);
    std::optional<std::string> askLog(bool& cancelled);
    void load();
    void save();
    void automatic();
    void setBands(std::vector<ImageHandle> bands);

    std::vector<ImageHandle> bands_;
    std::vector<ClassItem> classes_;
};

/// The bands of the last classification, when all are still open.
std::vector<ImageHandle>& lastClassifyBands();
/// Asks for `exactly` bands, or for 1 to 10 when 0; none when cancelled.
std::vector<ImageHandle> PickClassifyBands(int exactly);

/// Forgets the running class numbers and the automatic parameters (start-up state).
void ResetClassifyMemory();

/// The menu command: loads "last.cy" (or asks for the bands) and runs the dialog.
void ov_classify();

/// Adds "Advanced > Clas&sify" to the command table.
void RegisterClassifyCommands();

}  // namespace orvex
