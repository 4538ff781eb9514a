#include "gui/menu_layout.h"

#include <map>

#include "app/command_table.h"

namespace orvex::gui {

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
        for (const char* entry : kLayout) m[app::NormalisedMenuPath(entry)] = i++;
        return m;
    }();
    const auto it = ranks.find(app::NormalisedMenuPath(path));
    if (it != ranks.end()) return it->second;
    // Unknown commands after the known ones of their top menu.
    const std::string top = app::NormalisedMenuPath(app::SplitMenuPath(path).front());
    int last = -1;
    for (const auto& [key, rank] : ranks)
        if (key.rfind(top + " >", 0) == 0) last = std::max(last, rank);
    return last < 0 ? 100000 : last * 1 + 1;  // ties keep table order (stable sort)
}

}  // namespace orvex::gui
