#include "cli/json_writer.h"

#include <cmath>
#include <cstdio>

namespace orvex::cli {

namespace {

// Length of the valid UTF-8 sequence at i, or 0.
size_t utf8Length(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((byte(i + k) >> 6) != 2) return 0;
    if (n == 2 && c < 0xC2) return 0;  // overlong
    return n;
}

}  // namespace

std::string JsonWriter::quote(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char buffer[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else if (c >= 0x80) {
            size_t n = utf8Length(text, i);
            if (n > 1) {
                out.append(text, i, n);
                i += n;
                continue;
            }
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
        out_ += '\n';
        out_.append(2 * first_.size(), ' ');
    }
}

void JsonWriter::beginObject() {
    separate();
    out_ += '{';
    first_.push_back(true);
}

void JsonWriter::endObject() {
    bool empty = first_.back();
    first_.pop_back();
    if (!empty) {
        out_ += '\n';
        out_.append(2 * first_.size(), ' ');
    }
    out_ += '}';
    if (first_.empty()) out_ += '\n';
}

void JsonWriter::beginArray() {
    separate();
    out_ += '[';
    first_.push_back(true);
}

void JsonWriter::endArray() {
    bool empty = first_.back();
    first_.pop_back();
    if (!empty) {
        out_ += '\n';
        out_.append(2 * first_.size(), ' ');
    }
    out_ += ']';
    if (first_.empty()) out_ += '\n';
}

void JsonWriter::key(const std::string& name) {
    separate();
    out_ += quote(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::value(const std::string& text) {
    separate();
    out_ += quote(text);
}

void JsonWriter::value(int64_t number) {
    separate();
    out_ += std::to_string(number);
}

void JsonWriter::value(double number) {
    separate();
    if (!std::isfinite(number)) {
        out_ += "null";
        return;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", number);
    out_ += buffer;
}

void JsonWriter::value(bool flag) {
    separate();
    out_ += flag ? "true" : "false";
}

void JsonWriter::integers(const std::vector<int64_t>& numbers) {
    separate();
    out_ += '[';
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i) out_ += ", ";
        out_ += std::to_string(numbers[i]);
    }
    out_ += ']';
}

}  // namespace orvex::cli
