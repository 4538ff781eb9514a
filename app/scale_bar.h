#pragma once
// The scale bar: a line of a round real length, with its length and units,
// drawn over position-registered images at one of 25 places.
#include <string>

#include "app/zoom.h"
#include "imagestore/image_handle.h"
#include "platform/surface.h"

namespace orvex::app {

class ScaleBar {
public:
    // Settings, section "scalebar".
    bool hide = false;
    bool large = false;
    bool label = true;
    bool horizontal = true;
    bool black = false;
    int position = 15;  // cell of a 5 x 5 grid over the image
    int thick = 3;
    int thin = 0;
    int printFactor = 4;
    /// The line style in use (not stored): the bold style takes "thick", the other "thin".
    bool bold = true;

    /// The round length for an extent d: a power of ten, or 2 or 5 times one,
    /// not above d (one tenth of it without "large").
    double Length(double extent) const;
    /// The bar's centre in real coordinates for the corners and the position.
    orvex::RealPoint Centre(double left, double top, double right, double bottom) const;
    /// The length text: the length as a whole number, a blank and the units, at most 20 characters.
    std::string LabelText(double length, const std::string& units) const;

    /// Draws the bar for an image with these registration corners (pixel
    /// centres) through the mapping; `printing` applies the print factor.
    void Draw(double left, double top, double right, double bottom, const std::string& units,
              platform::Surface& surface, const DisplayMapping* mapping, bool printing) const;

    void ReadBarSettings(const std::string& iniPath);
    void WriteBarSettings(const std::string& iniPath) const;

    void reset() { *this = ScaleBar(); }
};

/// The one scale bar of the program.
ScaleBar& scaleBar();

/// The scale bar over a position-registered window, through the window's
/// mapping or the printer's (the print factor then applies).
void DrawScaleBar(ImageHandle window, platform::Surface& surface,
                  const DisplayMapping* printMapping = nullptr);

/// Plugs both bars' settings into the load and save order (scale bar first).
void installBarSettings();

}  // namespace orvex::app
