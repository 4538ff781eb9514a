// Any bytes as a motor-correspondence file, for any motor count.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/corfile.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    if (size == 0) return 0;
    int motors = data[0] % 20;
    orvex::CORFILE cor;
    cor.ReadText(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), motors);
    if (cor.motorCount < 0 || cor.motorCount > orvex::CORFILE::kMaxMotors) std::abort();
    for (int n = -1; n <= 18; ++n) {
        double offset = cor.GetOffset(n);
        if (!std::isfinite(offset) || offset < 0) std::abort();
    }
    orvex::platform::setUi(nullptr);
    return 0;
}
