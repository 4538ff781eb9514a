#pragma once
// Neighbourhood operations on an image (3 x 3 weighted sums, minimum,
// maximum and median, zero outside the image) and the grey-level window
// filter. Each writes a new image window and leaves the source unchanged.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "processing/kernels/neighbourhood_rows.h"

namespace orvex {

/// A named 3 x 3 kernel: k0-k2 weigh the row above, k3-k5 the row itself,
/// k6-k8 the row below, each from the left neighbour to the right one.
struct Kernel {
    std::string name;
    std::array<float, 9> weights{};
};

/// "matrix.txt" beside the program.
std::string KernelLibraryPath();
/// The kernels of a kernel library, in file order; none when the file is
/// missing. Reading stops at the first "Name" or "ROW3" that cannot be read.
std::vector<Kernel> ReadKernels(const std::string& path);

/// Convolution: a duplicate of the source (Z registration copied, history
/// logged) whose rows become the kernel's sums over the source's 8-bit rows.
ImageHandle Convolve(ImageHandle source, const Kernel& kernel);
/// New 8-bit images of the 3 x 3 minimum or maximum of the 8-bit rows.
ImageHandle Erode(ImageHandle source);
ImageHandle Dilate(ImageHandle source);
/// The 3 x 3 median: 16-bit images give a 16-bit result, others an 8-bit one
/// of their 8-bit rows; with the source's palette and Z registration.
ImageHandle Median(ImageHandle source);

/// What "Filter" keeps of the grey levels.
struct GreyWindow {
    int low = 0;
    int high = 255;
    bool keepInside = true;  // low <= v <= high; else v < low or v > high
    bool mask = false;       // kept pixels become the depth's maximum
};
/// A duplicate of the source in which pixels outside the kept window become 0.
ImageHandle FilterImage(ImageHandle source, const GreyWindow& window);

}  // namespace orvex
