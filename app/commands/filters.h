#pragma once
// The filter commands: Advanced > Modify Image > Convolution and Filter,
// Advanced > Special Effects > Erode, Dilate and Median, with their dialogs.
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/filters.h"

namespace orvex {

/// "Convolutions": the "Name" drop-down of the kernel library (the first
/// kernel chosen at opening), the nine weights "k0" .. "k8", "OK", "Cancel".
/// Choosing a name fills the weights with 3 decimals; OK refuses a weight
/// that is not a number ("Entry must be numeric", the weight's label as caption).
class ConvolutionDialog : public platform::DialogModel {
public:
    explicit ConvolutionDialog(std::vector<Kernel> kernels);
    void initialize() override;
    void changed(platform::DialogControl& control) override;
    bool pressed(platform::DialogControl& control) override;
    /// The kernel taken on OK: the chosen name with the typed weights.
    const Kernel& kernel() const { return kernel_; }

private:
    void show(int index);
    std::vector<Kernel> kernels_;
    Kernel kernel_;
};

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
