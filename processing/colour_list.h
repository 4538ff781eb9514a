#pragma once
// The colour list: named colours kept in ".cl" files ("last.cl" beside the
// program holds the list last used), and the "Color List" chooser through
// which the contrast and false-colour commands pick colours by name.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_model.h"

namespace orvex {

struct ColourListEntry {
    static constexpr size_t kNameLength = 79;
    uint32_t colour = 0;  // 0x00BBGGRR
    std::string name;
};

/// The entries of a ".cl" file; none when it cannot be read.
std::vector<ColourListEntry> ReadColourList(const std::string& path);
/// Writes a ".cl" file; false when it could not be saved.
bool WriteColourList(const std::string& path, const std::vector<ColourListEntry>& list);
/// "last.cl" in the program's folder.
std::string LastColourListPath(const std::string& programFolder);

/// Dialog "Color List", titled with the prompt: the list (a swatch column
/// "Choose New Color" and a name column "Color Name"), the name of the
/// chosen entry to edit, and "Save...", "Load...", "Add...", "Delete", OK,
/// Cancel. Lists are saved and loaded in the program's folder.
class ColourListDialog : public platform::DialogModel {
public:
    static constexpr const char* kList = "Color List";
    static constexpr const char* kName = "Color Name";
    static constexpr int kRowHeight = 18;

    ColourListDialog(const std::string& prompt, std::vector<ColourListEntry> list, uint32_t initial,
                     std::string programFolder);

    void changed(platform::DialogControl& control) override;
    bool pressed(platform::DialogControl& control) override;
    void paint(platform::DialogControl& canvas, platform::Surface& surface) override;
    void mouse(platform::DialogControl& canvas, const platform::CanvasMouse& event) override;

    const std::vector<ColourListEntry>& list() const { return list_; }
    int selected() const;
    void select(int index);

private:
    void refresh();

    std::vector<ColourListEntry> list_;
    std::string programFolder_;
};

/// The chooser: loads "last.cl" of the program's folder, selects the entry of
/// the initial colour; OK gives the chosen entry and saves the list to "last.cl".
std::optional<ColourListEntry> ChooseColour(const std::string& programFolder,
                                            const std::string& prompt, uint32_t initial = 0);

}  // namespace orvex
