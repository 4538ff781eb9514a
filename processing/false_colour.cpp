#include "processing/false_colour.h"

#include <algorithm>
#include <map>

#include "formats/item_list_file.h"

namespace orvex {

using formats::ItemListFile;

std::vector<uint32_t> BuildFalseColourPalette(const FalseColourDefinition& d, const std::vector<uint32_t>& base) {
    std::vector<uint32_t> out(base);
    const int n = static_cast<int>(out.size());
    if (!d.interpolate) {
        for (const auto& item : d.items)
            for (int k = std::max(0, item.from); k <= item.to && k < n; ++k)
                out[static_cast<size_t>(k)] = item.colour & 0xFFFFFFu;
        return out;
    }
    std::map<int, uint32_t> levels;  // a later item at the same level replaces an earlier one
    for (const auto& item : d.items) levels[item.from] = item.colour & 0xFFFFFFu;
    for (auto it = levels.begin(); it != levels.end(); ++it) {
        const int i = it->first;
        const auto next = std::next(it);
        if (next == levels.end()) {
            if (i >= 0 && i < n) out[static_cast<size_t>(i)] = it->second;
            continue;
        }
        const int a = next->first;
        for (int k = std::max(0, i); k <= a && k < n; ++k) {
            const long double x = static_cast<long double>(k - i) / (a - i);
            uint32_t c = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const int c1 = static_cast<int>((it->second >> shift) & 0xFF);
                const int c2 = static_cast<int>((next->second >> shift) & 0xFF);
                c |= static_cast<uint32_t>(static_cast<int>(x * (c2 - c1) + c1) & 0xFF) << shift;
            }
            out[static_cast<size_t>(k)] = c;
        }
    }
    return out;
}

int FalseColourItemAt(const FalseColourDefinition& d, int level) {
    for (int i = static_cast<int>(d.items.size()) - 1; i >= 0; --i) {
        const auto& item = d.items[static_cast<size_t>(i)];
        if (d.interpolate ? item.from == level : item.from <= level && level <= item.to) return i;
    }
    return -1;
}

void DeleteFalseColourRange(FalseColourDefinition& d, int s, int e) {
    auto& items = d.items;
    if (d.interpolate) {
        auto at = std::find_if(items.begin(), items.end(), [s](const FalseColourItem& i) { return i.from == s; });
        if (at != items.end()) items.erase(at);
        return;
    }
    std::vector<FalseColourItem> split;
    for (size_t i = 0; i < items.size();) {
        FalseColourItem& item = items[i];
        if (item.from >= s && item.to <= e) {
            items.erase(items.begin() + static_cast<long>(i));
            continue;
        }
        if (item.from < s && item.to > e) {
            FalseColourItem upper = item;
            upper.from = e + 1;
            item.to = s - 1;
            split.push_back(upper);
        } else if (item.to >= s && item.to <= e) {
            item.to = s - 1;
        } else if (item.from >= s && item.from <= e) {
            item.from = e + 1;
        }
        ++i;
    }
    items.insert(items.end(), split.begin(), split.end());
}

void AddFalseColour(FalseColourDefinition& d, int start, int end, uint32_t colour, const std::string& name) {
    DeleteFalseColourRange(d, start, end);
    FalseColourItem item{start, end, colour & 0xFFFFFFu, name};
    if (item.name.size() > FalseColourItem::kNameLength) item.name.resize(FalseColourItem::kNameLength);
    d.items.push_back(item);
}

bool WriteFalseColourFile(const std::string& path, const FalseColourDefinition& d) {
    ItemListFile file;
    if (!file.Open(path, ItemListFile::Direction::Write)) return false;
    file.WriteTitle(formats::kFalseColourList.title);
    file.BeginSection(formats::kFalseColourList.section);
    file.WriteInt("Interpolate", d.interpolate);
    for (const auto& item : d.items)
        file.WriteValue("Item", "%d %d %ld %s", item.from, item.to, static_cast<long>(item.colour), item.name.c_str());
    file.EndSection();
    return file.Close();
}

bool ReadFalseColourFile(const std::string& path, int paletteCount, FalseColourDefinition& d) {
    d.items.clear();
    ItemListFile file;
    if (!file.Open(path, ItemListFile::Direction::Read)) return false;
    if (file.BeginSection(formats::kFalseColourList.section)) {
        int interpolate = d.interpolate;
        if (file.ReadInt("Interpolate", interpolate, true)) d.interpolate = interpolate ? 1 : 0;
        while (true) {
            int from = 0, to = 0;
            long colour = 0;
            std::string text, name;
            if (!file.ReadValue("Item", true, text)) break;
            // A line without its three numbers is not an item.
            if (formats::KTvsscanf(text, "%d %d %ld %[^\r\n]", &from, &to, &colour, &name) < 3) continue;
            if (from > paletteCount || to > paletteCount) continue;
            if (name.size() > FalseColourItem::kNameLength) name.resize(FalseColourItem::kNameLength);
            d.items.push_back({from, to, static_cast<uint32_t>(colour) & 0xFFFFFFu, name});
        }
        file.EndSection();
    }
    file.Close();
    return true;
}

std::string LastFalseColourPath(const std::string& programFolder) {
    return programFolder + "/" + formats::kFalseColourList.lastFile;
}

}  // namespace orvex
