#pragma once
// The image-window event handler: keeps the registry in step with the image
// windows and hands the other events to the parts that react to them.
#include <functional>
#include <optional>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

class CHANNEL;

/// Where the other parts attach to the handler. Every hook may be empty.
struct ImageWindowEventHooks {
    /// The palette bar's current palette (256 entries, 0x00BBGGRR), when it has one.
    std::function<std::optional<std::vector<uint32_t>>()> currentPalette;
    /// Code 6: the acquisition channel showing this image drops it and is disabled.
    std::function<void(ImageHandle)> detachChannelImage;
    /// Code 6: the channel of the registry entry frees its line buffer.
    std::function<void(CHANNEL*)> freeLineBuffer;
    /// Code 2: every image window has closed (Release Beam).
    std::function<void()> allWindowsClosed;
    /// Code 3: closing a window (or, with no window, all of them) is
    /// requested; set *flag to 0 to veto.
    std::function<void(ImageHandle window, int* flag)> closeRequested;
    /// Codes 4 and 5, in order: scale bar, snap marker, palette bar.
    std::vector<std::function<void(const ImageEvent&)>> overlays;
};
ImageWindowEventHooks& imageWindowEventHooks();

/// The handler itself, for the application-wide list and each window's list.
void ImageWindowEventHandler(const ImageEvent& event);

/// Puts the handler on the application-wide listener list (once).
void InstallImageWindowEventHandler();

}  // namespace orvex
