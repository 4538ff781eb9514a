#include "processing/statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "imagestore/image_interface.h"

namespace orvex {

namespace {

// The real value of a grey level through the Z registration of the 8-bit view.
struct ZScale {
    double low = 0, high = 100;
    int count = 256;
    double operator()(double g) const {
        const float f = static_cast<float>(g / std::max(1, count - 1));
        return low + (high - low) * f;
    }
};

ZScale zScaleOf(const Image& image) {
    const ZRegistration& z = image.GetZRegistration();
    return {z.low, z.high, image.PaletteCount()};
}

std::string format(const char* f, double a, double b) {
    char text[128];
    std::snprintf(text, sizeof text, f, a, b);
    return text;
}

}  // namespace

bool ComputeAreaStatistics(ImageHandle window, platform::PixelRect rect, bool excludeBlackAndWhite,
                           AreaStatistics& out) {
    const Image* image = LiveImage(window);
    if (!image) return false;
    out = AreaStatistics{};
    const int left = std::clamp(std::min(rect.left, rect.right), 0, image->Width() - 1);
    const int right = std::clamp(std::max(rect.left, rect.right), 0, image->Width() - 1);
    const int top = std::clamp(std::min(rect.top, rect.bottom), 0, image->Height() - 1);
    const int bottom = std::clamp(std::max(rect.top, rect.bottom), 0, image->Height() - 1);
    const int n = std::clamp(image->PaletteCount(), 1, 256);

    // The percentage histogram of the rectangle, every row at 8 bits.
    uint64_t counts[256] = {};
    std::vector<uint8_t> line(static_cast<size_t>(right - left + 1));
    for (int r = top; r <= bottom; ++r) {
        image->ReadBlock(left, r, right - left + 1, 1, line.data(), 8);
        for (uint8_t v : line) ++counts[v];
    }
    const double total = static_cast<double>(line.size()) * (bottom - top + 1);
    out.percent.assign(static_cast<size_t>(n), 0.0f);
    for (int v = 0; v < n; ++v) out.percent[static_cast<size_t>(v)] = static_cast<float>(counts[v] / total * 100.0);

    int first = 0, last = n - 1;
    if (excludeBlackAndWhite && n == 256) {
        first = 1;
        last = 254;
    }
    double sum = 0, squares = 0;
    for (int v = first; v <= last; ++v) {
        const double p = out.percent[static_cast<size_t>(v)];
        sum += v * p * 0.01;
        squares += static_cast<double>(v) * v * p * 0.01;
        if (p != 0) {
            if (out.min < 0) out.min = v;
            out.max = v;
        }
    }
    out.average = sum;
    out.deviation = static_cast<float>(std::sqrt(std::max(0.0, squares - sum * sum)));
    const ZScale real = zScaleOf(*image);
    out.realMin = real(out.min);
    out.realMax = real(out.max);
    out.realAverage = real(out.average);
    out.realDeviation = (real(1) - real(0)) * out.deviation;

    out.width = right - left;
    out.height = bottom - top;
    out.centerX = left + out.width / 2;
    out.centerY = top + out.height / 2;
    out.area = out.width * out.height;
    const RealPoint a = image->PixelToReal(left, top), b = image->PixelToReal(right, bottom);
    out.realWidth = b.x - a.x;
    out.realHeight = a.y - b.y;
    out.realCenterX = a.x + (b.x - a.x) * 0.5;
    out.realCenterY = b.y + (a.y - b.y) * 0.5;
    out.realArea = out.realWidth * out.realHeight;
    return true;
}

std::vector<platform::PixelPoint> TransectPoints(platform::PixelPoint from, platform::PixelPoint to) {
    std::vector<platform::PixelPoint> points;
    const int dx = to.column - from.column, dy = to.row - from.row;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    points.reserve(static_cast<size_t>(steps));
    const double xStep = steps ? static_cast<double>(dx) / steps : 0, yStep = steps ? static_cast<double>(dy) / steps : 0;
    double x = from.column, y = from.row;
    for (int i = 0; i < steps; ++i) {
        points.push_back({static_cast<int>(std::floor(x + 0.5)), static_cast<int>(std::floor(y + 0.5))});
        x += xStep;
        y += yStep;
    }
    return points;
}

bool ComputeTransectStatistics(ImageHandle window, platform::PixelLine line, TransectStatistics& out) {
    const Image* image = LiveImage(window);
    if (!image) return false;
    out = TransectStatistics{};
    auto limit = [image](platform::PixelPoint p) {
        return platform::PixelPoint{std::clamp(p.column, 0, image->Width() - 1), std::clamp(p.row, 0, image->Height() - 1)};
    };
    const platform::PixelPoint from = limit(line.from), to = limit(line.to);
    const std::vector<platform::PixelPoint> points = TransectPoints(from, to);
    out.profile.reserve(points.size());
    double sum = 0;
    for (const auto& p : points) {
        uint8_t v = 0;
        image->ReadPixel(p.column, p.row, &v, 8);
        out.profile.push_back(v);
        sum += v;
        out.min = out.min < 0 ? v : std::min<int>(out.min, v);
        out.max = std::max<int>(out.max, v);
    }
    if (!points.empty()) {
        out.average = sum / static_cast<double>(points.size());
        double squares = 0;
        for (float v : out.profile) squares += (v - out.average) * (v - out.average);
        out.deviation = static_cast<float>(std::sqrt(squares / static_cast<double>(points.size())));
    }
    const ZScale real = zScaleOf(*image);
    out.realMin = real(out.min);
    out.realMax = real(out.max);
    out.realAverage = real(out.average);
    out.realDeviation = (real(1) - real(0)) * out.deviation;

    out.startX = from.column;
    out.startY = from.row;
    out.endX = to.column;
    out.endY = to.row;
    out.length = std::hypot(to.column - from.column, to.row - from.row);
    const RealPoint a = image->PixelToReal(from.column, from.row), b = image->PixelToReal(to.column, to.row);
    out.realStartX = a.x;
    out.realStartY = a.y;
    out.realEndX = b.x;
    out.realEndY = b.y;
    out.realLength = std::hypot(b.x - a.x, b.y - a.y);
    return true;
}

std::string AreaLogText(const AreaStatistics& s, const std::string& label, const std::string& time) {
    std::string t = "--- AREA Stats ------ " + time;
    if (t.empty() || t.back() != '\n') t += '\n';
    t += "Label: " + (label.empty() ? std::string("No Label") : label) + "\n";
    t += format("Width:    %g, %g\n", s.width, s.realWidth);
    t += format("Height:   %g, %g\n", s.height, s.realHeight);
    t += format("Center X: %g, %g\n", s.centerX, s.realCenterX);
    t += format("Center Y: %g, %g\n", s.centerY, s.realCenterY);
    t += format("Area:     %g, %g\n", s.area, s.realArea);
    t += "--------- Histogram -----------------\n";
    char line[160];
    std::snprintf(line, sizeof line, "Min, Max, Avg, Sdev: %g, %g, %g, %g\n", static_cast<double>(s.min),
                  static_cast<double>(s.max), s.average, static_cast<double>(s.deviation));
    t += line;
    for (size_t i = 0; i < s.percent.size(); ++i) {
        std::snprintf(line, sizeof line, "%2.4f ", static_cast<double>(s.percent[i]));
        t += line;
        if (i % 8 == 7 || i + 1 == s.percent.size()) t += '\n';
    }
    return t;
}

std::string TransectLogText(const TransectStatistics& s, const std::string& label, const std::string& time) {
    std::string t = "--- TRANSECT Stats ------ " + time;
    if (t.empty() || t.back() != '\n') t += '\n';
    t += "Label: " + (label.empty() ? std::string("No Label") : label) + "\n";
    t += format("Start X:  %g, %g\n", s.startX, s.realStartX);
    t += format("Start Y:  %g, %g\n", s.startY, s.realStartY);
    t += format("End X:    %g, %g\n", s.endX, s.realEndX);
    t += format("End Y:    %g, %g\n", s.endY, s.realEndY);
    t += format("Length:   %g, %g\n", s.length, s.realLength);
    t += "--------- Transect -----------------\n";
    char line[160];
    // The fourth figure is the deviation of the profile.
    std::snprintf(line, sizeof line, "Min, Max, Avg: %g, %g, %g, %g\n", static_cast<double>(s.min),
                  static_cast<double>(s.max), s.average, static_cast<double>(s.deviation));
    t += line;
    for (size_t i = 0; i < s.profile.size(); ++i) {
        std::snprintf(line, sizeof line, "%5d", static_cast<int>(s.profile[i]));
        t += line;
        if (i % 10 == 9 || i + 1 == s.profile.size()) t += '\n';
    }
    return t;
}

bool AppendToLog(const std::string& path, const std::string& text) {
    if (path.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace orvex
