#pragma once
// Picking one pixel of any image window through the image picker: the click
// names both the image and the pixel (Kill pixel, Make mask).
#include <optional>
#include <string>

#include "imagestore/image_handle.h"

namespace orvex {

struct PickedPixel {
    ImageHandle window;
    int column = 0;
    int row = 0;
};

/// Waits for a click on an image window with the prompt as the picker's
/// title; nothing when the picker is cancelled.
std::optional<PickedPixel> PickImagePixel(const std::string& prompt);

/// The value of one pixel, read at 16 bits for a 16-bit image and at 8 bits
/// otherwise; 0 when the window or position is not valid.
unsigned PixelValue(ImageHandle window, int column, int row);

}  // namespace orvex
