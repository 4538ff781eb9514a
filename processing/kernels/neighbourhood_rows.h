#pragma once
// Row kernels of the 3 x 3 neighbourhood filters. `above`, `row` and `below`
// are padded rows of width + 2 values whose first and last entries are 0 (the
// outside of the image); `out` receives width values. Each runs on the widest
// vector unit of the processor it finds itself on, with the scalar result.
#include <array>
#include <cstdint>

namespace orvex {

/// The truncated product of one pixel and one weight, saturated to the range
/// of int (0 when the product is not a number).
int TruncatedProduct(uint8_t value, float weight);

/// Sum of the nine truncated products, clamped to 0..255. The products are
/// taken in single precision, as the weights are; the sum is taken without
/// overflow, so a sum beyond the range of int still lands on 0 or 255.
void ConvolveRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                 const std::array<float, 9>& weights, uint8_t* out);
void MinimumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out);
void MaximumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out);
/// The 5th smallest of the nine neighbours.
void MedianRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out);
void MedianRow(const uint16_t* above, const uint16_t* row, const uint16_t* below, int width, uint16_t* out);

}  // namespace orvex
