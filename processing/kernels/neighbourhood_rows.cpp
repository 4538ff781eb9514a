#include "processing/kernels/neighbourhood_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "processing/kernels/neighbourhood_rows.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

// Shared by every target: the scalar arithmetic the vector loops reproduce,
// used for the tails of the rows.
#ifndef ORVEX_NEIGHBOURHOOD_ROWS_SCALAR
#define ORVEX_NEIGHBOURHOOD_ROWS_SCALAR
namespace orvex::scalar {

template <class T>
inline T median3(T a, T b, T c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

inline uint8_t convolve9(const uint8_t* above, const uint8_t* row, const uint8_t* below, int j,
                         const float* k);

}  // namespace orvex::scalar
#endif

HWY_BEFORE_NAMESPACE();
namespace orvex::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D, class V>
HWY_INLINE V Median3(V a, V b, V c) {
    return hn::Max(hn::Min(a, b), hn::Min(hn::Max(a, b), c));
}

// Each of the three columns of a neighbourhood is sorted into (low,
// middle, high); the median is then the middle of the largest low, the
// middle middle and the smallest high. Kept in registers: storing the sorted
// columns once to share them between neighbours measured slower.
template <class T>
void MedianRowT(const T* HWY_RESTRICT above, const T* HWY_RESTRICT row, const T* HWY_RESTRICT below,
                int width, T* HWY_RESTRICT out) {
    const hn::ScalableTag<T> d;
    using V = hn::Vec<decltype(d)>;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int j = 0;
    for (; j + lanes <= width; j += lanes) {
        V lo[3], mi[3], hi[3];
        for (int o = 0; o < 3; ++o) {
            const V va = hn::LoadU(d, above + j + o), vr = hn::LoadU(d, row + j + o),
                    vb = hn::LoadU(d, below + j + o);
            const V l = hn::Min(va, vr), h = hn::Max(va, vr);
            lo[o] = hn::Min(l, vb);
            hi[o] = hn::Max(h, vb);
            mi[o] = hn::Max(l, hn::Min(h, vb));
        }
        const V low = hn::Max(hn::Max(lo[0], lo[1]), lo[2]);
        const V middle = Median3<decltype(d)>(mi[0], mi[1], mi[2]);
        const V high = hn::Min(hn::Min(hi[0], hi[1]), hi[2]);
        hn::StoreU(Median3<decltype(d)>(low, middle, high), d, out + j);
    }
    for (; j < width; ++j) {
        T lo[3], mi[3], hi[3];
        for (int o = 0; o < 3; ++o) {
            const T a = above[j + o], r = row[j + o], b = below[j + o];
            const T l = std::min(a, r), h = std::max(a, r);
            lo[o] = std::min(l, b);
            hi[o] = std::max(h, b);
            mi[o] = std::max(l, std::min(h, b));
        }
        out[j] = scalar::median3(std::max(std::max(lo[0], lo[1]), lo[2]),
                                 scalar::median3(mi[0], mi[1], mi[2]),
                                 std::min(std::min(hi[0], hi[1]), hi[2]));
    }
}

void MedianRow8(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    MedianRowT(above, row, below, width, out);
}
void MedianRow16(const uint16_t* above, const uint16_t* row, const uint16_t* below, int width, uint16_t* out) {
    MedianRowT(above, row, below, width, out);
}

// The vertical extreme of each of three neighbouring columns, then theirs.
template <bool kMaximum>
void ExtremeRow(const uint8_t* HWY_RESTRICT above, const uint8_t* HWY_RESTRICT row,
                const uint8_t* HWY_RESTRICT below, int width, uint8_t* HWY_RESTRICT out) {
    const hn::ScalableTag<uint8_t> d;
    using V = hn::Vec<decltype(d)>;
    const auto pick = [](V a, V b) { return kMaximum ? hn::Max(a, b) : hn::Min(a, b); };
    const int lanes = static_cast<int>(hn::Lanes(d));
    int j = 0;
    for (; j + lanes <= width; j += lanes) {
        const V a = pick(pick(hn::LoadU(d, above + j), hn::LoadU(d, row + j)), hn::LoadU(d, below + j));
        const V b = pick(pick(hn::LoadU(d, above + j + 1), hn::LoadU(d, row + j + 1)), hn::LoadU(d, below + j + 1));
        const V c = pick(pick(hn::LoadU(d, above + j + 2), hn::LoadU(d, row + j + 2)), hn::LoadU(d, below + j + 2));
        hn::StoreU(pick(pick(a, b), c), d, out + j);
    }
    const auto one = [](uint8_t a, uint8_t b) { return kMaximum ? std::max(a, b) : std::min(a, b); };
    for (; j < width; ++j) {
        const uint8_t a = one(one(above[j], row[j]), below[j]);
        const uint8_t b = one(one(above[j + 1], row[j + 1]), below[j + 1]);
        const uint8_t c = one(one(above[j + 2], row[j + 2]), below[j + 2]);
        out[j] = one(one(a, b), c);
    }
}

void MinimumRowVector(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    ExtremeRow<false>(above, row, below, width, out);
}
void MaximumRowVector(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    ExtremeRow<true>(above, row, below, width, out);
}

// Weights whose nine products cannot leave the range of int: single-precision
// products truncated lane by lane, summed in 32 bits. Each chunk of the three
// rows is turned into floats once for its nine products.
void ConvolveRowFloat(const uint8_t* HWY_RESTRICT above, const uint8_t* HWY_RESTRICT row,
                      const uint8_t* HWY_RESTRICT below, int width, const float* HWY_RESTRICT k,
                      uint8_t* HWY_RESTRICT out) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const hn::Rebind<uint8_t, decltype(df)> d8;
    using VF = hn::Vec<decltype(df)>;
    using VI = hn::Vec<decltype(di)>;
    VF w[9];
    for (int t = 0; t < 9; ++t) w[t] = hn::Set(df, k[t]);
    const uint8_t* rows[3] = {above, row, below};
    const VI zero = hn::Zero(di), top = hn::Set(di, 255);
    const int lanes = static_cast<int>(hn::Lanes(df));
    constexpr int kChunk = 512;
    float values[3][kChunk + 2];
    for (int j0 = 0; j0 < width; j0 += kChunk) {
        const int n = std::min(kChunk, width - j0);
        for (int r = 0; r < 3; ++r) {
            const uint8_t* from = rows[r] + j0;
            int j = 0;
            for (; j + lanes <= n + 2; j += lanes)
                hn::StoreU(hn::ConvertTo(df, hn::PromoteTo(di, hn::LoadU(d8, from + j))), df, values[r] + j);
            for (; j < n + 2; ++j) values[r][j] = from[j];
        }
        int j = 0;
        for (; j + lanes <= n; j += lanes) {
            VI sum = zero;
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    sum = hn::Add(sum, hn::ConvertTo(di, hn::Mul(hn::LoadU(df, values[r] + j + c), w[3 * r + c])));
            hn::StoreU(hn::DemoteTo(d8, hn::Min(hn::Max(sum, zero), top)), d8, out + j0 + j);
        }
        for (; j < n; ++j) out[j0 + j] = scalar::convolve9(above, row, below, j0 + j, k);
    }
}

