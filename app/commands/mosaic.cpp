// The menu commands of Advanced > Concatenate Images.
#include <utility>

#include "app/command_table.h"
#include "imagestore/image_interface.h"
#include "processing/mosaic.h"

namespace orvex {

void RegisterMosaicCommands() {
    auto add = [](const char* text, void (*run)(), const char* status) {
        app::AddImageCommand(std::string("Advanced > Concatenate Images > ") + text, run, status);
    };
    add("&Mosaic", [] { ov_mosaic(); }, "Assemble registered images by their coordinates");
    add("&Pave", [] { ov_pave(); }, "Lay images side by side");
    add("&Combine", [] { ov_make_stereo_pair(); }, "Put two images side by side as a stereo pair");
}

}  // namespace orvex
