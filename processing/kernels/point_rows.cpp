#include "processing/kernels/point_rows.h"

#include <algorithm>
#include <limits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "processing/kernels/point_rows.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace orvex::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class T>
void GreyWindowT(T* HWY_RESTRICT pixels, int width, int low, int high, bool keepInside, bool mask) {
    const hn::ScalableTag<T> d;
    using V = hn::Vec<decltype(d)>;
    constexpr int top = std::numeric_limits<T>::max();
    // The window limited to the values of the depth; one that holds none of
    // them keeps everything or nothing.
    const int lowest = std::max(low, 0), highest = std::min(high, top);
    const bool empty = lowest > highest;
    const V lowV = hn::Set(d, static_cast<T>(empty ? 0 : lowest));
    const V highV = hn::Set(d, static_cast<T>(empty ? 0 : highest));
    const V topV = hn::Set(d, static_cast<T>(top));
    const auto rule = [&](T v) {
        const bool inside = low <= v && v <= high;
        const bool kept = keepInside ? inside : !inside;
        return kept ? (mask ? static_cast<T>(top) : v) : T{0};
    };
    const int lanes = static_cast<int>(hn::Lanes(d));
    int j = 0;
    for (; j + lanes <= width; j += lanes) {
        const V v = hn::LoadU(d, pixels + j);
        // Unsigned lanes compare through Min and Max.
        auto inside = hn::And(hn::Eq(hn::Max(v, lowV), v), hn::Eq(hn::Min(v, highV), v));
        if (empty) inside = hn::FirstN(d, 0);
        const auto kept = keepInside ? inside : hn::Not(inside);
        hn::StoreU(hn::IfThenElseZero(kept, mask ? topV : v), d, pixels + j);
    }
    for (; j < width; ++j) pixels[j] = rule(pixels[j]);
}

void GreyWindow8(uint8_t* p, int w, int low, int high, bool inside, bool mask) { GreyWindowT(p, w, low, high, inside, mask); }
void GreyWindow16(uint16_t* p, int w, int low, int high, bool inside, bool mask) { GreyWindowT(p, w, low, high, inside, mask); }

void Threshold8(const uint8_t* HWY_RESTRICT in, int width, unsigned level,
                uint8_t* HWY_RESTRICT out, bool streamed) {
    const hn::ScalableTag<uint8_t> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int j = 0;
    if (level == 0) {
        std::fill(out, out + width, uint8_t{255});
        return;
    }
    if (level > 255) {
        std::fill(out, out + width, uint8_t{0});
        return;
    }
    const auto levelV = hn::Set(d, static_cast<uint8_t>(level));
    const auto set = hn::Set(d, uint8_t{255});
    // Streamed stores take whole vectors on their own alignment.
    const bool stream = streamed && reinterpret_cast<uintptr_t>(out) % lanes == 0;
    for (; j + lanes <= width; j += lanes) {
        const auto v = hn::LoadU(d, in + j);
        const auto marks = hn::IfThenElseZero(hn::Eq(hn::Max(v, levelV), v), set);
        if (stream)
            hn::Stream(marks, d, out + j);
        else
            hn::StoreU(marks, d, out + j);
    }
    for (; j < width; ++j) out[j] = in[j] >= level ? 255 : 0;
}

void Threshold16(const uint16_t* HWY_RESTRICT in, int width, unsigned level, uint8_t* HWY_RESTRICT out) {
    if (level == 0) {
        std::fill(out, out + width, uint8_t{255});
        return;
    }
    if (level > 65535) {
        std::fill(out, out + width, uint8_t{0});
        return;
    }
    const hn::ScalableTag<uint16_t> d;
    const hn::RebindToSigned<decltype(d)> ds;
    const hn::Rebind<uint8_t, decltype(d)> d8;
    const auto levelV = hn::Set(d, static_cast<uint16_t>(level));
    const auto set = hn::Set(d, uint16_t{255});
    const int lanes = static_cast<int>(hn::Lanes(d));
    int j = 0;
    for (; j + lanes <= width; j += lanes) {
        const auto v = hn::LoadU(d, in + j);
        const auto marks = hn::IfThenElseZero(hn::Eq(hn::Max(v, levelV), v), set);
        hn::StoreU(hn::DemoteTo(d8, hn::BitCast(ds, marks)), d8, out + j);
    }
    for (; j < width; ++j) out[j] = in[j] < level ? 0 : 255;
}

template <class T>
void NegateT(T* HWY_RESTRICT pixels, int width) {
    const hn::ScalableTag<T> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int j = 0;
    for (; j + lanes <= width; j += lanes) hn::StoreU(hn::Not(hn::LoadU(d, pixels + j)), d, pixels + j);
    for (; j < width; ++j) pixels[j] = static_cast<T>(~pixels[j]);
}

void Negate8(uint8_t* p, int w) { NegateT(p, w); }
void Negate16(uint16_t* p, int w) { NegateT(p, w); }

}  // namespace orvex::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orvex {

HWY_EXPORT(GreyWindow8);
HWY_EXPORT(GreyWindow16);
HWY_EXPORT(Threshold8);
HWY_EXPORT(Threshold16);
HWY_EXPORT(Negate8);
HWY_EXPORT(Negate16);

void GreyWindowRow(uint8_t* pixels, int width, int low, int high, bool keepInside, bool mask) {
    HWY_DYNAMIC_DISPATCH(GreyWindow8)(pixels, width, low, high, keepInside, mask);
}
void GreyWindowRow(uint16_t* pixels, int width, int low, int high, bool keepInside, bool mask) {
    HWY_DYNAMIC_DISPATCH(GreyWindow16)(pixels, width, low, high, keepInside, mask);
}
void ThresholdRow(const uint8_t* in, int width, unsigned level, uint8_t* out, RowStores stores) {
    HWY_DYNAMIC_DISPATCH(Threshold8)(in, width, level, out, stores == RowStores::Streamed);
}
void ThresholdRow(const uint16_t* in, int width, unsigned level, uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(Threshold16)(in, width, level, out);
}
void NegateRow(uint8_t* pixels, int width) { HWY_DYNAMIC_DISPATCH(Negate8)(pixels, width); }
void NegateRow(uint16_t* pixels, int width) { HWY_DYNAMIC_DISPATCH(Negate16)(pixels, width); }

// Counting has no vector form that pays: a vector of increments would need
// a scatter with conflict detection, which costs more than the plain loads.
namespace {
template <class T, int kShift>
void countRow(const T* pixels, int width, SplitCounts& split) {
    auto& bins = split.bins;
    int j = 0;
    for (; j + 4 <= width; j += 4) {
        ++bins[0][pixels[j] >> kShift];
        ++bins[1][pixels[j + 1] >> kShift];
        ++bins[2][pixels[j + 2] >> kShift];
        ++bins[3][pixels[j + 3] >> kShift];
    }
    for (; j < width; ++j) ++bins[0][pixels[j] >> kShift];
}
}  // namespace

void CountRow(const uint8_t* pixels, int width, SplitCounts& counts) { countRow<uint8_t, 0>(pixels, width, counts); }
void CountRow(const uint16_t* pixels, int width, SplitCounts& counts) { countRow<uint16_t, 8>(pixels, width, counts); }

void SumCounts(const SplitCounts& split, uint32_t counts[256]) {
    for (int b = 0; b < 256; ++b)
        counts[b] = split.bins[0][b] + split.bins[1][b] + split.bins[2][b] + split.bins[3][b];
}

}  // namespace orvex
#endif
