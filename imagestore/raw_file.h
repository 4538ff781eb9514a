#pragma once
// Headerless files of 8-bit rows.
#include <string>

namespace orvex {

class Image;

/// Side of the square image a raw file is read into.
constexpr int kRawFileSide = 512;

/// Reads a raw file as a 512 x 512 8-bit image, one 512-byte record per row
/// from the top, until the file or the image ends (a short last record fills
/// the start of its row). Returns 1 when done.
int ReadRawFile(Image& image, const std::string& path);

/// Writes width bytes per row, top row first, as 8-bit values. Returns 1 when done.
int WriteRawFile(Image& image, const std::string& path);

}  // namespace orvex
