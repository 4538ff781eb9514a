#pragma once
// Grid files ("DSBB"): an image as a rectangle of 32-bit real values with its
// x, y and value extents, for contouring and surface programs. Reading makes
// an 8- or 16-bit image with position and Z registration; writing needs a
// Z-registered image.
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/image_handle.h"

namespace orvex::formats {

/// How the values of a grid relate to pixel values.
enum class GridKind {
    Raw8,    // zlo 0, zhi 255: the pixel values of an 8-bit image
    Raw16,   // zlo 0, zhi 65535: the pixel values of a 16-bit image
    Scaled,  // real values through the Z registration
};

struct GridHeader {
    uint16_t nx = 0, ny = 0;
    double xlo = 0, xhi = 0, ylo = 0, yhi = 0, zlo = 0, zhi = 0;
};

/// What grid files take from the rest of the system.
struct GridContext {
    /// The factor between registration units and grid units (grid =
    /// registration ÷ factor).
    double factor = 1.0;
    /// The Z units given to images read from grids.
    std::string zunits;
    /// The palette of a window opened on a grid (0x00BBGGRR); empty: the grey ramp.
    std::vector<uint32_t> palette;
};

/// Reads a grid into the image: the 16-bit form of a scaled grid when
/// preferSixteenBit is set, else 8 bits. A file without the magic "DSBB" fails
/// without a message.
bool ReadGrid(Image& image, const std::string& path, bool preferSixteenBit,
              const GridContext& context);
/// Reads a grid into a new image window (image type 9, the context's palette,
/// named by the path); none when it cannot be read.
ImageHandle ReadGrid(const std::string& path, bool preferSixteenBit, const GridContext& context);
/// The same over bytes, with the factor and units given.
bool ReadGridBytes(Image& image, const uint8_t* data, size_t size, bool preferSixteenBit,
                   double factor, const std::string& zunits);

/// Writes a Z-registered image as a grid; refuses others with the message
/// "write_grd_menu" / "Not Z registered?". Null: "No active image?".
bool WriteGrid(Image* image, const std::string& path, double factor);
/// Writes the active image window as a grid.
bool WriteGrid(const std::string& path, double factor);
/// The bytes WriteGrid writes with the factor given; empty when refused.
std::vector<uint8_t> EncodeGrid(Image* image, double factor);

/// The kind a written grid takes for an image.
GridKind GridKindOf(const Image& image);

}  // namespace orvex::formats
