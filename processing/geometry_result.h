#pragma once
// What the geometric copies and the neighbourhood filters share: a new image
// window that takes over the source's palette and Z registration, whole
// source pictures read into memory, and the names the history lines carry.
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

class Image;

/// A new image window (not cleared) of the given size and depth with the
/// source's palette kind; with `palette` it takes the source's palette (and
/// custom palette), with `copyZ` its Z registration. None when the source is
/// gone or the size is refused.
ImageHandle CreateResultImage(ImageHandle source, int width, int height, int depth, bool palette,
                              bool copyZ);

/// Copies the palette, its kind and the custom palette from one window to another.
void TakePalette(ImageHandle source, ImageHandle result);

/// The depth a copy of an image keeps: 16 for 16-bit images, else the depth
/// limited to 8.
int ResultDepth(const Image& image);

/// The whole picture, row after row, at 8 or 16 bits. False (with "Unable to
/// allocate memory" shown under the caption) when it does not fit in memory.
bool ReadPicture(const Image& image, std::vector<uint8_t>& pixels, const char* caption);
bool ReadPicture(const Image& image, std::vector<uint16_t>& pixels, const char* caption);

/// The window's name, or "" when it is gone.
std::string WindowName(ImageHandle window);

}  // namespace orvex
