#pragma once
// The image picker: the user points at the images an operation works on, one
// after another, and images that do not fit the operation are refused.
#include <string>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/image_handle.h"

namespace orvex::app {

/// Requirement flags of a pick entry, checked in this order.
enum PickRequirement : int {
    PickNeeds256Colours = 8,
    PickNeedsGrey = 4,
    PickSameSize = 16,          // as the previous entry's image
    PickSamePaletteCount = 1,   // as the previous entry's image
    PickSameDepth = 2,          // as the previous entry's image
};

struct PickEntry {
    std::string prompt;  // "Pick RED band"
    int requirements = 0;
    // Out: the picked window and the real position of the click.
    ImageHandle window;
    RealPoint position;
};

struct PickRequest {
    static constexpr int kMaxEntries = 20;
    std::string title;
    std::vector<PickEntry> entries;
    /// The most entries asked for: kMaxEntries, unless a command needs more.
    int maxEntries = kMaxEntries;
};

/// Whether an image fits entry `index` of the request (the entries before it
/// already picked); with `say`, the refusal is shown ("Error").
bool MeetsRequirements(const PickRequest& request, int index, ImageHandle candidate, bool say);

/// "%s (%dx%dx%d)": what the picker shows over an image window.
std::string PickHoverText(ImageHandle window);

/// Asks for the images in turn; the number picked ("OK" early gives those so
/// far, Cancel gives 0).
int PickImages(PickRequest& request);

}  // namespace orvex::app
