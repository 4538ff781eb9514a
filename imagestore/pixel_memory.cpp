#include "imagestore/pixel_memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace orvex {

namespace {

// The address sanitizer watches the C library's blocks only, so under it
// every picture is one, and a write past a row's end is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kWatched = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kWatched = true;
#else
constexpr bool kWatched = false;
#endif
#else
constexpr bool kWatched = false;
#endif

constexpr size_t kHugePage = size_t{2} << 20;
// Below this the C library's own reuse serves as well.
constexpr size_t kDirectBytes = size_t{1} << 20;
// What is kept: a few maps of up to 8192 x 8192 at 16 bits, 256 MB in all.
constexpr size_t kKeepLargest = size_t{128} << 20;
constexpr size_t kKeepTotal = size_t{256} << 20;
constexpr size_t kKeepCount = 8;

size_t mappedSize(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

struct Keep {
    std::mutex lock;
    std::vector<std::pair<uint8_t*, size_t>> blocks;  // oldest first, each wholly zero
    size_t total = 0;
};

// Never destroyed: images held by other statics may give memory back at exit.
Keep& keep() {
    static Keep* kept = new Keep;
    return *kept;
}

// Maps one huge page more than wanted and trims both ends, so that the
// block starts on a huge-page boundary and the kernel can back it with them.
uint8_t* mapFresh(size_t mapped) {
    void* raw = ::mmap(nullptr, mapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    const uintptr_t end = start + mapped + kHugePage;
    if (end > aligned + mapped) ::munmap(reinterpret_cast<void*>(aligned + mapped), end - (aligned + mapped));
    ::madvise(reinterpret_cast<void*>(aligned), mapped, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(aligned);
}

uint8_t* takeKept(size_t mapped) {
    Keep& k = keep();
    std::lock_guard<std::mutex> hold(k.lock);
    // The block given back last is the likeliest to be in the caches still.
    for (auto it = k.blocks.rbegin(); it != k.blocks.rend(); ++it) {
        if (it->second != mapped) continue;
        uint8_t* block = it->first;
        k.total -= mapped;
        k.blocks.erase(std::next(it).base());
        return block;
    }
    return nullptr;
}

}  // namespace

uint8_t* TakePixelMemory(size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (kWatched || bytes < kDirectBytes) return static_cast<uint8_t*>(std::calloc(bytes, 1));
    const size_t mapped = mappedSize(bytes);
    if (uint8_t* kept = takeKept(mapped)) return kept;
    uint8_t* fresh = mapFresh(mapped);
    if (!fresh) {
        ReleaseKeptPixelMemory();
        fresh = mapFresh(mapped);
    }
    return fresh;
}

void GivePixelMemory(uint8_t* pixels, size_t bytes) {
    if (!pixels) return;
    if (bytes == 0) bytes = 1;
    if (kWatched || bytes < kDirectBytes) {
        std::free(pixels);
        return;
    }
    const size_t mapped = mappedSize(bytes);
    if (mapped > kKeepLargest) {
        ::munmap(pixels, mapped);
        return;
    }
    // Only the bytes handed out can have been written; the rest is still zero.
    std::memset(pixels, 0, bytes);
    std::vector<std::pair<uint8_t*, size_t>> evicted;
    {
        Keep& k = keep();
        std::lock_guard<std::mutex> hold(k.lock);
        while (!k.blocks.empty() && (k.blocks.size() >= kKeepCount || k.total + mapped > kKeepTotal)) {
            evicted.push_back(k.blocks.front());
            k.total -= k.blocks.front().second;
            k.blocks.erase(k.blocks.begin());
        }
        k.blocks.emplace_back(pixels, mapped);
        k.total += mapped;
    }
    for (const auto& [block, size] : evicted) ::munmap(block, size);
}

void ReleaseKeptPixelMemory() {
    std::vector<std::pair<uint8_t*, size_t>> blocks;
    {
        Keep& k = keep();
        std::lock_guard<std::mutex> hold(k.lock);
        blocks.swap(k.blocks);
        k.total = 0;
    }
    for (const auto& [block, size] : blocks) ::munmap(block, size);
}

size_t KeptPixelBytes() {
    Keep& k = keep();
    std::lock_guard<std::mutex> hold(k.lock);
    return k.total;
}

}  // namespace orvex
