#pragma once
// Windows bitmaps: uncompressed bottom-up files of 1, 4 and 8 bits are read
// and written; 24-bit files are read as three colour-separated images.
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/image_handle.h"

namespace orvex::formats {

/// The image library's messages are shown with this caption.
inline constexpr const char* kImageLibraryCaption = "Warning";

/// Reads a 1-, 4- or 8-bit BMP into the image; refuses 24-bit, compressed,
/// top-down and unknown files with a message.
bool ReadBmp(Image& image, const std::string& path);
bool ReadBmpBytes(Image& image, const uint8_t* data, size_t size);

/// Writes the image as a BMP of the given depth (1, 4 or 8); a 16-bit image
/// is refused with a message.
bool WriteBmp(Image& image, const std::string& path, int depth);
/// The bytes WriteBmp writes; empty when refused.
std::vector<uint8_t> EncodeBmp(Image& image, int depth);

/// Reads a 24-bit BMP into three new image windows of the red, green and
/// blue bytes (palette kinds red, green, blue); gives the red one, or none.
ImageHandle ReadBmpColourSplit(const std::string& path);
/// Reads a 24-bit BMP into three 8-bit images of the blue, green and red
/// bytes, with the red, green and blue palettes. The images are allocated here.
bool ReadBmpColourSplitImages(const std::string& path, Image& red, Image& green, Image& blue);
bool ReadBmpColourSplitBytes(const uint8_t* data, size_t size, Image& red, Image& green,
                             Image& blue);

}  // namespace orvex::formats
