#include "config/elmfile.h"

#include <fstream>
#include <string_view>

#include "config/profile_file.h"
#include "config/software_settings.h"
#include "platform/ui.h"

namespace orvex {

namespace {

// One line as the list reads it: its first kLineLength characters, the rest of
// a longer line dropped; false at the end of the input.
bool readLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        any = true;
        if (c == '\n') break;
        if (c == '\r') {
            if (in.peek() == '\n') in.get();
            break;
        }
        if (line.size() < static_cast<size_t>(ELMFILE::kLineLength)) line.push_back(static_cast<char>(c));
    }
    return any;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

void readFault(const char* text) { platform::showMessage(text, "reading elmfile"); }

}  // namespace

void ELMFILE::Clear() {
    for (int i = 0; i < kMaxEntries; ++i) textA[i].clear(), textB[i].clear(), textC[i].clear();
    count = -1;
    valid = 0;
}

void ELMFILE::Read() {
    Clear();
    if (path.empty()) return;
    std::ifstream in(config::LocalPath(path), std::ios::binary);
    if (!in) return;
    Read(in);
}

void ELMFILE::Read(std::istream& in) {
    Clear();
    int lastNumber = -1;
    std::string line;
    for (int lines = 0; lines < capacity && lines < kMaxLines; ++lines) {
        if (!readLine(in, line) || line.size() <= static_cast<size_t>(kShortLine)) break;

        if (lines == 0) {
            size_t single = line.find('\'');
            size_t dbl = line.find('"');
            quote = (single != std::string::npos && single < dbl) ? '\'' : '"';
        }

        size_t digits = line.find_first_of("0123456789");
        if (digits == std::string::npos || digits >= static_cast<size_t>(kNumberReach)) break;
        size_t pos = digits;
        int number = 0;
        while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
            if (number <= kMaxEntries) number = number * 10 + (line[pos] - '0');
            ++pos;
        }
        if (number < 1 || number > kMaxEntries) break;

        std::string* fields[3] = {&textA[number - 1], &textB[number - 1], &textC[number - 1]};
        for (std::string* field : fields) field->clear();
        for (std::string* field : fields) {
            size_t open = pos;
            while (open < line.size() && !isQuote(line[open])) ++open;
            if (open >= line.size()) {
                readFault("can't find first quote");
                break;
            }
            if (open + 1 >= static_cast<size_t>(kLineLength)) {
                readFault("line too long");
                break;
            }
            size_t close = open + 1;
            while (close < line.size() && !isQuote(line[close])) ++close;
            if (close >= line.size()) {
                readFault("can't find closing quote");
                break;
            }
            *field = line.substr(open + 1, close - open - 1);
            pos = close + 1;
        }
        lastNumber = number;
    }
    count = lastNumber;
    valid = (count >= 1 && count <= kMaxEntries) ? 1 : 0;
}

bool ELMFILE::Write() const {
    if (path.empty()) return true;
    std::string text;
    const std::string q(1, quote);
    for (int i = 0; i < count && i < kMaxEntries; ++i) {
        text += std::to_string(i + 1);
        text += "   " + q + textA[i] + q;
        text += "   " + q + textB[i] + q;
        text += "   " + q + textC[i] + q + "\n";
    }
    if (!config::ReplaceFile(config::LocalPath(path), text)) {
        platform::showMessage("Error opening ELMFILE object", "write_elm_menu");
        return false;
    }
    return true;
}

void ELMFILE::SetCount(int n) {
    count = n < 0 ? -1 : (n > kMaxEntries ? kMaxEntries : n);
    valid = 1;
}

void ELMFILE::SetEntry(int i, const std::string& a, const std::string& b, const std::string& c) {
    if (i < 0 || i >= kMaxEntries) return;
    textA[i] = a;
    textB[i] = b;
    textC[i] = c;
}

std::string ELMFILE::ChannelName(int i) const {
    if (i < 0 || i >= kMaxEntries || i >= count) return defaultName;
    std::string joined = textA[i] + textB[i];
    size_t start = joined.find_first_not_of(' ');
    if (start == std::string::npos) return "ov_blank";
    std::string name = joined.substr(start);
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
}

namespace {
ELMFILE makeList(const char* key) {
    ELMFILE list;
    list.key = key;
    return list;
}
}  // namespace

ELMFILE& elmFile() {
    static ELMFILE list = makeList("elmfile");
    return list;
}

ELMFILE& edsFile() {
    static ELMFILE list = makeList("edsfile");
    return list;
}

void resetElementLists() {
    elmFile() = makeList("elmfile");
    edsFile() = makeList("edsfile");
}

namespace config {

void NameElementListKeys() {
    elmFile().key = "elmfile";
    edsFile().key = "edsfile";
}

namespace {
void makeDefaultList(ELMFILE& list, const std::string& tag) {
    list.SetCount(list.capacity);
    for (int i = 0; i < list.count; ++i) list.SetEntry(i, tag, std::to_string(i), tag);
    list.Write();
}
}  // namespace

void InitializeElementLists() {
    ELMFILE& elements = elmFile();
    elements.Read();
    if (!elements.valid) {
        elements.path = kDefaultElementFile;
        elements.Read();
        if (!elements.valid) {
            platform::showMessage("File not found - writing default file to .\\tarnak.elm",
                                  "ElmFile Initialization");
            makeDefaultList(elements, "elm");
        }
    }

    const SoftwareSettings& settings = softwareSettings();
    if (settings.digitalMaxEds == 0 && settings.counterMaxEds == 0) return;
    ELMFILE& eds = edsFile();
    eds.Read();
    if (eds.valid) return;
    size_t dot = elements.path.rfind(".elm");
    if (dot != std::string::npos) {
        eds.path = elements.path.substr(0, dot) + ".eds";
        eds.Read();
        if (eds.valid) return;
    }
    platform::showMessage("File not found - writing default file to .\\tarnak.eds",
                          "EdsFile Initialization");
    makeDefaultList(eds, "eds");
}

}  // namespace config
}  // namespace orvex
