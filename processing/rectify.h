#pragma once
// Rectification: an image resampled onto real (stage or map) coordinates
// given by control points, pairs of a pixel position and the real position of
// that spot. An affine transform from real coordinates to pixels is fitted by
// least squares; the points that fit worst can be left out by their ranking.
#include <string>
#include <vector>

#include "imagestore/image_handle.h"

namespace orvex {

struct ControlPoint {
    std::string tag;
    int pixelX = 0;  // column
    int pixelY = 0;  // row from the top, as the picture shows it
    double realX = 0;
    double realY = 0;
    bool locked = false;  // "Use Point for sure": never dropped by the ranking
};

/// column = a0 + a1 X + a2 Y; bottom-based row = b0 + b1 X + b2 Y.
struct RectifyTransform {
    double a0 = 0, a1 = 0, a2 = 0;
    double b0 = 0, b1 = 0, b2 = 0;
};

/// Least squares over the points (rows counted from the bottom of an image of
/// `height` rows). False when the real positions lie on one line.
bool FitTransform(const std::vector<ControlPoint>& points, int height, RectifyTransform& transform);

/// How far (in pixels) a point lies from where the transform puts its real position.
double PointResidual(const ControlPoint& point, const RectifyTransform& transform, int height);

/// sqrt of the mean squared residual of the fit over the points; 0 when they
/// cannot be fitted.
double FitRms(const std::vector<ControlPoint>& points, int height);

/// The points ranked by how well they fit: the worst unlocked point is
/// dropped and the rest fitted again until 4 remain; the remaining points come
/// first, then the dropped ones, the last dropped first. `kept` is the number
/// that could not be dropped (at least 4, or all when fewer); `residualSums[k]`
/// is the residual sum of the fit over the first k points (0 where not fitted).
struct PointRanking {
    std::vector<int> order;
    std::vector<double> residualSums;
    int kept = 0;
};
PointRanking RankPoints(const std::vector<ControlPoint>& points, int height);

enum class RectifyInterpolation { NearestNeighbour, InverseDistance };

/// Resamples the source onto the real coordinates of the points, `newWidth`
/// pixels wide; the new window, or none.
ImageHandle RectifyImage(ImageHandle source, int newWidth, RectifyInterpolation interpolation,
                         const std::vector<ControlPoint>& points);

/// ".cp" files; reading stops at the first point that cannot be read, and
/// fails only when the file cannot be opened or holds no "Points" section.
bool ReadControlPoints(const std::string& path, std::vector<ControlPoint>& points);
bool WriteControlPoints(const std::string& path, const std::vector<ControlPoint>& points);

}  // namespace orvex
