#include "imagestore/pixel_convert.h"

#include <algorithm>
#include <bit>
#include <cstring>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imagestore/pixel_convert.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

// The vector kernels (none for the one-lane fallback), compiled once for every instruction set the build
// knows; each converts whole vectors and returns how many pixels it did, the
// caller finishing the rest with the plain loops.
HWY_BEFORE_NAMESPACE();
namespace orvex::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

int64_t Convert16To8Vector(const uint8_t* HWY_RESTRICT s, uint8_t* HWY_RESTRICT d, int64_t n) {
#if HWY_TARGET == HWY_SCALAR
    (void)s, (void)d, (void)n;
    return 0;
#else
    const hn::ScalableTag<uint16_t> d16;
    const hn::RebindToSigned<decltype(d16)> ds;
    const hn::Rebind<uint8_t, decltype(d16)> d8;
    const hn::Repartition<uint8_t, decltype(d16)> bytes;
    const int64_t lanes = static_cast<int64_t>(hn::Lanes(d16));
    int64_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        const auto words = hn::BitCast(d16, hn::LoadU(bytes, s + 2 * i));
        hn::StoreU(hn::DemoteTo(d8, hn::BitCast(ds, hn::ShiftRight<8>(words))), d8, d + i);
    }
    return i;
#endif
}

int64_t Convert8To16Vector(const uint8_t* HWY_RESTRICT s, uint8_t* HWY_RESTRICT d, int64_t n) {
#if HWY_TARGET == HWY_SCALAR
    (void)s, (void)d, (void)n;
    return 0;
#else
    const hn::ScalableTag<uint16_t> d16;
    const hn::Rebind<uint8_t, decltype(d16)> d8;
    const hn::Repartition<uint8_t, decltype(d16)> bytes;
    const int64_t lanes = static_cast<int64_t>(hn::Lanes(d16));
    int64_t i = 0;
    for (; i + lanes <= n; i += lanes)
        hn::StoreU(hn::BitCast(bytes, hn::ShiftLeft<8>(hn::PromoteTo(d16, hn::LoadU(d8, s + i)))), bytes, d + 2 * i);
    return i;
#endif
}

// The non-zero flags of a vector, first pixel in the lowest bit; the caller
// turns each byte around for the most-significant-first order of 1-bit rows.
int64_t Convert8To1Vector(const uint8_t* HWY_RESTRICT s, uint8_t* HWY_RESTRICT d, int64_t n) {
#if HWY_TARGET == HWY_SCALAR
    (void)s, (void)d, (void)n;
    return 0;
#else
    const hn::ScalableTag<uint8_t> d8;
    const int64_t lanes = static_cast<int64_t>(hn::Lanes(d8));
    if (lanes % 8 != 0) return 0;
    const auto zero = hn::Zero(d8);
    int64_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        const auto set = hn::Not(hn::Eq(hn::LoadU(d8, s + i), zero));
        hn::StoreMaskBits(d8, set, d + i / 8);
    }
    for (int64_t b = 0; b < i / 8; ++b) {
        uint32_t v = d[b];
        v = ((v >> 1) & 0x55u) | ((v & 0x55u) << 1);
        v = ((v >> 2) & 0x33u) | ((v & 0x33u) << 2);
        d[b] = static_cast<uint8_t>((v >> 4) | (v << 4));
    }
    return i;
#endif
}

