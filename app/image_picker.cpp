#include "app/image_picker.h"

#include <algorithm>
#include <cstdio>

#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex::app {

namespace {
void refuse(bool say, const std::string& text) {
    if (say) platform::ui().message(text, "Error", platform::Buttons::Ok, platform::Icon::Error);
}
}  // namespace

bool MeetsRequirements(const PickRequest& request, int index, ImageHandle candidate, bool say) {
    const Image* image = LiveImage(candidate);
    if (!image || index < 0 || index >= static_cast<int>(request.entries.size())) return false;
    int flags = request.entries[index].requirements;
    const Image* previous = index > 0 ? LiveImage(request.entries[index - 1].window) : nullptr;
    char text[256];
    if ((flags & PickNeeds256Colours) && image->PaletteCount() != 256) {
        refuse(say, "Image needs to have 256 colors");
        return false;
    }
    if ((flags & PickNeedsGrey) && !image->IsGreyPalette()) {
        refuse(say, "Image needs to be a gray scale");
        return false;
    }
    // A previous image that has gone away since it was picked cannot be matched.
    bool needsPrevious = flags & (PickSameSize | PickSamePaletteCount | PickSameDepth);
    if (needsPrevious && index > 0 && !previous) return false;
    if ((flags & PickSameSize) && previous &&
        (image->Width() != previous->Width() || image->Height() != previous->Height())) {
        std::snprintf(text, sizeof text,
                      "Image needs to be the same dimensions as the previous image. (%d x %d)",
                      previous->Width(), previous->Height());
        refuse(say, text);
        return false;
    }
    if ((flags & PickSamePaletteCount) && previous && image->PaletteCount() != previous->PaletteCount()) {
        std::snprintf(text, sizeof text,
                      "Image needs to have the same number of colors as the previous image (%d)",
                      previous->PaletteCount());
        refuse(say, text);
        return false;
    }
    if ((flags & PickSameDepth) && previous && image->Depth() != previous->Depth()) {
        std::snprintf(text, sizeof text,
                      "Image needs to have the same depth as the previous image (%d)",
                      previous->Depth());
        refuse(say, text);
        return false;
    }
    return true;
}

std::string PickHoverText(ImageHandle window) {
    ImageSummary s;
    if (GetImageSummary(window, s) != ImageDone) return {};
    char text[400];
    std::snprintf(text, sizeof text, "%s (%dx%dx%d)", s.name.c_str(), s.width, s.height, s.paletteCount);
    return text;
}

namespace {
// The windows picked so far, all still open: an entry whose window has
// closed during the pick would hand the operation a dead window.
bool pickedStillOpen(const PickRequest& request, int picked) {
    for (int i = 0; i < picked; ++i)
        if (!LiveView(request.entries[i].window)) return false;
    return true;
}
}  // namespace

int PickImages(PickRequest& request) {
    const size_t most = static_cast<size_t>(std::max(request.maxEntries, 0));
    if (request.entries.size() > most) request.entries.resize(most);
    for (auto& e : request.entries) e.window = {};
    int count = static_cast<int>(request.entries.size());
    int current = 0;
    while (current < count) {
        platform::PickPrompt prompt;
        prompt.prompt = request.entries[current].prompt;
        prompt.okEnabled = current > 0;
        prompt.acceptable = [&request, current](int number) {
            return MeetsRequirements(request, current, ImageHandle{number}, false);
        };
        prompt.hoverText = [](int number) { return PickHoverText(ImageHandle{number}); };
        platform::ImagePickEvent event = platform::ui().awaitImagePick(prompt);
        if (!pickedStillOpen(request, current)) event.kind = platform::ImagePickEvent::Kind::Cancel;
        switch (event.kind) {
            case platform::ImagePickEvent::Kind::Cancel:
                for (auto& e : request.entries) e.window = {};
                return 0;
            case platform::ImagePickEvent::Kind::Ok:
                // "OK" only counts once something is picked.
                if (current > 0) return current;
                break;
            case platform::ImagePickEvent::Kind::Picked: {
                ImageHandle window = FindImageWindow(event.imageNumber);
                if (!window || !MeetsRequirements(request, current, window, true)) break;
                RealPoint at{event.column, event.row};
                PixelToReal(window, at);
                request.entries[current].window = window;
                request.entries[current].position = at;
                ++current;
                break;
            }
        }
    }
    return count;
}

}  // namespace orvex::app
