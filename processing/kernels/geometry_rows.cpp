#include "processing/kernels/geometry_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "processing/kernels/geometry_rows.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace orvex::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// A square block of 16-byte rows transposed in registers: each round
// interleaves row i with row i + half, which rotates the bits of the
// (row, column) address by one; after log2(lanes) rounds rows and columns
// have swapped.
template <class D, class V>
HWY_INLINE void TransposeBlock(D d, V* v) {
    constexpr int kLanes = static_cast<int>(16 / sizeof(hn::TFromD<D>));
    constexpr int kHalf = kLanes / 2;
    V next[kLanes];
    for (int round = 1; round < kLanes; round *= 2) {
        for (int i = 0; i < kHalf; ++i) {
            next[2 * i] = hn::InterleaveLower(d, v[i], v[i + kHalf]);
            next[2 * i + 1] = hn::InterleaveUpper(d, v[i], v[i + kHalf]);
        }
        for (int i = 0; i < kLanes; ++i) v[i] = next[i];
    }
}

#endif

template <class T>
void TurnBandT(const T* HWY_RESTRICT src, ptrdiff_t stride, int w, int h, bool clockwise, int r0, int n,
               T* HWY_RESTRICT band, ptrdiff_t bandStride) {
    const int rw = h;
    const auto at = [&](int c, int r) -> T {
        return clockwise ? src[static_cast<ptrdiff_t>(h - 1 - c) * stride + r]
                         : src[static_cast<ptrdiff_t>(c) * stride + (w - 1 - r)];
    };
    int k = 0;
#if HWY_TARGET != HWY_SCALAR
    constexpr int L = static_cast<int>(16 / sizeof(T));
    const hn::FixedTag<T, L> d;
    using V = hn::Vec<decltype(d)>;
    const int blockRows = n / L * L, blockColumns = rw / L * L;
    // The blocks of a group of result rows that come from the same L source
    // rows are made one after the other, so that each source row is reached
    // once for the whole group. Measured fastest: the whole band of 32 rows
    // at 16 bits; one block of 16 rows at 8 bits, whose band of 64 rows
    // touches more pages than the translation buffer holds.
    constexpr int kGroupRows = sizeof(T) == 2 ? 32 : L;
    for (int group = 0; group < blockRows; group += kGroupRows)
        for (int c = 0; c < blockColumns; c += L)
            for (k = group; k < std::min(blockRows, group + kGroupRows); k += L) {
                const int r = r0 + k;
                V v[L];
                // Clockwise, lane j of source row h-1-c-i is result (c+i, r+j);
                // the other way, lane m of source row c+i is result (c+i, r+L-1-m).
                for (int i = 0; i < L; ++i) {
                    const T* from =
                        clockwise ? src + static_cast<ptrdiff_t>(h - 1 - c - i) * stride + r
                                  : src + static_cast<ptrdiff_t>(c + i) * stride + (w - r - L);
                    v[i] = hn::LoadU(d, from);
                }
                TransposeBlock(d, v);
                for (int m = 0; m < L; ++m) {
                    const int row = clockwise ? k + m : k + L - 1 - m;
                    hn::StoreU(v[m], d, band + static_cast<ptrdiff_t>(row) * bandStride + c);
                }
            }
    for (k = 0; k < blockRows; ++k)
        for (int c = blockColumns; c < rw; ++c)
            band[static_cast<ptrdiff_t>(k) * bandStride + c] = at(c, r0 + k);
    k = blockRows;
#endif
    for (; k < n; ++k)
        for (int c = 0; c < rw; ++c) band[static_cast<ptrdiff_t>(k) * bandStride + c] = at(c, r0 + k);
}

void TurnBand8(const uint8_t* s, ptrdiff_t stride, int w, int h, bool cw, int r0, int n, uint8_t* b, ptrdiff_t bs) {
    TurnBandT(s, stride, w, h, cw, r0, n, b, bs);
}
void TurnBand16(const uint16_t* s, ptrdiff_t stride, int w, int h, bool cw, int r0, int n, uint16_t* b, ptrdiff_t bs) {
    TurnBandT(s, stride, w, h, cw, r0, n, b, bs);
}

