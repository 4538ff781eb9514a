#pragma once
// Grey-level statistics of a rectangle (area) or along a line (transect) of
// an image, in pixel units and in the real units of its position and Z
// registrations, and the text they append to a log file.
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/ui.h"

namespace orvex {

/// The statistics of a rectangle, from its percentage histogram.
struct AreaStatistics {
    // Geometry of the bounds: width = right - left, centre = left + width / 2.
    int width = 0, height = 0, centerX = 0, centerY = 0, area = 0;
    double realWidth = 0, realHeight = 0, realCenterX = 0, realCenterY = 0, realArea = 0;
    // Over the values counted (1..254 when black and white are excluded).
    double average = 0;
    float deviation = 0;
    int min = -1, max = -1;  // -1: no value in the range
    double realAverage = 0, realDeviation = 0, realMin = 0, realMax = 0;
    /// P[v] in percent of every pixel of the rectangle, one per palette entry.
    std::vector<float> percent;
};

/// The statistics of a line: the 8-bit values met on the way.
struct TransectStatistics {
    int startX = 0, startY = 0, endX = 0, endY = 0;
    double length = 0;
    double realStartX = 0, realStartY = 0, realEndX = 0, realEndY = 0, realLength = 0;
    std::vector<float> profile;
    double average = 0;
    float deviation = 0;  // of the profile about its mean
    int min = -1, max = -1;
    double realAverage = 0, realDeviation = 0, realMin = 0, realMax = 0;
};

/// The area statistics of the rectangle (bounds inclusive, limited to the
/// image); false when the window is gone.
bool ComputeAreaStatistics(ImageHandle window, platform::PixelRect rect, bool excludeBlackAndWhite,
                           AreaStatistics& out);
/// The points of the digital-differential-analyser walk from one end to the
/// other, the end point left out.
std::vector<platform::PixelPoint> TransectPoints(platform::PixelPoint from, platform::PixelPoint to);
/// The transect statistics of the line (ends limited to the image).
bool ComputeTransectStatistics(ImageHandle window, platform::PixelLine line, TransectStatistics& out);

/// The log texts, with the time text that heads them.
std::string AreaLogText(const AreaStatistics& s, const std::string& label, const std::string& time);
std::string TransectLogText(const TransectStatistics& s, const std::string& label, const std::string& time);
/// Appends a text to a file; false when it cannot be opened.
bool AppendToLog(const std::string& path, const std::string& text);

}  // namespace orvex