// Small whole-number weights: every product is exact and the sum stays within
// 16 bits, so twice as many pixels go through each vector.
void ConvolveRowWhole(const uint8_t* HWY_RESTRICT above, const uint8_t* HWY_RESTRICT row,
                      const uint8_t* HWY_RESTRICT below, int width, const float* HWY_RESTRICT k,
                      uint8_t* HWY_RESTRICT out) {
    const hn::ScalableTag<int16_t> di;
    const hn::Rebind<uint8_t, decltype(di)> d8;
    using VI = hn::Vec<decltype(di)>;
    VI w[9];
    for (int t = 0; t < 9; ++t) w[t] = hn::Set(di, static_cast<int16_t>(k[t]));
    const uint8_t* rows[3] = {above, row, below};
    const VI zero = hn::Zero(di), top = hn::Set(di, 255);
    const int lanes = static_cast<int>(hn::Lanes(di));
    int j = 0;
    for (; j + lanes <= width; j += lanes) {
        VI sum = zero;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                sum = hn::Add(sum, hn::Mul(hn::PromoteTo(di, hn::LoadU(d8, rows[r] + j + c)), w[3 * r + c]));
        hn::StoreU(hn::DemoteTo(d8, hn::Min(hn::Max(sum, zero), top)), d8, out + j);
    }
    for (; j < width; ++j) out[j] = scalar::convolve9(above, row, below, j, k);
}

