#pragma once
// False-colour definitions: colours laid on grey-level ranges (Pixel Ranges)
// or a smooth ramp through chosen grey levels (Interpolate), the palette they
// make from a base palette, and their ".fc" files.
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct FalseColourItem {
    static constexpr size_t kNameLength = 51;
    int32_t from = 0;  // Interpolate: the grey level; Pixel Ranges: the first level
    int32_t to = 0;    // Pixel Ranges: the last level (inclusive)
    uint32_t colour = 0;  // 0x00BBGGRR
    std::string name;
};

struct FalseColourDefinition {
    int interpolate = 1;  // 1 Interpolate, 0 Pixel Ranges
    std::vector<FalseColourItem> items;
};

/// The palette of a definition over a base palette of N entries (N entries).
std::vector<uint32_t> BuildFalseColourPalette(const FalseColourDefinition& definition,
                                              const std::vector<uint32_t>& base);

/// The item that colours a level: the last one at exactly that level
/// (Interpolate) or the last one whose range holds it (Pixel Ranges); -1 when none.
int FalseColourItemAt(const FalseColourDefinition& definition, int level);

/// Takes the selection [start, end] out of the definition: Interpolate drops
/// the first item at start; Pixel Ranges removes items inside the selection,
/// cuts those that reach into it and splits one that holds it with room on
/// both sides.
void DeleteFalseColourRange(FalseColourDefinition& definition, int start, int end);
/// Replaces what the selection covers by one new item.
void AddFalseColour(FalseColourDefinition& definition, int start, int end, uint32_t colour,
                    const std::string& name);

/// Writes an ".fc" file; false when it could not be saved.
bool WriteFalseColourFile(const std::string& path, const FalseColourDefinition& definition);
/// Reads an ".fc" file into the definition (its items emptied first); items
/// reaching beyond the palette count are skipped. False when the file cannot be read.
bool ReadFalseColourFile(const std::string& path, int paletteCount, FalseColourDefinition& definition);
/// "last.fc" in the program's folder.
std::string LastFalseColourPath(const std::string& programFolder);

}  // namespace orvex
