#pragma once
// Memory for the pixels of images. A large picture comes straight from the
// system on huge-page boundaries, so that a new 4096 x 4096 map costs a few
// page faults instead of thousands. A few pictures given back are zeroed then
// and kept for the next image of about their size: a command's new window
// then costs neither faults nor a zeroing pass, and the zeroing is paid when
// a window closes, where nobody waits for it.
#include <cstddef>
#include <cstdint>

namespace orvex {

/// Zeroed memory for `bytes` bytes of pixels; null when the system has none.
uint8_t* TakePixelMemory(size_t bytes);
/// Gives back what TakePixelMemory handed out for the same `bytes` (null is ignored).
void GivePixelMemory(uint8_t* pixels, size_t bytes);
/// Returns the pictures kept for reuse to the system.
void ReleaseKeptPixelMemory();
/// Bytes kept for reuse now.
size_t KeptPixelBytes();

/// Lets a strip's pixels go back through GivePixelMemory.
struct PixelMemoryRelease {
    size_t bytes = 0;
    void operator()(uint8_t* pixels) const { GivePixelMemory(pixels, bytes); }
};

}  // namespace orvex
