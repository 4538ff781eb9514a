#pragma once
// TIFF files: the system's own image format. Uncompressed single-sample files
// of 1, 4, 8 and 16 bits in either byte order are read; files are written
// little-endian with the palette, the texts, and the position and Z
// registrations in the private tag 34127 (foreign data in 34128).
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image.h"

namespace orvex::formats {

/// Reading errors, shown with the caption "Error During Tiff Translation".
enum TiffError : int {
    TiffNotTiff = 500,          // "File not in Tiff format."
    TiffNoDirectory = 501,      // "No Image File Directory in Tiff file."
    TiffCompression = 503,      // "Unrecognized compression format."
    TiffUnrecognised = 507,     // "Unrecognized TIFF format."
};

inline constexpr const char* kTiffErrorCaption = "Error During Tiff Translation";
/// The message text of an error code.
const char* TiffErrorText(int code);

/// Reads a TIFF file into the image (the last full-size directory is the
/// image). Every failure shows its message; false then.
bool ReadTiff(Image& image, const std::string& path);
/// The same over bytes in memory.
bool ReadTiffBytes(Image& image, const uint8_t* data, size_t size);

/// Writes the image as TIFF at the given depth (its requested depth),
/// replacing the target atomically.
bool WriteTiff(Image& image, const std::string& path, int depth);
/// The bytes WriteTiff writes.
std::vector<uint8_t> EncodeTiff(Image& image, int depth);

/// Rows per strip of the files written: 8192 bytes' worth, at most half the
/// rows, at least 1.
int TiffRowsPerStrip(int width, int height, int depth);

}  // namespace orvex::formats
