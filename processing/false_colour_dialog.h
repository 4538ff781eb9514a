#pragma once
// The dialogs of Basic > False Color as dialog models: the one that edits a
// false-colour definition over the histogram of a copy of the active image,
// and the mode of a new definition.
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/false_colour.h"

namespace orvex {

/// "New False Color": the mode of a new, empty definition.
class NewFalseColourDialog : public platform::DialogModel {
public:
    static constexpr const char* kInterpolate =
        "Interpolate.  Colors go from one point to another in a \"smooth\" fashion.";
    static constexpr const char* kPixelRanges = "Pixel Ranges.  A single color is assigned to a pixel range.";
    NewFalseColourDialog();
    int interpolate() const { return find(kInterpolate)->value ? 1 : 0; }
};

/// "False Color" over the working image (a copy the command made). Its title
/// tells how many colours are defined; OK keeps the working image coloured,
/// Cancel closes it. Colour lists and definitions are kept in the program's
/// folder.
class FalseColourDialog : public platform::DialogModel {
public:
    static constexpr const char* kStrip = "Histogram";
    static constexpr const char* kStatus = "Index";
    static constexpr const char* kSelected = "Selected";
    static constexpr int kStripWidth = 512;
    static constexpr int kStripHeight = 128;

    FalseColourDialog(ImageHandle working, std::vector<float> shares, FalseColourDefinition definition,
                      std::string programFolder);

    bool pressed(platform::DialogControl& control) override;
    void paint(platform::DialogControl& canvas, platform::Surface& surface) override;
    void mouse(platform::DialogControl& canvas, const platform::CanvasMouse& event) override;

    /// Selects levels start..end (Interpolate: start alone), as the mouse does.
    void select(int start, int end);
    /// The status line for the level under the mouse.
    void hover(int level);
    /// Builds the palette and sets it on the working image.
    void apply();
    const FalseColourDefinition& definition() const { return definition_; }

private:
    void update();
    int levelAt(int x) const;
    int itemHoldingSelection() const;
    bool newDefinition();
    void addColour();
    void changeColour();
    void selectFromImage();

    ImageHandle working_;
    std::vector<uint32_t> base_;
    std::vector<float> shares_;
    FalseColourDefinition definition_;
    bool hasSelection_ = false;
    int start_ = 0;
    int end_ = 0;
    int pressAt_ = -1;  // level where a Pixel Ranges drag began
    std::string programFolder_;
};

/// Asks "This will clear all the current items" (when there are any), then
/// the mode; true when a new definition was made.
bool NewFalseColourDefinition(FalseColourDefinition& definition);

}  // namespace orvex
