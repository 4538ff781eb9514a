#pragma once
// Depth conversion of runs of pixels, shared by the line, block and pixel
// copies of Image and by any reader that needs it.
#include <cstddef>
#include <cstdint>

namespace orvex {

/// Bytes that n pixels of a depth take (sub-byte depths rounded up).
size_t PackedBytes(int64_t pixels, int depth);

/// Whether a depth is one the conversions know (1, 4, 8 or 16).
bool IsPixelDepth(int depth);

/// Copies n pixels from source (depth sourceDepth, starting at pixel
/// sourceFirst of the row at source) to destination (depth destDepth,
/// starting at pixel destFirst), converting the depth:
/// equal depths copy unchanged; 16 -> 8 keeps the high byte; 8 -> 16 multiplies
/// by 256; otherwise the source value (bit, nibble, byte or high byte) is
/// written as 1 when non-zero (1-bit), min(v, 15) (4-bit), v (8-bit) or
/// v << 8 (16-bit). Bits of destination bytes outside the run are kept.
/// 16-bit pixels are little-endian.
void ConvertPixels(const uint8_t* source, int sourceDepth, int64_t sourceFirst, uint8_t* destination,
                   int destDepth, int64_t destFirst, int64_t n);

/// The value of pixel i of a row at a depth (the stored value).
unsigned PixelValueAt(const uint8_t* row, int depth, int64_t i);

}  // namespace orvex
