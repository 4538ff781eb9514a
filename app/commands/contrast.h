#pragma once
// The menu commands of Basic > Contrast Enhancement, Basic > Display Palette,
// Basic > Normalize(16->8) and Basic > False Color.
#include <array>
#include <cstdint>

namespace orvex {

/// The palette bar's default palette, or the grey ramp when it has none.
std::array<uint32_t, 256> DefaultBasePalette();

void ov_histogram_equalization();
void ov_linear_stretch();
void ov_set_gray_scale();
void ov_set_color_scale();
void ov_brightness_contrast();
void ov_optimize_palette();
void ov_negate_palette();
void ov_stretch_palette();
void ov_unstretch_palette();
void palette_display();
void convert16to8normalize();
/// Basic > False Color: working copy, histogram strip, "last.fc" (or New), the dialog.
void ov_false_color();

/// Enters the commands in the command table (again: replacing them in place).
void RegisterContrastCommands();

}  // namespace orvex
