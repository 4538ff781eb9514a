// Any bytes as a profile file: reading never fails, writing back an untouched
// file gives the same bytes, and a value just written is the value read.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/profile_file.h"
#include "platform/headless_ui.h"

using orvex::config::ProfileText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvex::platform::HeadlessUi ui;
    orvex::platform::setUi(&ui);
    ui.clear();
    std::string_view text(reinterpret_cast<const char*>(data), size);

    ProfileText profile = ProfileText::parse(text);
    if (profile.text() != text) std::abort();
    for (const char* section : {"hardware", "software", "stage x", ""})
        for (const char* key : {"probetype", "retrace", "low limit", ""})
            if (auto value = profile.find(section, key)) {
                (void)orvex::config::LeadingInteger(*value);
                (void)orvex::config::LeadingReal(*value);
                (void)orvex::config::ParseBoolean(*value);
            }

    if (profile.set("Hardware", "ProbeType", "JEOL") && profile.set("new section", "new key", "\"42\"")) {
        ProfileText again = ProfileText::parse(profile.text());
        if (again.find("hardware", "probetype") != "JEOL") std::abort();
        if (again.find("NEW SECTION", "NEW KEY") != "42") std::abort();
    } else {
        std::abort();  // the names are fine: setting them must work
    }
    orvex::platform::setUi(nullptr);
    return 0;
}
