#pragma once
// Rows are stored bottom-up, so the row a loop takes next lies below the one
// it is on, where the processor's own prefetching does not look: a map that
// is not in the cache is read at half speed. Loops over rows therefore go
// through each row in pieces of 1 KB and fetch the same piece of the next
// row before working on a piece.
#include <algorithm>
#include <cstdint>

namespace orvex {

inline constexpr int64_t kRowPieceBytes = 1024;

/// Calls op(first, count) for the pixels first .. first + count - 1 of a row
/// of n pixels of `bits` bits (1, 4, 8 or 16), in pieces that start on whole
/// bytes. Before each piece it fetches that piece of the rows at `nextRead`
/// and `nextWrite`, either of which may be null.
template <class Op>
void InRowPieces(int64_t n, int bits, const void* nextRead, void* nextWrite, Op op) {
    const int64_t piecePixels = kRowPieceBytes * 8 / bits;
    const auto* read = static_cast<const char*>(nextRead);
    auto* write = static_cast<char*>(nextWrite);
    for (int64_t first = 0; first < n; first += piecePixels) {
        const int64_t count = std::min(piecePixels, n - first);
        const int64_t offset = first * bits / 8, bytes = (count * bits + 7) / 8;
        for (int64_t line = 0; line < bytes; line += 64) {
            if (read) __builtin_prefetch(read + offset + line, 0, 3);
            if (write) __builtin_prefetch(write + offset + line, 1, 3);
        }
        op(first, count);
    }
}

}  // namespace orvex
