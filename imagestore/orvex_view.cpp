#include "imagestore/orvex_view.h"

#include "imagestore/window_list.h"

namespace orvex {

void ViewImage::ReportProgress(int percent) { orvex::ReportProgress(percent); }

}  // namespace orvex
