// Arbitrary bytes as a BMP, both as an image and as a 24-bit colour split.
#include <cstddef>
#include <cstdint>

#include "formats/bmp.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.messages.clear();
    orvex::Image image;
    if (orvex::formats::ReadBmpBytes(image, data, size) && image.ByteSize() < (1u << 16))
        orvex::formats::EncodeBmp(image, image.Depth());
    orvex::Image red, green, blue;
    orvex::formats::ReadBmpColourSplitBytes(data, size, red, green, blue);
    return 0;
}
