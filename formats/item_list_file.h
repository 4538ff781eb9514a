#pragma once
// The sectioned text files of the toolkit (colour lists, false-colour and
// classification descriptions, control points, formulas, kernels): a title,
// then "BEGIN name" ... "END name" sections holding key=value lines, every
// line ending in CR LF. The owners of the contents only open sections and
// read or write typed values.
#include <cstdio>
#include <string>
#include <vector>

#include "formats/scan_string.h"
#include "platform/ui.h"

namespace orvex::formats {

class ItemListFile {
public:
    enum class Direction { Read, Write };

    ItemListFile() = default;
    ItemListFile(const ItemListFile&) = delete;
    ItemListFile& operator=(const ItemListFile&) = delete;
    /// Closes the file (a file being written is saved).
    ~ItemListFile();

    /// Opens for reading (the file unchanged) or writing (created or replaced
    /// when closed). False when a file to read cannot be opened.
    bool Open(const std::string& path, Direction direction);
    /// Ends the file; a written file replaces its target atomically. False when
    /// that save failed.
    bool Close();
    bool IsOpen() const { return open_; }

    /// Writes the title element (writing only).
    void WriteTitle(const std::string& text);

    /// Writing: starts a section one level deeper. Reading: enters the section
    /// when it is the next section start in the file; fails otherwise, with
    /// the position unchanged.
    bool BeginSection(const std::string& name);
    /// Writing: writes the end of the innermost section. Reading: moves past
    /// the end line of the current section.
    bool EndSection();
    /// Number of sections open.
    int Depth() const { return static_cast<int>(sections_.size()); }

    /// Writes "key=text" at the current depth.
    void WriteValue(const std::string& key, const std::string& text);
    /// Writes the values with a printf format.
    template <class... Values>
    void WriteValue(const std::string& key, const char* format, Values... values) {
        int length = std::snprintf(nullptr, 0, format, values...);
        std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
        if (length > 0) std::snprintf(text.data(), text.size() + 1, format, values...);
        WriteValue(key, text);
    }
    void WriteText(const std::string& key, const std::string& text) { WriteValue(key, text); }
    void WriteInt(const std::string& key, int value);
    void WriteLong(const std::string& key, long value);
    void WriteYesNo(const std::string& key, bool value);
    void WriteRect(const std::string& key, const platform::PixelRect& rect);

    /// Finds the key and gives its value text (without the line end).
    /// Sequential: the next value line of the current section before any
    /// section start or end. Not sequential: anywhere at the current section's
    /// own level, the first occurrence after the position first. Found or not,
    /// a failed search leaves the position unchanged.
    bool ReadValue(const std::string& key, bool sequential, std::string& value);
    /// Finds the key and parses its value with a scanf format; unmatched
    /// targets are left unchanged.
    template <class... Targets>
    bool ReadValue(const std::string& key, bool sequential, const char* format,
                   Targets*... targets) {
        std::string text;
        if (!ReadValue(key, sequential, text)) return false;
        KTvsscanf(text, format, targets...);
        return true;
    }
    bool ReadText(const std::string& key, std::string& text, bool sequential = true) {
        return ReadValue(key, sequential, text);
    }
    bool ReadInt(const std::string& key, int& value, bool sequential = true);
    bool ReadLong(const std::string& key, long& value, bool sequential = true);
    bool ReadYesNo(const std::string& key, bool& value, bool sequential = true);
    bool ReadRect(const std::string& key, platform::PixelRect& rect, bool sequential = true);

    /// Reads from a text already in memory (the fuzzers and tests use it).
    void OpenText(std::string contents);

private:
    struct Section {
        std::string name;
        size_t start = 0;  // position just after the start line
    };
    enum class LineKind { Start, End, Other };

    // Reads the line at pos (at most maxChars characters of it are kept) and
    // moves pos past its end.
    std::string nextLine(size_t& pos, size_t maxChars) const;
    static LineKind classify(const std::string& line, std::string& name);
    void writeLine(const std::string& text);
    std::string indent() const { return std::string(sections_.size(), ' '); }

    bool open_ = false;
    Direction direction_ = Direction::Read;
    std::string path_;
    std::string contents_;  // the file read, or the text being written
    size_t position_ = 0;
    std::vector<Section> sections_;
};

/// The item-list files of the toolkit: file name of the state last used,
/// file-dialog filter, title and section.
struct ItemListLayout {
    const char* lastFile;  // beside the program; null when the file has a fixed name
    const char* filter;
    const char* title;     // null: the file has no title
    const char* section;
};
extern const ItemListLayout kFalseColourList;     // ".fc"
extern const ItemListLayout kColourList;          // ".cl"
extern const ItemListLayout kClassificationList;  // ".cy"
extern const ItemListLayout kControlPointList;    // ".cp"
extern const ItemListLayout kFormulaList;         // "formulas.txt"
extern const ItemListLayout kMatrixList;          // "matrix.txt"

}  // namespace orvex::formats
