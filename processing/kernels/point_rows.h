#pragma once
// Row kernels of the point operations: each pixel's result depends on that
// pixel alone. Vectorised for the processor the program runs on; the results
// are those of the plain per-pixel rules in the comments.
#include <cstdint>

#include "processing/kernels/row_stores.h"

namespace orvex {

/// Grey-level window: a pixel is kept when low <= v <= high (keepInside) or
/// when it is outside that range (not keepInside); kept pixels become `top`
/// when `mask` is set and stay as they are otherwise; the rest become 0.
void GreyWindowRow(uint8_t* pixels, int width, int low, int high, bool keepInside, bool mask);
void GreyWindowRow(uint16_t* pixels, int width, int low, int high, bool keepInside, bool mask);

/// 255 where v >= level, 0 elsewhere. (Half as many result bytes as
/// source bytes do not pay for streaming from 16 bits.)
void ThresholdRow(const uint8_t* in, int width, unsigned level, uint8_t* out,
                  RowStores stores = RowStores::Cached);
void ThresholdRow(const uint16_t* in, int width, unsigned level, uint8_t* out);

/// 255 - v and 65535 - v, in place.
void NegateRow(uint8_t* pixels, int width);
void NegateRow(uint16_t* pixels, int width);

/// Bins counted in four sets taken in turn, so neighbouring equal pixels
/// count without waiting on each other; SumCounts gives the 256 counts.
struct SplitCounts {
    uint32_t bins[4][256] = {};
};
/// Adds the row's values to the bins: bin v for 8 bits, v >> 8 for 16 bits.
void CountRow(const uint8_t* pixels, int width, SplitCounts& counts);
void CountRow(const uint16_t* pixels, int width, SplitCounts& counts);
void SumCounts(const SplitCounts& split, uint32_t counts[256]);

}  // namespace orvex
