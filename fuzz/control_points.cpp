// Any bytes as a ".cp" file of rectification control points.
#include <cstdint>

#include "fuzz_file.h"
#include "platform/headless_ui.h"
#include "processing/rectify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    std::vector<orvex::ControlPoint> points;
    orvex::ReadControlPoints(orvex::fuzzing::WriteInput(data, size, ".cp"), points);
    return 0;
}
