#include "app/commands/histogram_pick.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/image_picker.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

std::optional<PickedPixel> PickImagePixel(const std::string& prompt) {
    platform::PickPrompt step;
    step.prompt = prompt;
    step.okEnabled = false;
    step.acceptable = [](int number) { return LiveImage(ImageHandle{number}) != nullptr; };
    step.hoverText = [](int number) { return app::PickHoverText(ImageHandle{number}); };
    for (;;) {
        const platform::ImagePickEvent event = platform::ui().awaitImagePick(step);
        if (event.kind == platform::ImagePickEvent::Kind::Cancel) return std::nullopt;
        if (event.kind != platform::ImagePickEvent::Kind::Picked) continue;  // "OK" before a pick
        const ImageHandle window = FindImageWindow(event.imageNumber);
        const Image* image = LiveImage(window);
        if (!image || image->Width() <= 0 || image->Height() <= 0) continue;
        // The picker reports pixel c as covering c .. c + 1.
        const auto cell = [](double at, int size) {
            if (!std::isfinite(at)) return 0;
            return static_cast<int>(std::clamp(std::floor(at), 0.0, static_cast<double>(size - 1)));
        };
        return PickedPixel{window, cell(event.column, image->Width()), cell(event.row, image->Height())};
    }
}

unsigned PixelValue(ImageHandle window, int column, int row) {
    const Image* image = LiveImage(window);
    if (!image) return 0;
    if (image->Depth() == 16) {
        uint16_t v = 0;
        return ReadBlock16(window, column, row, 1, 1, &v) == ImageDone ? v : 0;
    }
    uint8_t v = 0;
    return ReadBlock8(window, column, row, 1, 1, &v) == ImageDone ? v : 0;
}

}  // namespace orvex
