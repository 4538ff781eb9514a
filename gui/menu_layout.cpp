#include "gui/menu_layout.h"

#include <cctype>
#include <map>

#include "app/command_table.h"

namespace orvex::gui {

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = path.find('>', start);
        std::string part = path.substr(start, at == std::string::npos ? std::string::npos : at - start);
        const size_t first = part.find_first_not_of(' ');
        const size_t last = part.find_last_not_of(' ');
        parts.push_back(first == std::string::npos ? std::string() : part.substr(first, last - first + 1));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return parts;
}

std::string menuKey(const std::string& path) {
    std::string key;
    for (const std::string& part : splitPath(path)) {
        if (!key.empty()) key += " > ";
        for (size_t i = 0; i < part.size(); ++i) {
            // "&&" is a literal ampersand, a single "&" marks the mnemonic.
            if (part[i] == '&') {
                if (i + 1 < part.size() && part[i + 1] == '&') {
                    key += '&';
                    ++i;
                }
                continue;
            }
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(part[i])));
        }
    }
    return key;
}

const std::vector<std::string>& topMenus() { return app::TopMenus(); }

namespace {

const char* const kLayout[] = {
    "File > Open...", "File > Close", "File > Close All", "File > Save", "File > Save As...",
    "File > Save History", "File > Print...", "File > Print Preview", "File > Print Setup...",
    "File > Exit",
    "Basic > Duplicate", "Basic > Crop", "Basic > Rotate/Flip", "Basic > Statistics",
    "Basic > Contrast Enhancement > Histogram Equalization",
    "Basic > Contrast Enhancement > Linear Stretch", "Basic > Contrast Enhancement > Set Gray Scale",
    "Basic > Contrast Enhancement > Set Color Scale",
    "Basic > Contrast Enhancement > Brightness/Contrast",
    "Basic > Contrast Enhancement > Optimize Palette", "Basic > Contrast Enhancement > Negate Palette",
    "Basic > Contrast Enhancement > Stretch Palette",
    "Basic > Contrast Enhancement > Unstretch Palette", "Basic > False Color",
    "Basic > Display Palette", "Basic > Normalize(16->8)",
    "Advanced > Modify Image > Make mask", "Advanced > Modify Image > Mask Image",
    "Advanced > Modify Image > Formula", "Advanced > Modify Image > Convolution",
    "Advanced > Modify Image > Filter", "Advanced > Modify Image > Resize",
    "Advanced > Rectification", "Advanced > Classify", "Advanced > Composite",
    "Advanced > Histogram-1d", "Advanced > Histogram-2d > Calculate",
    "Advanced > Histogram-2d > Kill pixel", "Advanced > Histogram-2d > Traceback",
    "Advanced > Concatenate Images > Mosaic", "Advanced > Concatenate Images > Pave",
    "Advanced > Concatenate Images > Combine", "Advanced > Special Effects > Erode",
    "Advanced > Special Effects > Dilate", "Advanced > Special Effects > Median",
    "Advanced > Special Effects > Negate Data", "Advanced > Burn In",
    "Acquire > Single", "Acquire > Continuous", "Acquire > Average", "Acquire > Finish",
    "Acquire > Halt",
    "Setup > Analog Inputs...", "Setup > Digital Inputs...", "Setup > Counter Inputs...",
    "Setup > Magnification...", "Setup > Stage Scan Setup...", "Setup > Image Size...",
    "Setup > Scan Type...", "Setup > Scale Bar Setup...", "Setup > Palette Bar Setup...",
    "Setup > Load Setup...", "Setup > Save Setup...", "Setup > Faraday Setup...",
    "Modes > Pixel Snap", "Modes > Stage Snap", "Modes > Release Beam", "Modes > Center",
    "Window > Zoom > In", "Window > Zoom > Out", "Window > Zoom > Extents", "Window > Zoom > Set...",
    "Window > Properties...", "Window > History...", "Window > Global History...",
    "Window > Cascade", "Window > Tile", "Window > Arrange Icons", "Window > Tool Bar",
    "Window > Status Bar", "Window > Histogram/Info", "Window > Color Palette",
    "Window > Zoom Bar", "Window > Acquisition Bar",
    "Help > Help on Orvex", "Help > About Orvex...",
};

}  // namespace

int menuRank(const std::string& path) {
    static const std::map<std::string, int> ranks = [] {
        std::map<std::string, int> m;
        int i = 0;
        for (const char* entry : kLayout) m[menuKey(entry)] = i++;
        return m;
    }();
    const auto it = ranks.find(menuKey(path));
    if (it != ranks.end()) return it->second;
    // Unknown commands after the known ones of their top menu.
    const std::string top = menuKey(splitPath(path).front());
    int last = -1;
    for (const auto& [key, rank] : ranks)
        if (key.rfind(top + " >", 0) == 0) last = std::max(last, rank);
    return last < 0 ? 100000 : last * 1 + 1;  // ties keep table order (stable sort)
}

}  // namespace orvex::gui