// A copy whose stores go past the caches, from the first vector boundary of
// the result on.
template <class T>
void StreamT(const T* HWY_RESTRICT in, int n, T* HWY_RESTRICT out) {
    const hn::ScalableTag<T> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const size_t vectorBytes = static_cast<size_t>(lanes) * sizeof(T);
    // The pixels before the first vector boundary (all, if pixels do not
    // fall on one) are copied as usual.
    int i = 0;
    if (const size_t offset = reinterpret_cast<uintptr_t>(out) % vectorBytes; offset != 0)
        i = offset % sizeof(T) != 0
                ? n
                : std::min(n, static_cast<int>((vectorBytes - offset) / sizeof(T)));
    std::memcpy(out, in, static_cast<size_t>(i) * sizeof(T));
    for (; i + lanes <= n; i += lanes) hn::Stream(hn::LoadU(d, in + i), d, out + i);
    std::memcpy(out + i, in + i, static_cast<size_t>(n - i) * sizeof(T));
}
void Stream8(const uint8_t* in, int n, uint8_t* out) {
    StreamT(in, n, out);
}
void Stream16(const uint16_t* in, int n, uint16_t* out) {
    StreamT(in, n, out);
}

// Reversing vectors of 16-bit lanes; bytes are reversed as such pairs whose
// two halves are then swapped.
void Reverse16(const uint16_t* HWY_RESTRICT in, int n, uint16_t* HWY_RESTRICT out) {
    const hn::ScalableTag<uint16_t> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int i = 0;
    for (; i + lanes <= n; i += lanes) hn::StoreU(hn::Reverse(d, hn::LoadU(d, in + n - i - lanes)), d, out + i);
    for (; i < n; ++i) out[i] = in[n - 1 - i];
}

void Reverse8(const uint8_t* HWY_RESTRICT in, int n, uint8_t* HWY_RESTRICT out) {
    int i = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<uint8_t> d8;
    const hn::RepartitionToWide<decltype(d8)> d16;
    const int lanes = static_cast<int>(hn::Lanes(d8));
    for (; i + lanes <= n; i += lanes) {
        const auto pairs = hn::Reverse(d16, hn::BitCast(d16, hn::LoadU(d8, in + n - i - lanes)));
        const auto swapped = hn::Or(hn::ShiftLeft<8>(pairs), hn::ShiftRight<8>(pairs));
        hn::StoreU(hn::BitCast(d8, swapped), d8, out + i);
    }
#endif
    for (; i < n; ++i) out[i] = in[n - 1 - i];
}

// One 32-bit gather per result pixel fetches both neighbours, which sit
// next to each other in the row.
template <class T>
void BlendAlongT(const T* HWY_RESTRICT source, const int32_t* HWY_RESTRICT index,
                 const double* HWY_RESTRICT weight, int width, double* HWY_RESTRICT out) {
    int c = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<double> dd;
    const hn::Rebind<int32_t, decltype(dd)> di;
    const hn::RebindToUnsigned<decltype(di)> du;
    constexpr int kBits = 8 * sizeof(T);
    const auto low = hn::Set(du, (1u << kBits) - 1);
    const int32_t* base = reinterpret_cast<const int32_t*>(source);
    const int lanes = static_cast<int>(hn::Lanes(dd));
    for (; c + lanes <= width; c += lanes) {
        const auto at = hn::LoadU(di, index + c);
        const auto offset = sizeof(T) == 1 ? at : hn::ShiftLeft<1>(at);
        const auto pair = hn::BitCast(du, hn::GatherOffset(di, base, offset));
        const auto lo = hn::PromoteTo(dd, hn::BitCast(di, hn::And(pair, low)));
        const auto hi = hn::PromoteTo(dd, hn::BitCast(di, hn::And(hn::ShiftRight<kBits>(pair), low)));
        hn::StoreU(hn::Add(lo, hn::Mul(hn::Sub(hi, lo), hn::LoadU(dd, weight + c))), dd, out + c);
    }
#endif
    for (; c < width; ++c) {
        const double lo = source[index[c]], hi = source[index[c] + 1];
        out[c] = lo + (hi - lo) * weight[c];
    }
}

void BlendAlong8(const uint8_t* s, const int32_t* i, const double* w, int n, double* o) { BlendAlongT(s, i, w, n, o); }
void BlendAlong16(const uint16_t* s, const int32_t* i, const double* w, int n, double* o) { BlendAlongT(s, i, w, n, o); }

