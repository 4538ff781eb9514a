// Any text as a macro. Only its reading is exercised: lines that would run
// workstation commands or touch files (menu, open, save) are left out, so the
// answers, checks and dialog blocks are parsed and queued with no window open.
#include <cstdint>
#include <sstream>
#include <string>

#include "app/macro.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::stringstream in(text), kept;
    for (std::string line; std::getline(in, line);) {
        size_t first = line.find_first_not_of(" \t\r");
        std::string word = first == std::string::npos ? "" : line.substr(first, 4);
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (word == "menu" || word == "open" || word == "save") line = "#";
        kept << line << '\n';
    }
    orvex::app::MacroUi ui;
    orvex::platform::setUi(&ui);
    std::stringstream out, err;
    orvex::app::MacroRunner runner(ui, out, err);
    runner.RunText(kept.str());
    orvex::platform::setUi(nullptr);
    return 0;
}
