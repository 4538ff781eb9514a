#pragma once
// The dialog of Advanced > Modify Image > Convolution as a dialog model.
#include <vector>

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

}  // namespace orvex
