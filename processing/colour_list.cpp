#include "processing/colour_list.h"

#include <algorithm>

#include "formats/item_list_file.h"
#include "platform/surface.h"
#include "platform/ui.h"

namespace orvex {

using formats::ItemListFile;
using platform::ControlKind;

std::vector<ColourListEntry> ReadColourList(const std::string& path) {
    std::vector<ColourListEntry> list;
    ItemListFile file;
    if (!file.Open(path, ItemListFile::Direction::Read)) return list;
    if (file.BeginSection(formats::kColourList.section)) {
        while (true) {
            long colour = 0;
            std::string text, name;
            if (!file.ReadValue("Item", true, text)) break;
            if (formats::KTvsscanf(text, "%ld %[^\r\n]", &colour, &name) < 1) continue;
            if (name.size() > ColourListEntry::kNameLength) name.resize(ColourListEntry::kNameLength);
            list.push_back({static_cast<uint32_t>(colour) & 0xFFFFFFu, name});
        }
        file.EndSection();
    }
    file.Close();
    return list;
}

bool WriteColourList(const std::string& path, const std::vector<ColourListEntry>& list) {
    ItemListFile file;
    if (!file.Open(path, ItemListFile::Direction::Write)) return false;
    file.WriteTitle(formats::kColourList.title);
    file.BeginSection(formats::kColourList.section);
    for (const auto& e : list) file.WriteValue("Item", "%ld %s", static_cast<long>(e.colour), e.name.c_str());
    file.EndSection();
    return file.Close();
}

std::string LastColourListPath(const std::string& programFolder) {
    return programFolder + "/" + formats::kColourList.lastFile;
}

namespace {

platform::FileRequest colourListFile(bool save, const std::string& programFolder) {
    platform::FileRequest request;
    request.save = save;
    request.title = save ? "Save Color List" : "Load Color List";
    request.filters = {{"Color list", "*.cl"}};
    request.defaultExtension = "cl";
    request.name = "*.cl";
    request.folder = programFolder;
    return request;
}

}  // namespace

ColourListDialog::ColourListDialog(const std::string& prompt, std::vector<ColourListEntry> list,
                                   uint32_t initial, std::string programFolder)
    : DialogModel(prompt), list_(std::move(list)), programFolder_(std::move(programFolder)) {
    add({.label = kList, .kind = ControlKind::Canvas, .value = -1, .width = 320, .height = 12 * kRowHeight});
    add({.label = kName, .kind = ControlKind::Edit});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    add({.label = "Save...", .kind = ControlKind::Button});
    add({.label = "Load...", .kind = ControlKind::Button});
    add({.label = "Add...", .kind = ControlKind::Button});
    add({.label = "Delete", .kind = ControlKind::Button});
    int at = -1;
    for (size_t i = 0; i < list_.size() && at < 0; ++i)
        if (list_[i].colour == (initial & 0xFFFFFFu)) at = static_cast<int>(i);
    select(at < 0 && !list_.empty() ? 0 : at);
}

int ColourListDialog::selected() const { return find(kList)->value; }

void ColourListDialog::select(int index) {
    if (index < 0 || index >= static_cast<int>(list_.size())) index = list_.empty() ? -1 : 0;
    find(kList)->value = index;
    refresh();
}

void ColourListDialog::refresh() {
    auto* list = find(kList);
    list->items.clear();
    for (const auto& e : list_) list->items.push_back(e.name);
    const int at = list->value;
    find(kName)->text = at >= 0 ? list_[static_cast<size_t>(at)].name : "";
    find(kName)->enabled = at >= 0;
    find("OK")->enabled = at >= 0;
    find("Delete")->enabled = at >= 0;
}

void ColourListDialog::changed(platform::DialogControl& control) {
    if (control.label == kList) {
        select(control.value);
    } else if (control.label == kName) {
        const int at = selected();
        if (at < 0) return;
        std::string name = control.text;
        if (name.size() > ColourListEntry::kNameLength) name.resize(ColourListEntry::kNameLength);
        list_[static_cast<size_t>(at)].name = name;
        find(kList)->items[static_cast<size_t>(at)] = name;
    }
}

bool ColourListDialog::pressed(platform::DialogControl& control) {
    const int at = selected();
    if (control.label == "Add...") {
        const uint32_t start = at >= 0 ? list_[static_cast<size_t>(at)].colour : 0;
        if (auto colour = platform::ui().chooseColour(start)) {
            const size_t where = at >= 0 ? static_cast<size_t>(at) + 1 : list_.size();
            list_.insert(list_.begin() + static_cast<long>(where), {*colour & 0xFFFFFFu, "untitled"});
            select(static_cast<int>(where));
        }
        return false;
    }
    if (control.label == "Delete") {
        if (at >= 0) {
            list_.erase(list_.begin() + at);
            select(std::min(at, static_cast<int>(list_.size()) - 1));
        }
        return false;
    }
    if (control.label == "Save...") {
        if (auto file = platform::ui().chooseFile(colourListFile(true, programFolder_)))
            if (!WriteColourList(file->path, list_))
                platform::showMessage("Could not write " + file->path, "Color List");
        return false;
    }
    if (control.label == "Load...") {
        if (auto file = platform::ui().chooseFile(colourListFile(false, programFolder_))) {
            list_ = ReadColourList(file->path);
            select(0);
        }
        return false;
    }
    return DialogModel::pressed(control);
}

void ColourListDialog::paint(platform::DialogControl& canvas, platform::Surface& surface) {
    const int width = canvas.width, swatch = width / 4;
    surface.fillRect({0, 0, width, canvas.height}, 0xFFFFFF);
    surface.setTextColour(0);
    surface.text(2, 1, "Choose New Color");
    surface.text(swatch + 4, 1, "Color Name");
    for (size_t i = 0; i < list_.size(); ++i) {
        const int top = static_cast<int>(i + 1) * kRowHeight;
        if (top >= canvas.height) break;
        const bool chosen = static_cast<int>(i) == canvas.value;
        surface.fillRect({0, top, width, top + kRowHeight}, chosen ? 0x800000u : 0xFFFFFFu);
        surface.fillRect({2, top + 2, swatch - 2, top + kRowHeight - 2}, list_[i].colour);
        surface.setTextColour(chosen ? 0xFFFFFFu : 0u);
        surface.text(swatch + 4, top + 1, list_[i].name);
    }
}

void ColourListDialog::mouse(platform::DialogControl& canvas, const platform::CanvasMouse& event) {
    if (event.kind != platform::CanvasMouse::Kind::Down || !event.left) return;
    const int row = event.y / kRowHeight - 1;
    if (row >= 0 && row < static_cast<int>(list_.size())) {
        canvas.value = row;
        select(row);
    }
}

std::optional<ColourListEntry> ChooseColour(const std::string& programFolder,
                                            const std::string& prompt, uint32_t initial) {
    ColourListDialog dialog(prompt, ReadColourList(LastColourListPath(programFolder)), initial,
                            programFolder);
    if (!platform::ui().runDialog(dialog)) return std::nullopt;
    const int at = dialog.selected();
    if (at < 0) return std::nullopt;
    WriteColourList(LastColourListPath(programFolder), dialog.list());
    return dialog.list()[static_cast<size_t>(at)];
}

}  // namespace orvex
