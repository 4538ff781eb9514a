#include "app/commands/histogram.h"

#include <functional>

#include "app/command_table.h"
#include "imagestore/image_interface.h"
#include "processing/histogram.h"
#include "processing/histogram2d.h"
#include "processing/mask.h"

namespace orvex {

namespace {

// Each of these works on images, so none is offered without an image window.
void add(const char* path, std::function<void()> run, const char* status, bool separator = false) {
    app::AddImageCommand(path, std::move(run), status, separator);
}

}  // namespace

void RegisterHistogramCommands() {
    add("Advanced > Modify Image > M&ake mask", [] { MakeMask(); },
        "Make a mask of the pixels at or above a picked grey level");
    add("Advanced > Modify Image > &Mask Image", [] { MaskImage(); },
        "Keep an image only where a mask is set");
    add("Advanced > Histogram-&1d", [] { histo1(); }, "Show the grey-level histogram of an image", true);
    add("Advanced > Histogram-2d > Calculate", [] { histo2(); },
        "Show the 2-D histogram of two images");
    add("Advanced > Histogram-2d > &Kill pixel", [] { OVP_KillPixel(); }, "Set one picked pixel to 0");
    add("Advanced > Histogram-2d > &Traceback", [] { chi_traceback(); },
        "Show where the pixels of a 2-D histogram area lie in the image");
    add("Advanced > Special Effects > &Negate Data", [] { NegateData(); },
        "Invert the data of the active image");
}

}  // namespace orvex
