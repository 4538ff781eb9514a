#pragma once
// PC Paintbrush files, read only: 256-colour (8 bits, 1 plane, palette at the
// end of the file) and 16-colour (1 bit, 4 planes) files, run-length coded.
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image.h"

namespace orvex::formats {

/// The 16 colours of version-3 files, which carry no palette, as (red, green, blue).
extern const uint8_t kDefaultPcxPalette[16][3];

/// Reads a PCX file into the image. A file that is not PCX fails silently;
/// unsupported kinds and a missing 256-colour palette fail with a message.
bool ReadPcx(Image& image, const std::string& path);
bool ReadPcxBytes(Image& image, const uint8_t* data, size_t size);

/// Run-length decoding of PCX rows: takes bytes from position on and fills
/// out completely (zeros once the data end). A run longer than the row goes
/// on into the next row, as the stream has it.
/// Returns whether the data filled the row.
class PcxDecoder {
public:
    PcxDecoder(const uint8_t* data, size_t size, size_t position)
        : data_(data), size_(size), position_(position) {}
    bool decodeRow(uint8_t* out, size_t bytes);
    /// Whether the data from position on decode to at least bytes bytes.
    static bool Holds(const uint8_t* data, size_t size, size_t position, uint64_t bytes);
    /// Whether the data have ended (every further row is zero).
    bool exhausted() const { return runLeft_ == 0 && position_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_;
    uint8_t runValue_ = 0;
    size_t runLeft_ = 0;
};

}  // namespace orvex::formats
