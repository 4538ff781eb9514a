#include "formats/scan_string.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <limits>
#include <string>

namespace orvex::formats {

namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Stores an integer into whichever integer target the caller gave; false for a
// target of another kind.
bool storeInteger(const ScanTarget& target, unsigned long long bits, bool negative) {
    // Two's-complement wrap-around into the target's width, as scanf does in
    // practice for out-of-range values.
    unsigned long long value = negative ? (0ULL - bits) : bits;
    return std::visit(
        [value](auto* pointer) -> bool {
            using T = std::remove_pointer_t<decltype(pointer)>;
            if constexpr (std::is_integral_v<T> && !std::is_same_v<T, char>) {
                *pointer = static_cast<T>(value);
                return true;
            } else {
                return false;
            }
        },
        target);
}

bool storeReal(const ScanTarget& target, double value) {
    if (auto* d = std::get_if<double*>(&target)) {
        **d = value;
        return true;
    }
    if (auto* f = std::get_if<float*>(&target)) {
        **f = static_cast<float>(value);
        return true;
    }
    return false;
}

// The set of a %[...] conversion.
struct CharSet {
    bool member[256] = {};
    bool matches(char c) const { return member[static_cast<unsigned char>(c)]; }
};

// Parses the set starting after '['; returns the format index after ']', or
// npos when the set is not closed.
size_t parseSet(std::string_view format, size_t i, CharSet& set) {
    bool negate = false;
    if (i < format.size() && format[i] == '^') {
        negate = true;
        ++i;
    }
    bool chosen[256] = {};
    bool first = true;
    while (i < format.size() && (first || format[i] != ']')) {
        unsigned char c = static_cast<unsigned char>(format[i]);
        if (!first && i + 2 < format.size() && format[i + 1] == '-' && format[i + 2] != ']') {
            unsigned char last = static_cast<unsigned char>(format[i + 2]);
            for (unsigned v = c; v <= last; ++v) chosen[v] = true;
            i += 3;
        } else {
            chosen[c] = true;
            ++i;
        }
        first = false;
    }
    if (i >= format.size()) return std::string_view::npos;
    for (int v = 0; v < 256; ++v) set.member[v] = chosen[v] != negate;
    return i + 1;
}

}  // namespace

