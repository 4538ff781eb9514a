#pragma once
// Pixel loops of the geometric copies: quarter turns by blocks transposed in
// registers, mirrored rows, and the two resampling passes. Vectorised for the
// processor the program runs on, each with the result of its plain loop.
#include <cstddef>
#include <cstdint>

#include "processing/kernels/row_stores.h"

namespace orvex {

/// Rows firstRow .. firstRow + rows - 1 of a source of w x h pixels (rows of
/// `stride` values) turned a quarter: clockwise, result pixel (c, r) is source
/// pixel (column r, row h - 1 - c); else (column w - 1 - r, row c). Result
/// rows are h values long; row k of the band starts at band + k x bandStride.
/// Either stride may be negative, for pictures stored bottom-up.
void TurnBand(const uint8_t* source, ptrdiff_t stride, int w, int h, bool clockwise, int firstRow, int rows,
              uint8_t* band, ptrdiff_t bandStride);
void TurnBand(const uint16_t* source, ptrdiff_t stride, int w, int h, bool clockwise, int firstRow, int rows,
              uint16_t* band, ptrdiff_t bandStride);

/// out[i] = in[i]; the two must not overlap.
void CopyRow(const uint8_t* in, int n, uint8_t* out, RowStores stores);
void CopyRow(const uint16_t* in, int n, uint16_t* out, RowStores stores);

/// out[i] = in[n - 1 - i]; the two must not overlap.
void ReverseRow(const uint8_t* in, int n, uint8_t* out);
void ReverseRow(const uint16_t* in, int n, uint16_t* out);

/// out[c] = in[columns[c]].
void NearestRow(const uint8_t* in, const int* columns, int width, uint8_t* out);
void NearestRow(const uint16_t* in, const int* columns, int width, uint16_t* out);

/// Interpolation along a row: out[c] = lo + (hi - lo) x weight[c] in double
/// precision, with lo and hi the source values at index[c] and index[c] + 1.
/// The two are read as one 32-bit word, so the source row must have 4 bytes
/// that can be read after its last value.
void BlendAlongRow(const uint8_t* source, const int32_t* index, const double* weight, int width, double* out);
void BlendAlongRow(const uint16_t* source, const int32_t* index, const double* weight, int width, double* out);

/// Interpolation between two rows: a + (b - a) x weight, limited to 0..the
/// depth's maximum and truncated.
void BlendBetweenRows(const double* a, const double* b, double weight, int width, uint8_t* out);
void BlendBetweenRows(const double* a, const double* b, double weight, int width, uint16_t* out);

/// Interpolation weights that are all whole multiples of 2^-shift let the
/// same double arithmetic run on integers scaled by 2^shift, exactly: every
/// step of it is then exact in double too. The smallest such shift up to 8
/// for which no scaled value of a `top`-valued picture can leave 31 bits,
/// or -1.
int ExactShift(const double* columnWeights, int columns, const double* rowWeights, int rows, int top);

/// The scaled interpolation along a row: (lo << shift) + (hi - lo) x scaled[c],
/// with the source read as for BlendAlongRow.
void BlendAlongRowScaled(const uint8_t* source, const int32_t* index, const int32_t* scaled, int shift, int width,
                         int32_t* out);
void BlendAlongRowScaled(const uint16_t* source, const int32_t* index, const int32_t* scaled, int shift, int width,
                         int32_t* out);
/// The same for the taps of a halving, index[c] = 2c: out[c] =
/// (source[2c] << shift) + (source[2c + 1] - source[2c]) x scaled, read as
/// pairs without a gather.
void BlendPairsScaled(const uint8_t* source, int32_t scaled, int shift, int width, int32_t* out);
void BlendPairsScaled(const uint16_t* source, int32_t scaled, int shift, int width, int32_t* out);
/// Between two scaled rows: ((a << shift) + (b - a) x scaled) >> (2 x shift),
/// limited to 0..the depth's maximum: the truncation of the double result.
void BlendBetweenRowsScaled(const int32_t* a, const int32_t* b, int32_t scaled, int shift, int width, uint8_t* out);
void BlendBetweenRowsScaled(const int32_t* a, const int32_t* b, int32_t scaled, int shift, int width, uint16_t* out);

}  // namespace orvex
