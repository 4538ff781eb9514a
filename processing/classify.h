#pragma once
// Minimum-distance classification of co-registered bands (element maps of one
// area) into phases, and the clustering pass that finds classes by itself.
// A class is one integer mean per band; the result is an 8-bit image of class
// numbers (0 unclassified) whose palette holds the class colours.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/surface.h"
#include "platform/ui.h"

namespace orvex {

constexpr int kMaxClassBands = 10;
constexpr int kMaxAppliedClasses = 100;
constexpr size_t kClassNameLength = 79;

/// The colours new classes take in turn (0x00BBGGRR).
extern const uint32_t kDefaultClassColours[14];

struct ClassItem {
    std::string name;
    uint32_t colour = 0;        // 0x00BBGGRR
    std::vector<int> means;     // one per band
    platform::PixelRect area;   // training rectangle, both bounds inclusive; all 0 when none
};

/// A class set as its ".cy" file holds it.
struct ClassSet {
    bool isMinimum = true;
    long minimum = 30;
    int bands = 0;
    std::vector<ClassItem> classes;
};

/// The n-th root (n = number of bands) of the summed squared differences,
/// truncated: the squared difference itself for one band.
int ClassDistance(const int* means, const uint8_t* values, int bands);

/// Classifies the rectangle (left, top inclusive; right, bottom exclusive) of
/// the bands, or the whole first band when none is given, into a new window.
/// Pixels nearer than `limit` to a class take its number. With a log path the
/// report is appended to that file. None when there are more than 100 classes
/// or 10 bands, or the bands differ in size.
ImageHandle ClassifyImages(const std::vector<ImageHandle>& bands, const std::vector<ClassItem>& classes,
                           double limit, const std::optional<platform::Rect>& area,
                           const std::string& logPath, const std::string& label);

/// One clustering pass over every 10th row of the bands; the clusters found,
/// with their means and colours (names left empty). None when the bands
/// differ in size.
std::vector<ClassItem> AutoCluster(const std::vector<ImageHandle>& bands, int maxClasses,
                                   double spectralDistance, double mergeDistance);

/// The per-band means of the bands' 8-bit values inside the rectangle (both
/// bounds inclusive, clipped to the image).
std::vector<int> TrainClass(const std::vector<ImageHandle>& bands, const platform::PixelRect& area);

/// ".cy" files. Reading fails when the file cannot be opened or holds no
/// "Items" section; classes are read until one is incomplete.
bool ReadClassSet(const std::string& path, ClassSet& set);
bool WriteClassSet(const std::string& path, const ClassSet& set);

}  // namespace orvex
