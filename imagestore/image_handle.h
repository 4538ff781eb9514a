#pragma once
// How the rest of the system refers to an image window: by its image number,
// never by pointer, so a closed window can be recognised and refused.
#include <cstdint>

namespace orvex::platform {
class Surface;
}

namespace orvex {

/// An image window, named by its image number (0: none). Image numbers are
/// never reused, so a handle of a closed window stays recognisably dead.
struct ImageHandle {
    int number = 0;
    explicit operator bool() const { return number != 0; }
    friend bool operator==(ImageHandle, ImageHandle) = default;
};

/// The change notifications of image windows.
enum ImageEventCode : int {
    ImageEventCreated = 0,            // application-wide: created or read (first = 1 when read)
    ImageEventAllClosed = 2,          // application-wide: every image window has closed
    ImageEventCloseAllRequested = 3,  // application-wide: closing one window (or all: no window) is
                                      // requested; a listener vetoes by setting *flag to 0
    ImageEventPainted = 4,            // surface
    ImageEventPrinted = 5,            // surface, printMapping
    ImageEventDestroying = 6,
    ImageEventPalette = 7,
    ImageEventLine = 8,               // first = row
    ImageEventBlock = 9,              // first = row << 16 | column, second = height << 16 | width
    ImageEventSummary = 10,
    ImageEventRegistration = 11,
    ImageEventZRegistration = 12,
    ImageEventSaved = 13,
};

/// What a listener receives: the window, the code and the code's arguments.
struct ImageEvent {
    ImageHandle window;
    int code = 0;
    std::intptr_t first = 0;
    std::intptr_t second = 0;
    platform::Surface* surface = nullptr;  // codes 4 and 5
    const void* printMapping = nullptr;    // code 5
    int* flag = nullptr;                   // code 3
};

/// A listener is a plain function, so it can be found again and removed.
using ImageListener = void (*)(const ImageEvent& event);

}  // namespace orvex
