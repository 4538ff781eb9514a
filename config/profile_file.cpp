#include "config/profile_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/ui.h"

namespace orvex::config {

namespace fs = std::filesystem;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// What one line of a profile file is.
struct LineKind {
    enum { Other, Section, Entry } kind = Other;
    std::string_view name;   // section name or key
    std::string_view value;  // entry value, trimmed
    size_t equals = 0;       // position of "=" in the line
};

LineKind classify(std::string_view line) {
    LineKind result;
    std::string_view body = trim(line);
    if (body.empty() || body.front() == ';' || body.front() == '#') return result;
    if (body.front() == '[') {
        size_t close = body.find(']');
        // A header never closed is not a header: it opens nothing.
        if (close == std::string_view::npos) return result;
        result.kind = LineKind::Section;
        result.name = trim(body.substr(1, close - 1));
        return result;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return result;  // a key without "=" is no entry
    std::string_view key = trim(line.substr(0, equals));
    if (key.empty()) return result;
    result.kind = LineKind::Entry;
    result.name = key;
    result.value = trim(line.substr(equals + 1));
    result.equals = equals;
    return result;
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string cut(std::string text, size_t bufferSize) {
    size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    if (text.size() > room) text.resize(room);
    return text;
}

// The file as it stands: absent (empty), unreadable (nothing), or its text.
std::optional<std::string> currentText(const std::string& path) {
    std::error_code error;
    if (!fs::exists(path, error)) return std::string();
    return ReadWholeFile(path, kMaxProfileFileSize);
}

// Files held in memory by an open ProfileBatch.
struct Pending {
    std::optional<ProfileText> text;  // nothing when the file could not be read
    int depth = 0;
    bool changed = false;
};

std::mutex& batchLock() {
    static std::mutex lock;
    return lock;
}

std::map<std::string, Pending>& batches() {
    static std::map<std::string, Pending> open;
    return open;
}

std::optional<std::string> lookup(const std::string& path, const std::string& section,
                                  const std::string& key) {
    {
        std::lock_guard<std::mutex> guard(batchLock());
        auto pending = batches().find(path);
        if (pending != batches().end()) {
            if (!pending->second.text) return std::nullopt;
            return pending->second.text->find(section, key);
        }
    }
    auto data = ReadWholeFile(path, kMaxProfileFileSize);
    if (!data) return std::nullopt;
    return ProfileText::parse(*data).find(section, key);
}

}  // namespace

ProfileText ProfileText::parse(std::string_view text) {
    ProfileText profile;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            profile.lines_.push_back({std::string(text.substr(start)), ""});
            break;
        }
        size_t endLength = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
        profile.lines_.push_back(
            {std::string(text.substr(start, end - start)), std::string(text.substr(end, endLength))});
        start = end + endLength;
    }
    return profile;
}

namespace {

std::string indexKey(std::string_view section, std::string_view key) {
    std::string out;
    out.reserve(section.size() + key.size() + 1);
    for (char c : section) out.push_back(lower(c));
    out.push_back('\n');
    for (char c : key) out.push_back(lower(c));
    return out;
}

}  // namespace

std::optional<std::string> ProfileText::find(std::string_view section, std::string_view key) const {
    if (!index_) {
        index_.emplace();
        std::optional<std::string_view> current;  // no section before the first header
        for (const Line& line : lines_) {
            LineKind kind = classify(line.text);
            if (kind.kind == LineKind::Section)
                current = kind.name;
            else if (kind.kind == LineKind::Entry && current)
                index_->try_emplace(indexKey(*current, kind.name), unquote(kind.value));
        }
    }
    section = trim(section);
    key = trim(key);
    if (hasLineBreak(section) || hasLineBreak(key)) return std::nullopt;  // no line holds one
    auto found = index_->find(indexKey(section, key));
    if (found == index_->end()) return std::nullopt;
    return found->second;
}

std::string ProfileText::lineEnd() const {
    // New lines take the ending the file already uses; a lone CR only when the
    // file knows no other, since it is more likely junk than a convention.
    bool loneCr = false;
    for (const Line& line : lines_) {
        if (line.end == "\n" || line.end == "\r\n") return line.end;
        loneCr = loneCr || line.end == "\r";
    }
    return loneCr ? "\r" : "\n";
}

bool ProfileText::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty() || hasLineBreak(section) || hasLineBreak(key) ||
        key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos ||
        key.front() == '[' || key.front() == ';' || key.front() == '#')
        return false;
    size_t lineBreak = value.find_first_of("\r\n");
    if (lineBreak != std::string_view::npos) value = value.substr(0, lineBreak);
    index_.reset();

    bool inSection = false;
    bool inFirstSection = false;
    long firstSectionLast = -1;  // last header or entry line of the first matching section
    for (size_t i = 0; i < lines_.size(); ++i) {
        LineKind kind = classify(lines_[i].text);
        if (kind.kind == LineKind::Section) {
            inSection = sameName(kind.name, section);
            inFirstSection = inSection && firstSectionLast < 0;
            if (inFirstSection) firstSectionLast = static_cast<long>(i);
        } else if (kind.kind == LineKind::Entry && inSection) {
            if (sameName(kind.name, key)) {
                // Keep the line up to the value as it was written.
                std::string& text = lines_[i].text;
                size_t valueStart = kind.equals + 1;
                while (valueStart < text.size() && isBlank(text[valueStart])) ++valueStart;
                text.resize(valueStart);
                text.append(value);
                return true;
            }
            if (inFirstSection) firstSectionLast = static_cast<long>(i);
        }
    }

    std::string end = lineEnd();
    std::string entry = std::string(key) + "=" + std::string(value);
    if (firstSectionLast >= 0) {
        size_t at = static_cast<size_t>(firstSectionLast);
        if (lines_[at].end.empty()) lines_[at].end = end;
        lines_.insert(lines_.begin() + static_cast<long>(at) + 1, Line{entry, end});
        return true;
    }
    if (!lines_.empty()) {
        if (lines_.back().end.empty()) lines_.back().end = end;
        if (!trim(lines_.back().text).empty()) lines_.push_back({"", end});
    }
    lines_.push_back({"[" + std::string(section) + "]", end});
    lines_.push_back({entry, end});
    return true;
}