// Each 16-bit lane holds an even pixel (low byte) and an odd one (high byte);
// the even one goes to the high nibble.
int64_t Convert8To4Vector(const uint8_t* HWY_RESTRICT s, uint8_t* HWY_RESTRICT d, int64_t n) {
#if HWY_TARGET == HWY_SCALAR
    (void)s, (void)d, (void)n;
    return 0;
#else
    const hn::ScalableTag<uint8_t> d8;
    const hn::RepartitionToWide<decltype(d8)> d16;
    const hn::RebindToSigned<decltype(d16)> ds;
    const hn::Rebind<uint8_t, decltype(d16)> half;
    const int64_t lanes = static_cast<int64_t>(hn::Lanes(d8));
    if (lanes < 2) return 0;
    const auto fifteen = hn::Set(d8, uint8_t{15});
    const auto lowByte = hn::Set(d16, uint16_t{0xFF});
    int64_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        const auto pairs = hn::BitCast(d16, hn::Min(hn::LoadU(d8, s + i), fifteen));
        const auto packed = hn::Or(hn::ShiftLeft<4>(hn::And(pairs, lowByte)), hn::ShiftRight<8>(pairs));
        hn::StoreU(hn::DemoteTo(half, hn::BitCast(ds, packed)), half, d + i / 2);
    }
    return i;
#endif
}

}  // namespace orvex::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orvex {

static_assert(std::endian::native == std::endian::little,
              "16-bit pixels are stored least significant byte first, as the host keeps them");

size_t PackedBytes(int64_t pixels, int depth) {
    if (pixels <= 0) return 0;
    switch (depth) {
        case 1: return static_cast<size_t>((pixels + 7) / 8);
        case 4: return static_cast<size_t>((pixels + 1) / 2);
        case 16: return static_cast<size_t>(pixels) * 2;
        default: return static_cast<size_t>(pixels);
    }
}

bool IsPixelDepth(int depth) { return depth == 1 || depth == 4 || depth == 8 || depth == 16; }

unsigned PixelValueAt(const uint8_t* row, int depth, int64_t i) {
    switch (depth) {
        case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1u;
        case 4: return (i & 1) ? (row[i >> 1] & 0x0Fu) : (row[i >> 1] >> 4);
        case 16: return row[2 * i] | (static_cast<unsigned>(row[2 * i + 1]) << 8);
        default: return row[i];
    }
}

namespace {

// The value a pixel carries into a conversion: sub-byte values as they are,
// 16-bit values by their high byte.
inline unsigned SourceValue(const uint8_t* row, int depth, int64_t i) {
    if (depth == 16) return row[2 * i + 1];
    return PixelValueAt(row, depth, i);
}

inline void StoreValue(uint8_t* row, int depth, int64_t i, unsigned v) {
    switch (depth) {
        case 1: {
            uint8_t mask = static_cast<uint8_t>(0x80u >> (i & 7));
            if (v != 0)
                row[i >> 3] |= mask;
            else
                row[i >> 3] &= static_cast<uint8_t>(~mask);
            break;
        }
        case 4: {
            unsigned nibble = std::min(v, 15u);
            uint8_t& byte = row[i >> 1];
            if (i & 1)
                byte = static_cast<uint8_t>((byte & 0xF0u) | nibble);
            else
                byte = static_cast<uint8_t>((byte & 0x0Fu) | (nibble << 4));
            break;
        }
        case 16:
            row[2 * i] = 0;
            row[2 * i + 1] = static_cast<uint8_t>(v);
            break;
        default: row[i] = static_cast<uint8_t>(v); break;
    }
}

// Sub-byte runs that start on a byte boundary at both ends: whole bytes are
// copied and the last, partial byte is merged so its other pixels stay.
void CopyAlignedPacked(const uint8_t* source, uint8_t* destination, int64_t n, int depth) {
    const int64_t bits = n * depth;
    const size_t whole = static_cast<size_t>(bits / 8);
    std::memcpy(destination, source, whole);
    const int rest = static_cast<int>(bits % 8);
    if (rest) {
        const uint8_t mask = static_cast<uint8_t>(0xFFu << (8 - rest));
        destination[whole] =
            static_cast<uint8_t>((destination[whole] & ~mask) | (source[whole] & mask));
    }
}

HWY_EXPORT(Convert16To8Vector);
HWY_EXPORT(Convert8To16Vector);
HWY_EXPORT(Convert8To1Vector);
HWY_EXPORT(Convert8To4Vector);

void Convert16To8(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    int64_t i = HWY_DYNAMIC_DISPATCH(Convert16To8Vector)(s, d, n);
    for (; i < n; ++i) d[i] = s[2 * i + 1];
}

void Convert8To16(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    for (int64_t i = HWY_DYNAMIC_DISPATCH(Convert8To16Vector)(s, d, n); i < n; ++i) {
        d[2 * i] = 0;
        d[2 * i + 1] = s[i];
    }
}

// 8-bit values to 1-bit pixels, most significant bit first.
void Convert8To1Aligned(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    int64_t i = HWY_DYNAMIC_DISPATCH(Convert8To1Vector)(s, d, n);
    for (; i + 8 <= n; i += 8) {
        const uint8_t* p = s + i;
        unsigned byte = 0;
        for (int k = 0; k < 8; ++k) byte |= (p[k] != 0 ? 0x80u : 0u) >> k;
        d[i / 8] = static_cast<uint8_t>(byte);
    }
    for (; i < n; ++i) StoreValue(d, 1, i, s[i]);
}

// 8-bit values, capped at 15, to nibbles (the even pixel in the high nibble).
void Convert8To4Aligned(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    int64_t i = HWY_DYNAMIC_DISPATCH(Convert8To4Vector)(s, d, n);
    for (; i + 2 <= n; i += 2) {
        const unsigned hi = std::min<unsigned>(s[i], 15u);
        const unsigned lo = std::min<unsigned>(s[i + 1], 15u);
        d[i / 2] = static_cast<uint8_t>((hi << 4) | lo);
    }
    if (i < n) StoreValue(d, 4, i, s[i]);
}

void Convert1To8Aligned(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) d[i] = (s[i >> 3] >> (7 - (i & 7))) & 1u;
}

