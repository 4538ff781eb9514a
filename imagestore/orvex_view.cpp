#include "imagestore/orvex_view.h"

#include <string>

#include "app/window_list.h"
#include "platform/ui.h"

namespace orvex {

void ViewImage::ReportProgress(int percent) {
    if (windowList().hooks.reportProgress)
        windowList().hooks.reportProgress(percent);
    else
        platform::ui().setProgress(percent, std::to_string(percent) + "%");
}

}  // namespace orvex
