// Any bytes as a ".fc" false-colour description, read by the false-colour
// dialog's reader and by the palette bar's own reader.
#include <cstdint>
#include <cstdlib>

#include "app/palette_bar.h"
#include "fuzz_file.h"
#include "platform/headless_ui.h"
#include "processing/false_colour.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    const std::string& path = orvex::fuzzing::WriteInput(data, size, ".fc");
    orvex::FalseColourDefinition definition;
    if (orvex::ReadFalseColourFile(path, 256, definition))
        for (const auto& item : definition.items)
            if (item.from > 256 || item.to > 256 || item.colour > 0xFFFFFF) std::abort();
    orvex::app::PALFILE palette;
    palette.ReadDefaultPalette(path);
    return 0;
}
