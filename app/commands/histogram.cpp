#include "app/commands/histogram.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/commands/histogram_pick.h"
#include "app/image_picker.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "platform/ui.h"
#include "processing/histogram.h"
#include "processing/histogram2d.h"
#include "processing/mask.h"

namespace orvex {

namespace {

std::string nameOf(ImageHandle window) {
    const OrvexView* view = LiveView(window);
    return view ? view->name : std::string();
}

// Each of these works on images, so none is offered without an image window.
void add(const char* path, std::function<void()> run, const char* status, bool separator = false) {
    app::AddImageCommand(path, std::move(run), status, separator);
}

}  // namespace

ImageHandle histo1() {
    app::PickRequest request;
    request.title = "Histogram-1d";
    request.entries.push_back({"Pick image"});
    if (app::PickImages(request) < 1) return {};
    return Histogram1DImage(request.entries[0].window);
}

ImageHandle histo2() {
    app::PickRequest request;
    request.title = "Histogram-2d";
    request.entries.push_back({"Pick x-axis image"});
    // The loops run over the x-axis image, so the y-axis image must match it.
    request.entries.push_back({"Pick y-axis image", app::PickSameSize});
    if (app::PickImages(request) < 2) return {};
    return Histogram2DImage(request.entries[0].window, request.entries[1].window);
}

ImageHandle chi_traceback() {
    std::vector<ImageHandle> histograms;
    std::vector<std::string> names;
    int recorded = 0;
    for (const auto& e : TracebackTable()) {
        if (e.histogram == 0) continue;
        ++recorded;
        const ImageHandle h{e.histogram};
        if (LiveView(h) && std::find(histograms.begin(), histograms.end(), h) == histograms.end()) {
            histograms.push_back(h);
            names.push_back(nameOf(h));
        }
    }
    // With every recorded histogram closed there is nothing to choose from either.
    if (recorded == 0 || histograms.empty()) {
        platform::showMessage("There is no traceback information available", "chi_traceback()");
        return {};
    }

    TracebackAreaDialog chooser(histograms, names);
    if (!platform::ui().runDialog(chooser) || !chooser.accepted()) return {};
    return TracebackImage(chooser.chosen, chooser.left, chooser.top, chooser.right, chooser.bottom);
}

void OVP_KillPixel() {
    const auto pick = PickImagePixel("Pick pixel");
    if (!pick) return;
    KillPixel(pick->window, pick->column, pick->row);
}

ImageHandle MakeMask() {
    const auto pick = PickImagePixel("Pick image and threshold color");
    if (!pick) return {};
    return OV_Threshold(pick->window, PixelValue(pick->window, pick->column, pick->row));
}

ImageHandle MaskImage() {
    app::PickRequest request;
    request.title = "Mask Image";
    request.entries.push_back({"Pick Source band"});
    request.entries.push_back({"Pick MASK"});
    if (app::PickImages(request) < 2) return {};
    return MaskedImage(request.entries[0].window, request.entries[1].window);
}

void NegateData() {
    const ImageHandle active = ActiveImageWindow();
    if (!LiveImage(active)) return;
    OV_Negate(active);
}

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
