#pragma once
// Sectioned key=value text files, the form every setting of the system is kept in.
//
//   [section]
//   key = value
//
// Section and key names match without regard to case; blanks around names and
// values do not count; a value in double quotes is read without them. The first
// matching entry wins, also when a section appears twice. Writing replaces the
// value of that entry where it stands, or adds the entry (and its section); every
// other line of the file, comments and unknown keys included, stays as it was.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvex::config {

/// A profile file held in memory, line by line with each line's own ending, so
/// that writing it back reproduces every untouched byte.
class ProfileText {
public:
    /// Splits text into lines (LF, CR LF and a lone CR all end a line).
    static ProfileText parse(std::string_view text);

    /// The value of the first matching entry, trimmed and unquoted.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;

    /// Sets an entry; false when the names cannot be written as a profile line
    /// (empty, holding a line break, a key holding "=", a section holding "]").
    /// A line break in the value ends it.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    /// The whole file as text.
    std::string text() const;

private:
    struct Line {
        std::string text;  // without its ending
        std::string end;   // "\n", "\r\n", "\r" or "" for a last line without one
    };
    std::string lineEnd() const;
    std::vector<Line> lines_;
    // The first value of every section and key, by "section\nkey" in lower
    // case (no name holds a line break): built on the first find after a
    // change, so reading all settings classifies each line once.
    mutable std::optional<std::unordered_map<std::string, std::string>> index_;
};

/// Files larger than this are not taken as profile files: reads give the
/// defaults and writes refuse, so a stray huge file is never loaded or rewritten.
inline constexpr std::size_t kMaxProfileFileSize = 64u << 20;

/// The string of [section] key, or the default when the file, section or key is
/// missing; cut to bufferSize - 1 characters as a buffer of that size would hold.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize = 256);

/// The decimal number at the start of the value (0 when it has none); the
/// default when the key is missing or its value empty.
int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue);

/// The leading decimal number of the value (sign, digits, point, exponent);
/// 0 when the value holds no number; the default when the key is missing.
double ReadProfileReal(const std::string& path, const std::string& section,
                       const std::string& key, double defaultValue,
                       std::size_t bufferSize = 256);

/// Reads a boolean key by the boolean rule (ParseBoolean); defaultText is what a
/// missing key reads as ("false", "true", ...).
bool ReadProfileBool(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& defaultText, std::size_t bufferSize = 256);

/// Writes [section] key=value; the file is created when missing. The new file is
/// written beside the old one and renamed over it, so a failed write leaves the
/// old file whole. False when the file cannot be written.
bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value);

/// Writes a decimal integer.
bool WriteProfileInt(const std::string& path, const std::string& section, const std::string& key,
                     int value);

/// Writes a real with the given number of significant digits (as %g does).
bool WriteProfileReal(const std::string& path, const std::string& section,
                      const std::string& key, double value, int significantDigits = 6);

/// Writes a boolean as "true"/"false", or "TRUE"/"FALSE" when upperCase is set.
bool WriteProfileBool(const std::string& path, const std::string& section, const std::string& key,
                      bool value, bool upperCase = false);

/// While a batch on a path is alive, reads and writes of that path work on the
/// file held in memory, and the file is written once when the outermost batch
/// ends (through a temporary file and a rename, as every write; when that fails
/// the old file stays whole). Saving all settings this way costs one file write
/// instead of one per key.
class ProfileBatch {
public:
    explicit ProfileBatch(const std::string& path);
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

private:
    std::string path_;
};

/// The boolean rule of every boolean key: "on", "true", "yes" give true and
/// "off", "false", "no" false, compared as whole words without regard to case;
/// anything else gives false after the message "READINI: bIsOn".
bool ParseBoolean(const std::string& text);

/// The decimal integer at the start of text (after blanks, with an optional
/// sign), saturated to the int range; 0 when there is none.
int LeadingInteger(std::string_view text);

/// The decimal real at the start of text (after blanks); 0 when there is none.
double LeadingReal(std::string_view text);

/// A path named in a settings file, with "\" taken as a folder separator, so
/// files carried over from the Windows station still open.
std::string LocalPath(const std::string& path);

/// Writes data to path through a temporary file beside it and a rename; false
/// when anything fails, and the old file is then untouched.
bool ReplaceFile(const std::string& path, std::string_view data);

/// The whole file, or nothing when it cannot be read or is larger than maxSize.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxSize);

}  // namespace orvex::config