template <class T>
void BlendBetweenT(const double* HWY_RESTRICT a, const double* HWY_RESTRICT b, double weight, int width,
                   T* HWY_RESTRICT out) {
    const hn::ScalableTag<double> dd;
    const hn::Rebind<int32_t, decltype(dd)> di;
    const hn::Rebind<T, decltype(dd)> dt;
    const double top = sizeof(T) == 1 ? 255.0 : 65535.0;
    const auto g = hn::Set(dd, weight), zero = hn::Zero(dd), topV = hn::Set(dd, top);
    const int lanes = static_cast<int>(hn::Lanes(dd));
    int c = 0;
    for (; c + lanes <= width; c += lanes) {
        const auto va = hn::LoadU(dd, a + c);
        const auto v = hn::Add(va, hn::Mul(hn::Sub(hn::LoadU(dd, b + c), va), g));
        const auto limited = hn::Min(hn::Max(v, zero), topV);
        hn::StoreU(hn::DemoteTo(dt, hn::DemoteTo(di, limited)), dt, out + c);
    }
    for (; c < width; ++c) out[c] = static_cast<T>(std::clamp(a[c] + (b[c] - a[c]) * weight, 0.0, top));
}

void BlendBetween8(const double* a, const double* b, double g, int width, uint8_t* out) {
    BlendBetweenT(a, b, g, width, out);
}
void BlendBetween16(const double* a, const double* b, double g, int width, uint16_t* out) {
    BlendBetweenT(a, b, g, width, out);
}

template <class T>
void BlendAlongScaledT(const T* HWY_RESTRICT source, const int32_t* HWY_RESTRICT index,
                       const int32_t* HWY_RESTRICT scaled, int shift, int width, int32_t* HWY_RESTRICT out) {
    int c = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<int32_t> di;
    const hn::RebindToUnsigned<decltype(di)> du;
    constexpr int kBits = 8 * sizeof(T);
    const auto low = hn::Set(du, (1u << kBits) - 1);
    const int32_t* base = reinterpret_cast<const int32_t*>(source);
    const int lanes = static_cast<int>(hn::Lanes(di));
    for (; c + lanes <= width; c += lanes) {
        const auto at = hn::LoadU(di, index + c);
        const auto pair = hn::BitCast(du, hn::GatherOffset(di, base, sizeof(T) == 1 ? at : hn::ShiftLeft<1>(at)));
        const auto lo = hn::BitCast(di, hn::And(pair, low));
        const auto hi = hn::BitCast(di, hn::And(hn::ShiftRight<kBits>(pair), low));
        hn::StoreU(hn::Add(hn::ShiftLeftSame(lo, shift), hn::Mul(hn::Sub(hi, lo), hn::LoadU(di, scaled + c))), di,
                   out + c);
    }
#endif
    for (; c < width; ++c) {
        const int32_t lo = source[index[c]], hi = source[index[c] + 1];
        out[c] = lo * (1 << shift) + (hi - lo) * scaled[c];
    }
}

void BlendAlongScaled8(const uint8_t* s, const int32_t* i, const int32_t* w, int shift, int n, int32_t* o) {
    BlendAlongScaledT(s, i, w, shift, n, o);
}
void BlendAlongScaled16(const uint16_t* s, const int32_t* i, const int32_t* w, int shift, int n, int32_t* o) {
    BlendAlongScaledT(s, i, w, shift, n, o);
}

template <class T>
void BlendPairsScaledT(const T* HWY_RESTRICT source, int32_t scaled, int shift, int width, int32_t* HWY_RESTRICT out) {
    int c = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<int32_t> di;
    const hn::RebindToUnsigned<decltype(di)> du;
    using Pair = hwy::MakeUnsigned<hwy::MakeWide<T>>;
    const hn::Rebind<Pair, decltype(du)> dp;
    constexpr int kBits = 8 * sizeof(T);
    const auto low = hn::Set(du, (1u << kBits) - 1);
    const auto weight = hn::Set(di, scaled);
    const Pair* pairs = reinterpret_cast<const Pair*>(source);
    const int lanes = static_cast<int>(hn::Lanes(di));
    for (; c + lanes <= width; c += lanes) {
        hn::Vec<decltype(du)> pair;
        if constexpr (sizeof(Pair) == 4)
            pair = hn::BitCast(du, hn::LoadU(dp, pairs + c));
        else
            pair = hn::PromoteTo(du, hn::LoadU(dp, pairs + c));
        const auto lo = hn::BitCast(di, hn::And(pair, low));
        const auto hi = hn::BitCast(di, hn::ShiftRight<kBits>(pair));
        hn::StoreU(hn::Add(hn::ShiftLeftSame(lo, shift), hn::Mul(hn::Sub(hi, lo), weight)), di, out + c);
    }
#endif
    for (; c < width; ++c) {
        const int32_t lo = source[2 * c], hi = source[2 * c + 1];
        out[c] = lo * (1 << shift) + (hi - lo) * scaled;
    }
}

