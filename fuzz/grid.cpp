// Arbitrary bytes as a grid file, read at both depths; a grid read is
// written back.
#include <cstddef>
#include <cstdint>

#include "formats/grid.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.messages.clear();
    for (bool sixteen : {false, true}) {
        orvex::Image image;
        if (orvex::formats::ReadGridBytes(image, data, size, sixteen, 2.0, "units") &&
            image.ByteSize() < (1u << 16))
            orvex::formats::EncodeGrid(&image, 2.0);
    }
    return 0;
}
