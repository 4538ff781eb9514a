// Arbitrary bytes as a TIFF file: the reader must neither crash, hang nor
// take more memory than the file can justify. Whatever it reads is written
// back, so the writer sees odd images too.
#include <cstddef>
#include <cstdint>

#include "formats/tiff.h"
#include "platform/headless_ui.h"

namespace {
class KeepingImage : public orvex::Image {
public:
    bool KeepsRegistration() const override { return true; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.messages.clear();
    KeepingImage image;
    if (orvex::formats::ReadTiffBytes(image, data, size) && image.ByteSize() < (1u << 16)) {
        auto bytes = orvex::formats::EncodeTiff(image, image.RequestedDepth());
        KeepingImage back;
        orvex::formats::ReadTiffBytes(back, bytes.data(), bytes.size());
    }
    return 0;
}