int ScanString(std::string_view text, std::string_view format,
               const std::vector<ScanTarget>& targets) {
    size_t in = 0;
    size_t nextTarget = 0;
    int assigned = 0;
    bool converted = false;  // any conversion (even suppressed) succeeded

    auto inputFailure = [&]() { return converted ? assigned : -1; };

    size_t f = 0;
    while (f < format.size()) {
        char fc = format[f];
        if (isSpace(fc)) {
            while (f < format.size() && isSpace(format[f])) ++f;
            while (in < text.size() && isSpace(text[in])) ++in;
            continue;
        }
        if (fc != '%') {
            if (in >= text.size()) return inputFailure();
            if (text[in] != fc) return assigned;
            ++in;
            ++f;
            continue;
        }
        // A conversion: %[*][width][length]kind
        ++f;
        if (f >= format.size()) return assigned;
        if (format[f] == '%') {
            while (in < text.size() && isSpace(text[in])) ++in;
            if (in >= text.size()) return inputFailure();
            if (text[in] != '%') return assigned;
            ++in;
            ++f;
            continue;
        }
        bool suppress = false;
        if (format[f] == '*') {
            suppress = true;
            ++f;
        }
        size_t width = 0;
        while (f < format.size() && std::isdigit(static_cast<unsigned char>(format[f]))) {
            width = std::min<size_t>(width * 10 + static_cast<size_t>(format[f] - '0'), 1u << 30);
            ++f;
        }
        while (f < format.size() && std::strchr("hlLqjzt", format[f]) != nullptr) ++f;
        if (f >= format.size()) return assigned;
        char kind = format[f++];

        const ScanTarget* target = nullptr;
        if (!suppress) {
            if (nextTarget >= targets.size()) return assigned;
            target = &targets[nextTarget];
        }

        if (kind == 'n') {
            if (!suppress) {
                if (!storeInteger(*target, in, false)) return assigned;
                ++nextTarget;
            }
            continue;
        }

        if (kind != 'c' && kind != '[') {
            while (in < text.size() && isSpace(text[in])) ++in;
        }
        if (in >= text.size()) return inputFailure();
        size_t limit = width == 0 ? text.size() - in : std::min(width, text.size() - in);
        std::string_view field = text.substr(in, limit);

        switch (kind) {
            case 'd':
            case 'i':
            case 'u':
            case 'o':
            case 'x':
            case 'X': {
                size_t p = 0;
                bool negative = false;
                if (p < field.size() && (field[p] == '+' || field[p] == '-')) {
                    negative = field[p] == '-';
                    ++p;
                }
                int base = kind == 'o' ? 8 : (kind == 'x' || kind == 'X') ? 16 : 10;
                if (kind == 'i') {
                    if (p < field.size() && field[p] == '0') {
                        base = 8;
                        if (p + 2 < field.size() && (field[p + 1] == 'x' || field[p + 1] == 'X') &&
                            digitValue(field[p + 2]) < 16) {
                            base = 16;
                            p += 2;
                        }
                    }
                } else if (base == 16 && p + 2 < field.size() && field[p] == '0' &&
                           (field[p + 1] == 'x' || field[p + 1] == 'X') &&
                           digitValue(field[p + 2]) < 16) {
                    p += 2;
                }
                size_t digitsStart = p;
                unsigned long long value = 0;
                bool overflow = false;
                while (p < field.size() && digitValue(field[p]) < base) {
                    unsigned long long next = value * static_cast<unsigned>(base) +
                                              static_cast<unsigned>(digitValue(field[p]));
                    if (value > (ULLONG_MAX - static_cast<unsigned>(digitValue(field[p]))) /
                                    static_cast<unsigned>(base))
                        overflow = true;
                    value = next;
                    ++p;
                }
                if (p == digitsStart) return assigned;
                if (overflow) value = ULLONG_MAX;
                if ((kind == 'd' || kind == 'i') && value > static_cast<unsigned long long>(LLONG_MAX))
                    value = negative ? 0x8000000000000000ULL : static_cast<unsigned long long>(LLONG_MAX);
                in += p;
                converted = true;
                if (!suppress) {
                    if (!storeInteger(*target, value, negative)) return assigned;
                    ++nextTarget;
                    ++assigned;
                }
                break;
            }
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A': {
                // strtod needs a terminated copy; the field is at most the rest of the text.
                std::string copy(field.substr(0, std::min<size_t>(field.size(), 4096)));
                char* end = nullptr;
                errno = 0;
                double value = std::strtod(copy.c_str(), &end);
                size_t used = static_cast<size_t>(end - copy.c_str());
                if (used == 0) return assigned;
                in += used;
                converted = true;
                if (!suppress) {
                    if (!storeReal(*target, value)) return assigned;
                    ++nextTarget;
                    ++assigned;
                }
                break;
            }
            case 's': {
                size_t p = 0;
                while (p < field.size() && !isSpace(field[p])) ++p;
                in += p;
                converted = true;
                if (!suppress) {
                    auto* s = std::get_if<std::string*>(target);
                    if (!s) return assigned;
                    (*s)->assign(field.substr(0, p));
                    ++nextTarget;
                    ++assigned;
                }
                break;
            }
            case 'c': {
                size_t count = width == 0 ? 1 : width;
                if (field.size() < count) count = field.size();
                in += count;
                converted = true;
                if (!suppress) {
                    if (auto* s = std::get_if<std::string*>(target)) {
                        (*s)->assign(field.substr(0, count));
                    } else if (auto* c = std::get_if<char*>(target); c && count == 1) {
                        **c = field[0];
                    } else {
                        return assigned;
                    }
                    ++nextTarget;
                    ++assigned;
                }
                break;
            }
            case '[': {
                CharSet set;
                size_t after = parseSet(format, f, set);
                if (after == std::string_view::npos) return assigned;
                f = after;
                size_t p = 0;
                while (p < field.size() && set.matches(field[p])) ++p;
                if (p == 0) return assigned;
                in += p;
                converted = true;
                if (!suppress) {
                    auto* s = std::get_if<std::string*>(target);
                    if (!s) return assigned;
                    (*s)->assign(field.substr(0, p));
                    ++nextTarget;
                    ++assigned;
                }
                break;
            }
            default:
                return assigned;
        }
    }
    return assigned;
}

}  // namespace orvex::formats
