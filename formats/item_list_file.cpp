#include "formats/item_list_file.h"

#include <cctype>

#include "formats/file_io.h"

namespace orvex::formats {

namespace {

// Lines are looked at through buffers of these sizes: section lines through a
// short one, value lines through the long one. The rest of a longer line is
// dropped rather than read as a line of its own.
constexpr size_t kSectionLineChars = 199;
constexpr size_t kValueLineChars = 4999;

bool equalsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Keys lose leading blanks and tabs and trailing blanks.
std::string trimKey(const std::string& key) {
    size_t begin = 0;
    while (begin < key.size() && (key[begin] == ' ' || key[begin] == '\t')) ++begin;
    size_t end = key.size();
    while (end > begin && key[end - 1] == ' ') --end;
    return key.substr(begin, end - begin);
}

std::string trimLine(const std::string& line) {
    size_t begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    size_t end = line.size();
    while (end > begin && std::isspace(static_cast<unsigned char>(line[end - 1]))) --end;
    return line.substr(begin, end - begin);
}

// The second blank-separated word of a line.
std::string secondWord(const std::string& trimmed) {
    size_t p = 0;
    while (p < trimmed.size() && trimmed[p] != ' ' && trimmed[p] != '\t') ++p;
    while (p < trimmed.size() && (trimmed[p] == ' ' || trimmed[p] == '\t')) ++p;
    size_t end = p;
    while (end < trimmed.size() && !std::isspace(static_cast<unsigned char>(trimmed[end]))) ++end;
    return trimmed.substr(p, end - p);
}

}  // namespace

ItemListFile::~ItemListFile() { Close(); }

bool ItemListFile::Open(const std::string& path, Direction direction) {
    Close();
    sections_.clear();
    position_ = 0;
    contents_.clear();
    path_ = path;
    direction_ = direction;
    if (direction == Direction::Read) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(path, bytes, uint64_t(1) << 30)) return false;
        contents_.assign(bytes.begin(), bytes.end());
    }
    open_ = true;
    return true;
}

void ItemListFile::OpenText(std::string contents) {
    Close();
    sections_.clear();
    position_ = 0;
    path_.clear();
    direction_ = Direction::Read;
    contents_ = std::move(contents);
    open_ = true;
}

bool ItemListFile::Close() {
    if (!open_) return true;
    open_ = false;
    bool ok = true;
    if (direction_ == Direction::Write) ok = WriteFileAtomically(path_, contents_);
    contents_.clear();
    sections_.clear();
    return ok;
}

void ItemListFile::writeLine(const std::string& text) {
    if (!open_ || direction_ != Direction::Write) return;
    contents_ += text;
    contents_ += "\r\n";
}

void ItemListFile::WriteTitle(const std::string& text) { writeLine(text + "\n\n"); }

bool ItemListFile::BeginSection(const std::string& name) {
    if (!open_) return false;
    if (direction_ == Direction::Write) {
        writeLine("");
        writeLine(indent() + "BEGIN " + name);
        sections_.push_back({name, 0});
        return true;
    }
    size_t pos = position_;
    while (pos < contents_.size()) {
        std::string found;
        LineKind kind = classify(nextLine(pos, kSectionLineChars), found);
        if (kind == LineKind::End) break;
        if (kind == LineKind::Start) {
            if (!equalsNoCase(found, name)) break;
            sections_.push_back({found, pos});
            position_ = pos;
            return true;
        }
    }
    return false;
}

bool ItemListFile::EndSection() {
    if (!open_ || sections_.empty()) return false;
    if (direction_ == Direction::Write) {
        std::string name = sections_.back().name;
        sections_.pop_back();
        writeLine(indent() + "END " + name);
        writeLine("");
        return true;
    }
    size_t pos = position_;
    const std::string name = sections_.back().name;
    sections_.pop_back();
    while (pos < contents_.size()) {
        std::string found;
        if (classify(nextLine(pos, kSectionLineChars), found) == LineKind::End &&
            equalsNoCase(found, name)) {
            position_ = pos;
            return true;
        }
    }
    return false;
}

void ItemListFile::WriteValue(const std::string& key, const std::string& text) {
    writeLine(indent() + trimKey(key) + "=" + text);
}

void ItemListFile::WriteInt(const std::string& key, int value) { WriteValue(key, "%d", value); }
void ItemListFile::WriteLong(const std::string& key, long value) { WriteValue(key, "%ld", value); }
void ItemListFile::WriteYesNo(const std::string& key, bool value) {
    WriteValue(key, std::string(value ? "Yes" : "No"));
}
void ItemListFile::WriteRect(const std::string& key, const platform::PixelRect& rect) {
    WriteValue(key, "%d, %d, %d, %d", rect.left, rect.top, rect.right, rect.bottom);
}

