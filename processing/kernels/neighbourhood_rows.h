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

/// How the sums of a convolution are taken, found once for the weights.
enum class ConvolutionPath {
    Whole,       // small whole numbers: exact products summed in 16 bits
    Fixed,       // fractions whose truncated products fixed point gives exactly
    Floats,      // products and sums within int: single precision, lane by lane
    Saturating,  // the rest (huge or non-finite weights), one pixel at a time
};

/// The weights made ready once for all rows of an image. On the Fixed path
/// the truncated product of v and weight t is, for every v of 0..255,
/// v x whole[t] + (v x fraction[t]) / 65536 (rounded down), negated for a
/// negative weight; `taps` lists the non-zero weights, positive ones first.
struct ConvolutionWeights {
    std::array<float, 9> weights{};
    ConvolutionPath path = ConvolutionPath::Saturating;
    std::array<uint16_t, 9> whole{}, fraction{};
    std::array<uint8_t, 9> taps{};
    int positive = 0, count = 0;
};
ConvolutionWeights PrepareConvolution(const std::array<float, 9>& weights);

/// Sum of the nine truncated products, clamped to 0..255. The products are
/// taken in single precision, as the weights are; the sum is taken without
/// overflow, so a sum beyond the range of int still lands on 0 or 255.
void ConvolveRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                 const ConvolutionWeights& weights, uint8_t* out);
/// The same, making the weights ready on every call.
void ConvolveRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                 const std::array<float, 9>& weights, uint8_t* out);
void MinimumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out);
void MaximumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out);
/// The 5th smallest of the nine neighbours.
void MedianRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out);
void MedianRow(const uint16_t* above, const uint16_t* row, const uint16_t* below, int width, uint16_t* out);

}  // namespace orvex
