#pragma once
// The filter commands: Advanced > Modify Image > Convolution and Filter,
// Advanced > Special Effects > Erode, Dilate and Median, and the Filter
// dialog, which picks its high value through the image picker.
#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/filters.h"

namespace orvex {

/// "Filter" on one image: "Low Value", "High Value", the range hint, "Keep
/// Inside" / "Keep Outside", "Create B/W Mask", "Pick Low" (the mean of a
/// drawn rectangle), "Pick High" (a picked pixel), "OK", "Cancel".
class FilterDialog : public platform::DialogModel {
public:
    explicit FilterDialog(ImageHandle image);
    bool pressed(platform::DialogControl& control) override;
    /// The window taken on OK.
    const GreyWindow& window() const { return window_; }

private:
    void pickLow();
    void pickHigh();
    ImageHandle image_;
    GreyWindow window_;
};

/// The commands on the active image window; each returns the new window or none.
ImageHandle OnConvolution();
ImageHandle OnFilter();
ImageHandle OnErode();
ImageHandle OnDilate();
ImageHandle OnMedian();

/// Enters the filter commands in the command table.
void RegisterFilterCommands();

}  // namespace orvex
