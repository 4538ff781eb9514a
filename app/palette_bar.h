#pragma once
// The palette bar: a strip of an image's colours beside the image, labelled
// with the real values they stand for, and the default palette that created
// and grid images receive.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/zoom.h"
#include "imagestore/image_handle.h"
#include "platform/surface.h"

namespace orvex::app {

/// What the palette bar needs to know of one image window.
struct PaletteBarImage {
    double left = 0, top = 0, right = 0, bottom = 0;  // registration corners (pixel centres)
    bool zRegistered = false;
    double zLow = 0, zHigh = 100;
    std::string zUnits;
    int depth = 8;
    std::vector<uint32_t> palette;  // palette count entries, 0x00BBGGRR
    int minValue = 0;               // smallest and largest pixel value (16-bit: high bytes)
    int maxValue = 255;
};

class PALFILE {
public:
    static constexpr uint32_t kUndefined = 0xFF000000u;

    // Settings, section "palettebar".
    bool label = false;
    bool hide = false;
    bool black = false;
    std::string units = "counts";
    static constexpr int kDefaultPosition = 2;
    int position = kDefaultPosition;  // 1 above, 2 left of, 3 right of, 4 below the image
    // [software] "default palette"
    std::string defaultPalettePath;

    /// The default palette, 0x00BBGGRR (entries the file left undefined and
    /// uninterpolated read as black).
    std::array<uint32_t, 256> defaultPalette() const;
    bool hasDefaultPalette() const { return loaded_; }

    /// Reads an ".fc" false-colour description into the default palette;
    /// false (after the messages) when it cannot be read.
    bool ReadDefaultPalette(const std::string& path);
    /// The grey ramp, entry i = (i, i, i): what start-up falls back to.
    void SetGreyDefaultPalette();
    /// Start-up: the configured file, or the grey ramp when there is none or it fails.
    void LoadDefaultPalette();

    /// Reads and writes the settings keys.
    void ReadBarSettings(const std::string& iniPath);
    void WriteBarSettings(const std::string& iniPath) const;

    /// A position outside 1-4 shows "Bad Palette Position" and falls back to
    /// the default; false then. Run where the settings are read.
    bool CheckPosition();
    /// Whether the bar shows only the entries the pixels use (the image's
    /// palette is not the default one), so that it needs their value range.
    bool ShowsValueRange(const PaletteBarImage& image) const;

    /// The strip in real coordinates of the registration corners for the
    /// current position: left, top, right, bottom. False, silently, for a bad
    /// position (CheckPosition has told of it when the settings were read).
    bool StripRect(const PaletteBarImage& image, double& left, double& top, double& right,
                   double& bottom) const;

    /// Draws the bar through the mapping (the window's, or the printer's).
    void Draw(const PaletteBarImage& image, platform::Surface& surface,
              const DisplayMapping* mapping) const;

    /// The raw entries (marker 0xFF000000 where undefined), for tests.
    const std::array<uint32_t, 256>& rawPalette() const { return palette_; }

    /// Back to the start-up state.
    void reset();

private:
    std::array<uint32_t, 256> palette_{};
    bool loaded_ = false;
};

/// The one palette bar of the program.
PALFILE& palfile();

/// What the palette bar reads of a live window (false when it is not live);
/// the value range only when the bar shows it.
bool DescribeForPaletteBar(ImageHandle window, PaletteBarImage& out);
/// The smallest and largest pixel value of a window (16-bit images: the
/// values, 8-bit: the values as bytes), kept row by row and counted again
/// only for the rows written since the last call.
bool PaletteBarValueRange(ImageHandle window, int& low, int& high);
/// Rows read for value ranges so far (tests: a repaint reads none).
long long PaletteBarRowsRead();
/// The palette bar over a window, through the window's mapping or the printer's.
void DrawPaletteBar(ImageHandle window, platform::Surface& surface,
                    const DisplayMapping* printMapping = nullptr);
/// Gives a newly created image the default palette, with kind PaletteCustom.
void ApplyDefaultPalette(ImageHandle window);

}  // namespace orvex::app