void BlendPairsScaled8(const uint8_t* s, int32_t w, int shift, int n, int32_t* o) { BlendPairsScaledT(s, w, shift, n, o); }
void BlendPairsScaled16(const uint16_t* s, int32_t w, int shift, int n, int32_t* o) { BlendPairsScaledT(s, w, shift, n, o); }

template <class T>
void BlendBetweenScaledT(const int32_t* HWY_RESTRICT a, const int32_t* HWY_RESTRICT b, int32_t g, int shift, int width,
                         T* HWY_RESTRICT out) {
    constexpr int32_t top = sizeof(T) == 1 ? 255 : 65535;
    int c = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<int32_t> di;
    const hn::Rebind<T, decltype(di)> dt;
    const auto gv = hn::Set(di, g), zero = hn::Zero(di), topV = hn::Set(di, top);
    const int lanes = static_cast<int>(hn::Lanes(di));
    for (; c + lanes <= width; c += lanes) {
        const auto va = hn::LoadU(di, a + c);
        const auto v = hn::Add(hn::ShiftLeftSame(va, shift), hn::Mul(hn::Sub(hn::LoadU(di, b + c), va), gv));
        const auto whole = hn::ShiftRightSame(v, 2 * shift);
        hn::StoreU(hn::DemoteTo(dt, hn::Min(hn::Max(whole, zero), topV)), dt, out + c);
    }
#endif
    for (; c < width; ++c) {
        const int32_t v = a[c] * (1 << shift) + (b[c] - a[c]) * g;
        out[c] = static_cast<T>(std::clamp<int32_t>(v >> (2 * shift), 0, top));
    }
}

void BlendBetweenScaled8(const int32_t* a, const int32_t* b, int32_t g, int shift, int n, uint8_t* o) {
    BlendBetweenScaledT(a, b, g, shift, n, o);
}
void BlendBetweenScaled16(const int32_t* a, const int32_t* b, int32_t g, int shift, int n, uint16_t* o) {
    BlendBetweenScaledT(a, b, g, shift, n, o);
}

}  // namespace orvex::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orvex {

HWY_EXPORT(TurnBand8);
HWY_EXPORT(TurnBand16);
HWY_EXPORT(Reverse8);
HWY_EXPORT(Stream8);
HWY_EXPORT(Stream16);
HWY_EXPORT(Reverse16);
HWY_EXPORT(BlendAlong8);
HWY_EXPORT(BlendAlong16);
HWY_EXPORT(BlendAlongScaled8);
HWY_EXPORT(BlendAlongScaled16);
HWY_EXPORT(BlendPairsScaled8);
HWY_EXPORT(BlendPairsScaled16);
HWY_EXPORT(BlendBetweenScaled8);
HWY_EXPORT(BlendBetweenScaled16);
HWY_EXPORT(BlendBetween8);
HWY_EXPORT(BlendBetween16);

