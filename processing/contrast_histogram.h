#pragma once
// Percentage histograms for the contrast and false-colour operations: the
// share of the pixels (in percent) that hold each value. Counting reports
// progress after every row and stops at once, without a question, when Esc
// is pressed; the shares then come from the rows counted so far.
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

/// 256 shares of the 8-bit values (16-bit images through their high byte),
/// counting every rowStep-th row. Entries from the palette count N on are
/// left 0, so a walk over 0..255 sees an N-entry histogram. All 0 when no
/// pixel was counted or the window is not live.
std::vector<float> PercentHistogram(ImageHandle window, int rowStep = 1);

/// 65536 shares of the 16-bit values of a 16-bit image (all 0 otherwise).
std::vector<float> PercentHistogram16(ImageHandle window);

}  // namespace orvex