std::string ItemListFile::nextLine(size_t& pos, size_t maxChars) const {
    size_t end = contents_.find('\n', pos);
    if (end == std::string::npos) end = contents_.size();
    size_t length = end - pos;
    // The line end (LF, with the CR before it) is not part of the line.
    if (length > 0 && contents_[pos + length - 1] == '\r') --length;
    std::string line = contents_.substr(pos, std::min(length, maxChars));
    pos = end < contents_.size() ? end + 1 : end;
    return line;
}

ItemListFile::LineKind ItemListFile::classify(const std::string& line, std::string& name) {
    std::string trimmed = trimLine(line);
    if (trimmed.rfind("BEGIN ", 0) == 0 || trimmed == "BEGIN") {
        name = secondWord(trimmed);
        return LineKind::Start;
    }
    if (trimmed.rfind("END ", 0) == 0 || trimmed == "END") {
        name = secondWord(trimmed);
        return LineKind::End;
    }
    return LineKind::Other;
}

bool ItemListFile::ReadValue(const std::string& key, bool sequential, std::string& value) {
    if (!open_ || direction_ != Direction::Read) return false;
    const std::string wanted = trimKey(key);
    auto matches = [&](const std::string& line) {
        size_t equals = line.find('=');
        if (equals == std::string::npos) return false;
        if (!equalsNoCase(trimKey(line.substr(0, equals)), wanted)) return false;
        value = line.substr(equals + 1);
        return true;
    };

    if (sequential) {
        size_t pos = position_;
        while (pos < contents_.size()) {
            std::string line = nextLine(pos, kValueLineChars);
            std::string name;
            if (classify(line, name) != LineKind::Other) return false;
            if (matches(line)) {
                position_ = pos;
                return true;
            }
        }
        return false;
    }

    const size_t sectionStart = sections_.empty() ? 0 : sections_.back().start;
    const size_t begin = position_;
    size_t pos = begin;
    bool wrapped = false;
    int nesting = 0;
    while (true) {
        if (wrapped && pos >= begin) return false;
        if (pos >= contents_.size()) {
            if (wrapped) return false;
            wrapped = true;
            pos = sectionStart;
            nesting = 0;
            continue;
        }
        std::string line = nextLine(pos, kValueLineChars);
        std::string name;
        LineKind kind = classify(line, name);
        if (kind == LineKind::Start) {
            ++nesting;
        } else if (kind == LineKind::End) {
            if (nesting == 0) {
                if (wrapped) return false;
                wrapped = true;
                pos = sectionStart;
            } else {
                --nesting;
            }
        } else if (nesting == 0 && matches(line)) {
            position_ = pos;
            return true;
        }
    }
}

bool ItemListFile::ReadInt(const std::string& key, int& value, bool sequential) {
    return ReadValue(key, sequential, "%d", &value);
}

bool ItemListFile::ReadLong(const std::string& key, long& value, bool sequential) {
    return ReadValue(key, sequential, "%ld", &value);
}

bool ItemListFile::ReadYesNo(const std::string& key, bool& value, bool sequential) {
    std::string text;
    if (!ReadValue(key, sequential, text)) return false;
    value = equalsNoCase(text, "Yes");
    return true;
}

bool ItemListFile::ReadRect(const std::string& key, platform::PixelRect& rect, bool sequential) {
    return ReadValue(key, sequential, "%d, %d, %d, %d", &rect.left, &rect.top, &rect.right,
                     &rect.bottom);
}

const ItemListLayout kFalseColourList{"last.fc", "False Color Items|*.fc|",
                                      "False color description for Orvex", "Items"};
const ItemListLayout kColourList{"last.cl", "Color list|*.cl|", "Color List file for Pixmerel",
                                 "Items"};
const ItemListLayout kClassificationList{"last.cy", "Classify Items|*.cy|",
                                         "Image Classification description for Pixmerel", "Items"};
const ItemListLayout kControlPointList{"last.cp", "Control Points|*.cp|",
                                       "Control points for Pixmerel Rectification ", "Points"};
const ItemListLayout kFormulaList{nullptr, nullptr, nullptr, "Formulas"};
const ItemListLayout kMatrixList{nullptr, nullptr, nullptr, "Matrix"};

}  // namespace orvex::formats