void TurnBand(const uint8_t* source, ptrdiff_t stride, int w, int h, bool clockwise, int firstRow, int rows,
              uint8_t* band, ptrdiff_t bandStride) {
    HWY_DYNAMIC_DISPATCH(TurnBand8)(source, stride, w, h, clockwise, firstRow, rows, band, bandStride);
}
void TurnBand(const uint16_t* source, ptrdiff_t stride, int w, int h, bool clockwise, int firstRow, int rows,
              uint16_t* band, ptrdiff_t bandStride) {
    HWY_DYNAMIC_DISPATCH(TurnBand16)(source, stride, w, h, clockwise, firstRow, rows, band, bandStride);
}
void CopyRow(const uint8_t* in, int n, uint8_t* out, RowStores stores) {
    if (stores == RowStores::Streamed)
        HWY_DYNAMIC_DISPATCH(Stream8)(in, n, out);
    else
        std::memcpy(out, in, static_cast<size_t>(n));
}
void CopyRow(const uint16_t* in, int n, uint16_t* out, RowStores stores) {
    if (stores == RowStores::Streamed)
        HWY_DYNAMIC_DISPATCH(Stream16)(in, n, out);
    else
        std::memcpy(out, in, static_cast<size_t>(n) * 2);
}
void ReverseRow(const uint8_t* in, int n, uint8_t* out) { HWY_DYNAMIC_DISPATCH(Reverse8)(in, n, out); }
void ReverseRow(const uint16_t* in, int n, uint16_t* out) { HWY_DYNAMIC_DISPATCH(Reverse16)(in, n, out); }

// A vector gather of bytes costs more than these plain loads.
void NearestRow(const uint8_t* in, const int* columns, int width, uint8_t* out) {
    for (int c = 0; c < width; ++c) out[c] = in[columns[c]];
}
void NearestRow(const uint16_t* in, const int* columns, int width, uint16_t* out) {
    for (int c = 0; c < width; ++c) out[c] = in[columns[c]];
}

void BlendAlongRow(const uint8_t* source, const int32_t* index, const double* weight, int width, double* out) {
    HWY_DYNAMIC_DISPATCH(BlendAlong8)(source, index, weight, width, out);
}
void BlendAlongRow(const uint16_t* source, const int32_t* index, const double* weight, int width, double* out) {
    HWY_DYNAMIC_DISPATCH(BlendAlong16)(source, index, weight, width, out);
}
void BlendBetweenRows(const double* a, const double* b, double weight, int width, uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendBetween8)(a, b, weight, width, out);
}
void BlendBetweenRows(const double* a, const double* b, double weight, int width, uint16_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendBetween16)(a, b, weight, width, out);
}

int ExactShift(const double* columnWeights, int columns, const double* rowWeights, int rows, int top) {
    double largest = 0;
    for (int i = 0; i < columns; ++i) largest = std::max(largest, std::fabs(columnWeights[i]));
    for (int i = 0; i < rows; ++i) largest = std::max(largest, std::fabs(rowWeights[i]));
    const auto whole = [](const double* w, int n, double scale) {
        for (int i = 0; i < n; ++i)
            if (w[i] * scale != std::trunc(w[i] * scale)) return false;
        return true;
    };
    for (int shift = 0; shift <= 8; ++shift) {
        const double scale = std::ldexp(1.0, shift);
        if (!whole(columnWeights, columns, scale) || !whole(rowWeights, rows, scale)) continue;
        // The largest scaled value any step can take, with room to spare.
        const double reach = top * (1 + largest) * (1 + 2 * largest) * scale * scale * 2;
        return reach < 2147483648.0 ? shift : -1;
    }
    return -1;
}

void BlendAlongRowScaled(const uint8_t* source, const int32_t* index, const int32_t* scaled, int shift, int width,
                         int32_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendAlongScaled8)(source, index, scaled, shift, width, out);
}
void BlendAlongRowScaled(const uint16_t* source, const int32_t* index, const int32_t* scaled, int shift, int width,
                         int32_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendAlongScaled16)(source, index, scaled, shift, width, out);
}
void BlendPairsScaled(const uint8_t* source, int32_t scaled, int shift, int width, int32_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendPairsScaled8)(source, scaled, shift, width, out);
}
void BlendPairsScaled(const uint16_t* source, int32_t scaled, int shift, int width, int32_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendPairsScaled16)(source, scaled, shift, width, out);
}
void BlendBetweenRowsScaled(const int32_t* a, const int32_t* b, int32_t scaled, int shift, int width, uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendBetweenScaled8)(a, b, scaled, shift, width, out);
}
void BlendBetweenRowsScaled(const int32_t* a, const int32_t* b, int32_t scaled, int shift, int width, uint16_t* out) {
    HWY_DYNAMIC_DISPATCH(BlendBetweenScaled16)(a, b, scaled, shift, width, out);
}

}  // namespace orvex
#endif
