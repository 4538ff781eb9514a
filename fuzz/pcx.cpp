// Arbitrary bytes as a PCX file.
#include <cstddef>
#include <cstdint>

#include "formats/pcx.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.messages.clear();
    orvex::Image image;
    orvex::formats::ReadPcxBytes(image, data, size);
    return 0;
}
