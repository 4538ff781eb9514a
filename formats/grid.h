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

/// The grid settings of the initialization file ([gridfile] "zunits").
struct GridSettings {
    std::string zunits;  // the Z units of images read from grids
    bool loaded = false;  // read from a file yet
    void ReadIni(const std::string& path);
};
/// The grid settings; read from the initialization file in use on first use
/// when the settings order has not read them.
GridSettings& gridSettings();
/// Back to the start-up state (for tests).
void resetGridSettings();
/// Puts the grid settings' reader into the settings order.
void installGridSettings();

/// The factor between registration units and grid units (grid = registration
/// ÷ factor): the calibration's microns per stage unit.
double GridScaleFactor();

/// Reads a grid into the image: the 16-bit form of a scaled grid when
/// preferSixteenBit is set, else 8 bits. A file without the magic "DSBB" fails
/// without a message.
bool ReadGrid(Image& image, const std::string& path, bool preferSixteenBit = false);
/// Reads a grid into a new image window (image type 9, the palette bar's
/// default palette, named by the path); none when it cannot be read.
ImageHandle ReadGrid(const std::string& path, bool preferSixteenBit);
/// The same over bytes, with the factor and units given.
bool ReadGridBytes(Image& image, const uint8_t* data, size_t size, bool preferSixteenBit,
                   double factor, const std::string& zunits);

/// Writes a Z-registered image as a grid; refuses others with the message
/// "write_grd_menu" / "Not Z registered?". Null: "No active image?".
bool WriteGrid(Image* image, const std::string& path);
/// Writes the active image window as a grid.
bool WriteGrid(const std::string& path);
/// The bytes WriteGrid writes with the factor given; empty when refused.
std::vector<uint8_t> EncodeGrid(Image* image, double factor);

/// The kind a written grid takes for an image.
GridKind GridKindOf(const Image& image);

}  // namespace orvex::formats
