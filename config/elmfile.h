#pragma once
// The element list and the EDS list: what each X-ray channel measures.
//
//   1   "Fe"   "ka"   "1"
//
// One entry per line: the entry number, then three quoted fields.
#include <array>
#include <istream>
#include <string>

namespace orvex {

class ELMFILE {
public:
    static constexpr int kMaxEntries = 16;
    static constexpr int kLineLength = 100;  // characters of a line that are looked at
    static constexpr int kMaxLines = 20;
    static constexpr int kShortLine = 20;    // a line this short or shorter ends the list
    static constexpr int kNumberReach = 20;  // the entry number starts within this many characters

    std::string path;  // the file; the value of its key
    std::string key;   // "elmfile" or "edsfile"
    std::array<std::string, kMaxEntries> textA, textB, textC;
    int count = -1;    // number of the last entry read (1-16), or -1
    int valid = 0;     // the last read gave 1 to 16 entries
    int capacity = 0;  // entries wanted
    char quote = '"';  // quote written around the fields
    std::string defaultName = "noname";

    /// Reads the file at path (nothing when the path is empty). Quote faults are
    /// reported with the caption "reading elmfile" and leave the entry's fields empty.
    void Read();
    /// Reads the entries from a stream, as Read does from the file.
    void Read(std::istream& in);

    /// Writes entries 1..count to path (nothing when it is empty); false with
    /// "Error opening ELMFILE object" when the file cannot be written.
    bool Write() const;

    /// count := n (kept within the 16 entries), valid := 1.
    void SetCount(int n);
    /// Sets the fields of entry i + 1.
    void SetEntry(int i, const std::string& a, const std::string& b, const std::string& c);

    /// The name a channel of entry i + 1 shows: textA and textB joined, leading
    /// blanks removed, other blanks as "_"; "ov_blank" when nothing is left, and
    /// "noname" for an index beyond the list.
    std::string ChannelName(int i) const;

    /// Empties the fields; count -1, not valid.
    void Clear();
};

/// The element list (key "elmfile").
ELMFILE& elmFile();
/// The EDS list (key "edsfile").
ELMFILE& edsFile();
/// Puts both lists back to their start-up state (for tests).
void resetElementLists();

namespace config {

/// Where the default lists are written when none can be read.
inline constexpr const char* kDefaultElementFile = "./tarnak.elm";

/// Names the keys of the two lists ("elmfile", "edsfile"); start-up does this
/// before the settings are read.
void NameElementListKeys();

/// After the settings are read: reads both lists, falling back to the default
/// files and writing default lists (with their messages) when nothing valid is
/// found. The EDS list is only read when an EDS maximum is non-zero.
void InitializeElementLists();

}  // namespace config
}  // namespace orvex
