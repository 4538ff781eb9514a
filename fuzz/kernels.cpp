// Any bytes as "matrix.txt", the library of convolution kernels.
#include <cstdint>

#include "fuzz_file.h"
#include "platform/headless_ui.h"
#include "processing/filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    auto kernels = orvex::ReadKernels(orvex::fuzzing::WriteInput(data, size, ".txt"));
    (void)kernels;
    return 0;
}
