// Any bytes as an element list: no crash, no overrun, at most 16 entries.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "config/elmfile.h"
#include "platform/headless_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    orvex::ELMFILE list;
    list.capacity = size > 0 ? data[0] % 24 : 16;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    list.Read(in);
    if (list.count > orvex::ELMFILE::kMaxEntries || (list.valid && list.count < 1)) std::abort();
    for (int i = -1; i <= orvex::ELMFILE::kMaxEntries; ++i) {
        std::string name = list.ChannelName(i);
        if (name.empty() || name.find(' ') != std::string::npos) std::abort();
    }
    for (int i = 0; i < orvex::ELMFILE::kMaxEntries; ++i)
        if (list.textA[i].size() > 100 || list.textB[i].size() > 100 || list.textC[i].size() > 100)
            std::abort();
    orvex::platform::setUi(nullptr);
    return 0;
}