// Fractions in fixed point, 16-bit lanes: each truncated product is a high
// half of a product plus a whole part, summed apart for positive and
// negative weights, so twice as many pixels go through each vector as in
// single precision, and nothing is converted. Weights all under 1 have no
// whole parts to add.
template <bool kWholeParts>
void ConvolveFixedT(const uint8_t* HWY_RESTRICT above, const uint8_t* HWY_RESTRICT row,
                    const uint8_t* HWY_RESTRICT below, int width, const ConvolutionWeights& k,
                    uint8_t* HWY_RESTRICT out) {
    const hn::ScalableTag<uint16_t> du;
    const hn::RebindToSigned<decltype(du)> di;
    const hn::Rebind<uint8_t, decltype(du)> d8;
    using VU = hn::Vec<decltype(du)>;
    const uint8_t* rows[3] = {above, row, below};
    const uint8_t* from[9];
    VU fraction[9], whole[9];
    for (int t = 0; t < k.count; ++t) {
        const int tap = k.taps[t];
        from[t] = rows[tap / 3] + tap % 3;
        fraction[t] = hn::Set(du, k.fraction[tap]);
        whole[t] = hn::Set(du, k.whole[tap]);
    }
    const auto product = [&](int t, int j) {
        const VU v = hn::PromoteTo(du, hn::LoadU(d8, from[t] + j));
        if constexpr (kWholeParts)
            return hn::Add(hn::MulHigh(v, fraction[t]), hn::Mul(v, whole[t]));
        else
            return hn::MulHigh(v, fraction[t]);
    };
    const int lanes = static_cast<int>(hn::Lanes(du));
    int j = 0;
    for (; j + lanes <= width; j += lanes) {
        VU positive = hn::Zero(du), negative = hn::Zero(du);
        for (int t = 0; t < k.positive; ++t) positive = hn::Add(positive, product(t, j));
        for (int t = k.positive; t < k.count; ++t) negative = hn::Add(negative, product(t, j));
        // Each sum stays within 32767, so the difference fits; demoting clamps to 0..255.
        hn::StoreU(hn::DemoteTo(d8, hn::Sub(hn::BitCast(di, positive), hn::BitCast(di, negative))),
                   d8, out + j);
    }
    for (; j < width; ++j) out[j] = scalar::convolve9(above, row, below, j, k.weights.data());
}

void ConvolveRowFixed(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                      const ConvolutionWeights& k, uint8_t* out) {
    bool wholeParts = false;
    for (int t = 0; t < k.count; ++t) wholeParts = wholeParts || k.whole[k.taps[t]] != 0;
    if (wholeParts)
        ConvolveFixedT<true>(above, row, below, width, k, out);
    else
        ConvolveFixedT<false>(above, row, below, width, k, out);
}

}  // namespace orvex::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orvex {

int TruncatedProduct(uint8_t value, float weight) {
    const float product = value * weight;
    if (std::isnan(product)) return 0;
    if (product >= 2147483648.0f) return std::numeric_limits<int>::max();
    if (product <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(product);
}

namespace scalar {
inline uint8_t convolve9(const uint8_t* above, const uint8_t* row, const uint8_t* below, int j, const float* k) {
    int64_t sum = 0;
    const uint8_t* rows[3] = {above, row, below};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) sum += TruncatedProduct(rows[r][j + c], k[3 * r + c]);
    return static_cast<uint8_t>(std::clamp<int64_t>(sum, 0, 255));
}
}  // namespace scalar

HWY_EXPORT(MedianRow8);
HWY_EXPORT(MedianRow16);
HWY_EXPORT(MinimumRowVector);
HWY_EXPORT(MaximumRowVector);
HWY_EXPORT(ConvolveRowFloat);
HWY_EXPORT(ConvolveRowWhole);
HWY_EXPORT(ConvolveRowFixed);

void MedianRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(MedianRow8)(above, row, below, width, out);
}

void MedianRow(const uint16_t* above, const uint16_t* row, const uint16_t* below, int width, uint16_t* out) {
    HWY_DYNAMIC_DISPATCH(MedianRow16)(above, row, below, width, out);
}

void MinimumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(MinimumRowVector)(above, row, below, width, out);
}

void MaximumRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width, uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(MaximumRowVector)(above, row, below, width, out);
}

namespace {

// The whole and fixed-point parts of one weight that give its truncated
// products exactly for every 8-bit value, if there are such parts.
bool fixedParts(float weight, uint16_t& whole, uint16_t& fraction) {
    const double size = std::fabs(static_cast<double>(weight));
    const double wholePart = std::floor(size);
    if (wholePart * 255 > 32767) return false;
    const double near = std::floor((size - wholePart) * 65536.0);
    for (double candidate = near - 1; candidate <= near + 2; ++candidate) {
        if (candidate < 0 || candidate > 65535) continue;
        bool exact = true;
        for (int v = 0; v < 256 && exact; ++v) {
            const int64_t part =
                static_cast<int64_t>(v * wholePart) + ((v * static_cast<int64_t>(candidate)) >> 16);
            exact =
                (weight < 0 ? -part : part) == TruncatedProduct(static_cast<uint8_t>(v), weight);
        }
        if (exact) {
            whole = static_cast<uint16_t>(wholePart);
            fraction = static_cast<uint16_t>(candidate);
            return true;
        }
    }
    return false;
}

}  // namespace

ConvolutionWeights PrepareConvolution(const std::array<float, 9>& weights) {
    ConvolutionWeights k;
    k.weights = weights;
    // The vector paths need weights under which no product and no sum can
    // leave the range they sum in.
    double reach = 0, positiveReach = 0, negativeReach = 0;
    bool finite = true, whole = true;
    for (float w : weights) {
        finite = finite && std::isfinite(w);
        whole = whole && std::isfinite(w) && w == std::trunc(w);
        reach += 255.0 * std::fabs(static_cast<double>(w));
        (w < 0 ? negativeReach : positiveReach) += 255.0 * std::fabs(static_cast<double>(w));
    }
    if (finite && whole && reach <= 32767.0) {
        k.path = ConvolutionPath::Whole;
        return k;
    }
    bool fixed = finite && positiveReach <= 32767.0 && negativeReach <= 32767.0;
    for (int pass = 0; pass < 2 && fixed; ++pass)
        for (int t = 0; t < 9 && fixed; ++t) {
            if (weights[t] == 0 || (weights[t] < 0) != (pass == 1)) continue;
            fixed = fixedParts(weights[t], k.whole[t], k.fraction[t]);
            k.taps[k.count++] = static_cast<uint8_t>(t);
            if (pass == 0) k.positive = k.count;
        }
    if (fixed) {
        k.path = ConvolutionPath::Fixed;
        return k;
    }
    k.whole = {};
    k.fraction = {};
    k.count = k.positive = 0;
    k.path = finite && reach < 2147483000.0 ? ConvolutionPath::Floats : ConvolutionPath::Saturating;
    return k;
}

void ConvolveRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                 const ConvolutionWeights& k, uint8_t* out) {
    switch (k.path) {
        case ConvolutionPath::Whole:
            HWY_DYNAMIC_DISPATCH(ConvolveRowWhole)(above, row, below, width, k.weights.data(), out);
            break;
        case ConvolutionPath::Fixed:
            HWY_DYNAMIC_DISPATCH(ConvolveRowFixed)(above, row, below, width, k, out);
            break;
        case ConvolutionPath::Floats:
            HWY_DYNAMIC_DISPATCH(ConvolveRowFloat)(above, row, below, width, k.weights.data(), out);
            break;
        case ConvolutionPath::Saturating:
            for (int j = 0; j < width; ++j)
                out[j] = scalar::convolve9(above, row, below, j, k.weights.data());
            break;
    }
}

void ConvolveRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int width,
                 const std::array<float, 9>& weights, uint8_t* out) {
    ConvolveRow(above, row, below, width, PrepareConvolution(weights), out);
}

}  // namespace orvex
#endif
