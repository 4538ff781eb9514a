#pragma once
// A scanf-style reader over a string. The item-list files parse their values
// with the caller's scanf format; this reads them with the ordinary scanf
// conversion rules, but into typed targets, so a long text can never overrun
// a buffer (%s, %c and %[...] fill a std::string).
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvex::formats {

/// Where one conversion stores its value. Integer conversions accept any of the
/// integer targets, floating conversions float or double, %s, %[ and %c a string
/// (%c with width 1 also a char), %n any integer target.
using ScanTarget = std::variant<short*, unsigned short*, int*, unsigned*, long*, unsigned long*,
                                long long*, unsigned long long*, float*, double*, char*,
                                std::string*>;

/// Parses text by a scanf format into the targets, in order. Returns the number
/// of values assigned, or -1 when the text ended before the first conversion
/// (as scanf returns EOF). A conversion whose text does not match stops the
/// parse and leaves it and every later target unchanged; so does a target of
/// the wrong kind or a missing target.
int ScanString(std::string_view text, std::string_view format,
               const std::vector<ScanTarget>& targets);

/// The variadic form used by the item-list reader: KTvsscanf(text, "%d %lf", &i, &x).
template <class... Targets>
int KTvsscanf(std::string_view text, std::string_view format, Targets*... targets) {
    return ScanString(text, format, std::vector<ScanTarget>{ScanTarget(targets)...});
}

}  // namespace orvex::formats
