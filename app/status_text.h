#pragma once
// The texts of the information bar's three panes for the active image, and
// the bar's histogram with its hover texts.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace orvex::app {

/// Pane 0: "%s at %d%% (%dx%dx%d)".
std::string ImagePaneText(const std::string& name, int zoomPercent, int width, int height,
                          int paletteCount);
/// Pane 1: "X:%.8lg Y:%.8lg " when position-registered, then "Z: %.5g" when
/// Z-registered; "Not Registered" when neither.
std::string PositionPaneText(bool positionRegistered, double x, double y, bool zRegistered, double z);
/// Pane 2: "x:%3d y:%3d v:%3u".
std::string PixelPaneText(int column, int row, unsigned value);

/// The information bar's histogram of the 8-bit view of an image.
struct InfoHistogram {
    std::array<double, 256> percent{};  // share of the counted pixels per bin
    int width = 0;
    int height = 0;
    long counted = 0;

    /// Counts every k-th row (k = height / 256, at least 1), read through
    /// `readRow8` as 8-bit values; progress is reported per row read.
    static InfoHistogram Compute(int width, int height,
                                 const std::function<bool(int row, uint8_t* values)>& readRow8,
                                 const std::function<void(int percent)>& progress = nullptr);

    /// The value that reaches the top of the drawing: the second-largest bin
    /// among bins 1–254.
    double Scale() const;

    /// "Pixels: %ld (%1.2f%%)" for bin i.
    std::string PixelsText(int bin) const;

    /// Draws the bins as vertical lines in their palette colours (0x00BBGGRR)
    /// over `area`, cut at the top.
    void Draw(platform::Surface& surface, const platform::Rect& area,
              const std::vector<uint32_t>& palette) const;
    /// The bin under a horizontal position in `area`, or -1.
    static int BinAt(const platform::Rect& area, int x);
};

/// Pane 1 over bin i: "Index: %d, Real: %.5g" for a Z-registered image, else "Index: %d".
std::string BinIndexText(int bin, bool zRegistered, double real);

}  // namespace orvex::app
