#include "imagestore/value_range.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

constexpr const char* kBadImage = "Bad Image";
constexpr const char* kBadDepth = "unimplemented image depth";

bool usable(const Image* image) { return image && image->IsAllocated(); }

// One pass over every row, keeping the smallest and largest value.
template <class Pixel>
void scanRows(const Image& image, unsigned& low, unsigned& high) {
    std::vector<Pixel> row(static_cast<size_t>(image.Width()));
    Pixel lo = static_cast<Pixel>(std::min<unsigned>(low, 0xFFFF));
    Pixel hi = static_cast<Pixel>(std::min<unsigned>(high, 0xFFFF));
    for (int r = 0; r < image.Height(); ++r) {
        image.ReadLine(r, row.data(), sizeof(Pixel) * 8);
        for (Pixel v : row) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (image.Height() > 0 && image.Width() > 0) {
        low = std::min<unsigned>(low, lo);
        high = std::max<unsigned>(high, hi);
    }
}

void scan(const Image& image, unsigned& low, unsigned& high) {
    if (image.Depth() == 16)
        scanRows<uint16_t>(image, low, high);
    else
        scanRows<uint8_t>(image, low, high);
}

}  // namespace

unsigned OV_ScanForMin(const Image* image) {
    static const char* kCaption = "OV_ScanForMin()";
    if (!usable(image)) {
        platform::showMessage(kBadImage, kCaption);
        return 0;
    }
    if (image->Depth() != 8 && image->Depth() != 16) {
        platform::showMessage(kBadDepth, kCaption);
        return 0;
    }
    unsigned low = 0xFFFF, high = 0;
    scan(*image, low, high);
    return low;
}

unsigned OV_ScanForMax(const Image* image) {
    static const char* kCaption = "OV_ScanForMax()";
    if (!usable(image)) {
        platform::showMessage(kBadImage, kCaption);
        return 0;
    }
    if (image->Depth() != 8 && image->Depth() != 16) {
        platform::showMessage(kBadDepth, kCaption);
        return 0xFFFF;
    }
    unsigned low = 0xFFFF, high = 0;
    scan(*image, low, high);
    return high;
}

void OV_ScanForMinMax(const Image* image, unsigned& min, unsigned& max) {
    if (!usable(image)) {
        platform::showMessage(kBadImage, "OV_ScanForMinMax()");
        return;
    }
    if (image->Depth() != 8 && image->Depth() != 16) {
        // The pass shares its depth check with the maximum scan.
        platform::showMessage(kBadDepth, "OV_ScanForMax()");
        min = 0;
        max = 0xFFFF;
        return;
    }
    unsigned low = 0xFFFF, high = 0;
    scan(*image, low, high);
    min = low;
    max = high;
}

unsigned OV_ScanForMin(ImageHandle window) { return OV_ScanForMin(LiveImage(window)); }
unsigned OV_ScanForMax(ImageHandle window) { return OV_ScanForMax(LiveImage(window)); }
void OV_ScanForMinMax(ImageHandle window, unsigned& min, unsigned& max) {
    OV_ScanForMinMax(LiveImage(window), min, max);
}

}  // namespace orvex
