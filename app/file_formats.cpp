// The readers that open their own image windows: the 24-bit BMP split into
// three colour bands, and the grids.
#include "app/application.h"
#include "formats/bmp.h"
#include "formats/grid.h"

namespace orvex::app {

void InstallFileOpeners(Application& a) {
    if (!a.openBmp24)
        a.openBmp24 = [](const std::string& path) {
            std::vector<ImageHandle> windows;
            if (ImageHandle red = formats::ReadBmpColourSplit(path)) windows.push_back(red);
            return windows;
        };
    if (!a.openGrid)
        a.openGrid = [](const std::string& path, bool sixteenBit) { return formats::ReadGrid(path, sixteenBit); };
}

}  // namespace orvex::app