void Convert4To8Aligned(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) d[i] = (i & 1) ? (s[i >> 1] & 0x0Fu) : (s[i >> 1] >> 4);
}

}  // namespace

void ConvertPixels(const uint8_t* source, int sourceDepth, int64_t sourceFirst, uint8_t* destination,
                   int destDepth, int64_t destFirst, int64_t n) {
    if (n <= 0) return;
    if (sourceDepth == destDepth) {
        if (sourceDepth == 8) {
            std::memcpy(destination + destFirst, source + sourceFirst, static_cast<size_t>(n));
            return;
        }
        if (sourceDepth == 16) {
            std::memcpy(destination + 2 * destFirst, source + 2 * sourceFirst,
                        static_cast<size_t>(n) * 2);
            return;
        }
        const int perByte = 8 / sourceDepth;
        if (sourceFirst % perByte == 0 && destFirst % perByte == 0) {
            CopyAlignedPacked(source + sourceFirst / perByte, destination + destFirst / perByte, n,
                              sourceDepth);
            return;
        }
    } else if (sourceDepth == 16 && destDepth == 8) {
        Convert16To8(source + 2 * sourceFirst, destination + destFirst, n);
        return;
    } else if (sourceDepth == 8 && destDepth == 16) {
        Convert8To16(source + sourceFirst, destination + 2 * destFirst, n);
        return;
    } else if (sourceDepth == 8 && destDepth == 1 && destFirst % 8 == 0) {
        Convert8To1Aligned(source + sourceFirst, destination + destFirst / 8, n);
        return;
    } else if (sourceDepth == 8 && destDepth == 4 && destFirst % 2 == 0) {
        Convert8To4Aligned(source + sourceFirst, destination + destFirst / 2, n);
        return;
    } else if (sourceDepth == 1 && destDepth == 8 && sourceFirst % 8 == 0) {
        Convert1To8Aligned(source + sourceFirst / 8, destination + destFirst, n);
        return;
    } else if (sourceDepth == 4 && destDepth == 8 && sourceFirst % 2 == 0) {
        Convert4To8Aligned(source + sourceFirst / 2, destination + destFirst, n);
        return;
    }
    for (int64_t i = 0; i < n; ++i)
        StoreValue(destination, destDepth, destFirst + i,
                   SourceValue(source, sourceDepth, sourceFirst + i));
}

}  // namespace orvex
#endif
