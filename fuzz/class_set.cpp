// Any bytes as a ".cy" classification description.
#include <cstdint>
#include <cstdlib>

#include "fuzz_file.h"
#include "platform/headless_ui.h"
#include "processing/classify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    orvex::ClassSet set;
    if (orvex::ReadClassSet(orvex::fuzzing::WriteInput(data, size, ".cy"), set)) {
        if (set.bands < 1 || set.bands > orvex::kMaxClassBands) std::abort();
        for (const auto& item : set.classes)
            if (item.means.size() != static_cast<size_t>(set.bands)) std::abort();
    }
    return 0;
}
