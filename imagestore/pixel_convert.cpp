#include "imagestore/pixel_convert.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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

#if defined(__x86_64__) && defined(__GNUC__)
#define ORVEX_AVX2_KERNELS 1
// Wider kernels for processors with AVX2, chosen at run time so the build
// runs on any x86-64. Each returns how many pixels it converted; the
// caller finishes the rest.

bool g_wideKernelsAllowed = true;

bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has && g_wideKernelsAllowed;
}

__attribute__((target("avx2"))) int64_t Convert16To8Avx2(const uint8_t* __restrict s,
                                                          uint8_t* __restrict d, int64_t n) {
    int64_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i a =
            _mm256_srli_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i)), 8);
        const __m256i b = _mm256_srli_epi16(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i + 32)), 8);
        // The pack works per 128-bit lane; the permute puts the quarters in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), packed);
    }
    return i;
}

__attribute__((target("avx2"))) int64_t Convert8To1Avx2(const uint8_t* __restrict s,
                                                         uint8_t* __restrict d, int64_t n) {
    const __m256i zero = _mm256_setzero_si256();
    int64_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32));
        const uint64_t zeros =
            static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, zero)))) |
            static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, zero))))
                << 32;
        uint64_t m = ~zeros;
        m = ((m >> 1) & 0x5555555555555555ull) | ((m & 0x5555555555555555ull) << 1);
        m = ((m >> 2) & 0x3333333333333333ull) | ((m & 0x3333333333333333ull) << 2);
        m = ((m >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((m & 0x0F0F0F0F0F0F0F0Full) << 4);
        std::memcpy(d + i / 8, &m, 8);
    }
    return i;
}

__attribute__((target("avx2"))) int64_t Convert8To4Avx2(const uint8_t* __restrict s,
                                                         uint8_t* __restrict d, int64_t n) {
    const __m256i fifteen = _mm256_set1_epi8(15);
    const __m256i lowByte = _mm256_set1_epi16(0xFF);
    int64_t i = 0;
    for (; i + 64 <= n; i += 64) {
        __m256i a = _mm256_min_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), fifteen);
        __m256i b =
            _mm256_min_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32)), fifteen);
        a = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(a, lowByte), 4), _mm256_srli_epi16(a, 8));
        b = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(b, lowByte), 4), _mm256_srli_epi16(b, 8));
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i / 2), packed);
    }
    return i;
}
#endif

// The kernels below take whole runs; the SSE2 paths (every x86-64 has
// SSE2) handle full vectors and leave the tail to the portable loops.

void Convert16To8(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    int64_t i = 0;
#if defined(ORVEX_AVX2_KERNELS)
    if (HasAvx2()) i = Convert16To8Avx2(s, d, n);
#endif
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i)), 8);
        const __m128i b =
            _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i + 16)), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n; ++i) d[i] = s[2 * i + 1];
}

void Convert8To16(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) {
        d[2 * i] = 0;
        d[2 * i + 1] = s[i];
    }
}

// 8-bit values to 1-bit pixels, most significant bit first.
void Convert8To1Aligned(const uint8_t* __restrict s, uint8_t* __restrict d, int64_t n) {
    int64_t i = 0;
#if defined(ORVEX_AVX2_KERNELS)
    if (HasAvx2()) i = Convert8To1Avx2(s, d, n);
#endif
#if defined(__SSE2__)
    // 64 pixels at a time: the zero flags of four vectors make one 64-bit
    // mask whose bytes are then bit-reversed into the most-significant-first order.
    const __m128i zero = _mm_setzero_si128();
    for (; i + 64 <= n; i += 64) {
        uint64_t zeros = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16 * k));
            zeros |= static_cast<uint64_t>(static_cast<unsigned>(
                         _mm_movemask_epi8(_mm_cmpeq_epi8(x, zero))))
                     << (16 * k);
        }
        uint64_t m = ~zeros;
        m = ((m >> 1) & 0x5555555555555555ull) | ((m & 0x5555555555555555ull) << 1);
        m = ((m >> 2) & 0x3333333333333333ull) | ((m & 0x3333333333333333ull) << 2);
        m = ((m >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((m & 0x0F0F0F0F0F0F0F0Full) << 4);
        std::memcpy(d + i / 8, &m, 8);
    }
#endif
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
    int64_t i = 0;
#if defined(ORVEX_AVX2_KERNELS)
    if (HasAvx2()) i = Convert8To4Avx2(s, d, n);
#endif
#if defined(__SSE2__)
    const __m128i fifteen = _mm_set1_epi8(15);
    const __m128i lowByte = _mm_set1_epi16(0xFF);
    for (; i + 32 <= n; i += 32) {
        __m128i a = _mm_min_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), fifteen);
        __m128i b =
            _mm_min_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16)), fifteen);
        // Each 16-bit lane holds an even pixel (low byte) and an odd one (high byte).
        a = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(a, lowByte), 4), _mm_srli_epi16(a, 8));
        b = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(b, lowByte), 4), _mm_srli_epi16(b, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i / 2), _mm_packus_epi16(a, b));
    }
#endif
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

void UseWideKernels(bool on) {
#if defined(ORVEX_AVX2_KERNELS)
    g_wideKernelsAllowed = on;
#else
    (void)on;
#endif
}

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
