#pragma once
// How a kernel writes its result rows. Streamed stores go past the caches
// without first reading in the lines they overwrite, which pays for a result
// larger than the caches and costs for one that would have stayed in them.
#include <atomic>
#include <cstdint>

namespace orvex {

enum class RowStores { Cached, Streamed };

/// Streamed for a result of 8 MB and more: more than a core's share of the
/// last cache.
inline RowStores RowStoresFor(int64_t resultBytes) {
    return resultBytes >= (int64_t{8} << 20) ? RowStores::Streamed : RowStores::Cached;
}

/// Streamed stores are ordered with the others only after a fence: call
/// once after the last streamed row.
inline void FinishStreamedRows() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

}  // namespace orvex
