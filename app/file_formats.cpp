#include "app/file_formats.h"

#include <cmath>

#include "acquisition/calmag.h"
#include "app/application.h"
#include "app/palette_bar.h"
#include "config/grid_settings.h"
#include "formats/bmp.h"
#include "formats/pcx.h"
#include "formats/tiff.h"
#include "imagestore/image.h"
#include "imagestore/image_files.h"

namespace orvex::app {

void InstallImageFileFormats() {
    InstallImageFileFormat(ImageFileTiff, {formats::ReadTiff, formats::WriteTiff});
    InstallImageFileFormat(ImageFilePcx, {formats::ReadPcx, nullptr});  // read only
    InstallImageFileFormat(ImageFileBmp, {formats::ReadBmp, formats::WriteBmp});
    InstallImageFileFormat(
        ImageFileGrid,
        {[](Image& image, const std::string& path) {
             return formats::ReadGrid(image, path, false, CurrentGridContext());
         },
         [](Image& image, const std::string& path, int) {
             return formats::WriteGrid(&image, path, GridScaleFactor());
         }});
}

void InstallFileOpeners(Application& a) {
    if (!a.openBmp24)
        a.openBmp24 = [](const std::string& path) {
            std::vector<ImageHandle> windows;
            if (ImageHandle red = formats::ReadBmpColourSplit(path)) windows.push_back(red);
            return windows;
        };
    if (!a.openGrid)
        a.openGrid = [](const std::string& path, bool sixteenBit) {
            return formats::ReadGrid(path, sixteenBit, CurrentGridContext());
        };
}

double GridScaleFactor() {
    double factor = calmag().stageToMicrons;
    // A factor of 0 would put every grid at infinity: take the units as they are.
    return factor != 0.0 && std::isfinite(factor) ? factor : 1.0;
}

formats::GridContext CurrentGridContext() {
    formats::GridContext context;
    context.factor = GridScaleFactor();
    context.zunits = config::gridSettings().zunits;
    if (palfile().hasDefaultPalette()) {
        const auto palette = palfile().defaultPalette();
        context.palette.assign(palette.begin(), palette.end());
    }
    return context;
}

}  // namespace orvex::app