std::string ProfileText::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              size_t bufferSize) {
    auto value = lookup(path, section, key);
    return cut(value ? *value : defaultValue, bufferSize);
}

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue) {
    auto value = lookup(path, section, key);
    if (!value || value->empty()) return defaultValue;
    return LeadingInteger(*value);
}

double ReadProfileReal(const std::string& path, const std::string& section,
                       const std::string& key, double defaultValue, size_t bufferSize) {
    auto value = lookup(path, section, key);
    if (!value) return defaultValue;
    return LeadingReal(cut(*value, bufferSize));
}

bool ReadProfileBool(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& defaultText, size_t bufferSize) {
    return ParseBoolean(ReadProfileString(path, section, key, defaultText, bufferSize));
}

bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value) {
    {
        std::lock_guard<std::mutex> guard(batchLock());
        auto pending = batches().find(path);
        if (pending != batches().end()) {
            Pending& batch = pending->second;
            if (!batch.text || !batch.text->set(section, key, value)) return false;
            batch.changed = true;
            return true;
        }
    }
    auto old = currentText(path);
    if (!old) return false;  // unreadable or far too large: never replaced
    ProfileText profile = ProfileText::parse(*old);
    if (!profile.set(section, key, value)) return false;
    return ReplaceFile(path, profile.text());
}

ProfileBatch::ProfileBatch(const std::string& path) : path_(path) {
    std::lock_guard<std::mutex> guard(batchLock());
    Pending& batch = batches()[path_];
    if (batch.depth++ == 0) {
        auto text = currentText(path_);
        if (text) batch.text = ProfileText::parse(*text);
    }
}

ProfileBatch::~ProfileBatch() {
    std::string text;
    {
        std::lock_guard<std::mutex> guard(batchLock());
        auto pending = batches().find(path_);
        if (pending == batches().end() || --pending->second.depth > 0) return;
        bool write = pending->second.changed && pending->second.text;
        if (write) text = pending->second.text->text();
        batches().erase(pending);
        if (!write) return;
    }
    ReplaceFile(path_, text);
}

bool WriteProfileInt(const std::string& path, const std::string& section, const std::string& key,
                     int value) {
    return WriteProfileString(path, section, key, std::to_string(value));
}

bool WriteProfileReal(const std::string& path, const std::string& section,
                      const std::string& key, double value, int significantDigits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", significantDigits, value);
    // %g follows the C locale set by a front end; the file always has a point.
    for (char& c : text)
        if (c == ',') c = '.';
    return WriteProfileString(path, section, key, text);
}

bool WriteProfileBool(const std::string& path, const std::string& section, const std::string& key,
                      bool value, bool upperCase) {
    const char* text = upperCase ? (value ? "TRUE" : "FALSE") : (value ? "true" : "false");
    return WriteProfileString(path, section, key, text);
}

bool ParseBoolean(const std::string& text) {
    std::string_view word = trim(text);
    for (const char* yes : {"on", "true", "yes"})
        if (sameName(word, yes)) return true;
    for (const char* no : {"off", "false", "no"})
        if (sameName(word, no)) return false;
    platform::showMessage("READINI: bIsOn", "Expected: 'true, false, yes, no, on, off'");
    return false;
}

int LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    const long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) value = std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

double LeadingReal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    size_t start = i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool minus = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) minus = text[j++] == '-';
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
            negativeExponent = minus;
            i = j;
        }
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value,
                                        std::chars_format::general);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    else if (error != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::string LocalPath(const std::string& path) {
    std::string local = path;
    for (char& c : local)
        if (c == '\\') c = '/';
    return local;
}

bool ReplaceFile(const std::string& requested, std::string_view data) {
    static std::atomic<unsigned> serial{0};
    // A link stays a link: the file it points at is the one replaced.
    std::string path = requested;
    std::error_code linkError;
    if (fs::is_symlink(requested, linkError)) {
        fs::path target = fs::weakly_canonical(requested, linkError);
        if (linkError) return false;
        path = target.string();
    }
    std::string temporary = path + ".tmp" + std::to_string(::getpid()) + "-" +
                            std::to_string(serial.fetch_add(1));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    auto status = fs::status(path, error);
    if (!error && fs::exists(status))
        fs::permissions(temporary, status.permissions(), fs::perm_options::replace, error);
    fs::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data;
    char chunk[65536];
    while (in) {
        in.read(chunk, sizeof chunk);
        std::streamsize got = in.gcount();
        if (got <= 0) break;
        if (data.size() + static_cast<size_t>(got) > maxSize) return std::nullopt;
        data.append(chunk, static_cast<size_t>(got));
    }
    if (in.bad()) return std::nullopt;
    return data;
}

}  // namespace orvex::config
