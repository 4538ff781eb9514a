#include "processing/rectify.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "formats/item_list_file.h"
#include "formats/scan_string.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

constexpr const char* kCaption = "RectifyImage()";
constexpr double kFar = 9999999999.0;

std::string windowName(ImageHandle w) {
    ImageSummary s;
    GetImageSummary(w, s);
    return s.name;
}

}  // namespace

bool FitTransform(const std::vector<ControlPoint>& points, int height, RectifyTransform& t) {
    const size_t n = points.size();
    if (n < 3) return false;
    // Centred sums keep large stage coordinates from swamping the fit.
    double mx = 0, my = 0, mc = 0, mr = 0;
    for (const auto& p : points) {
        mx += p.realX;
        my += p.realY;
        mc += p.pixelX;
        mr += height - p.pixelY - 1;
    }
    mx /= static_cast<double>(n);
    my /= static_cast<double>(n);
    mc /= static_cast<double>(n);
    mr /= static_cast<double>(n);
    double sxx = 0, sxy = 0, syy = 0, sxc = 0, syc = 0, sxr = 0, syr = 0;
    for (const auto& p : points) {
        const double x = p.realX - mx, y = p.realY - my;
        const double c = p.pixelX - mc, r = (height - p.pixelY - 1) - mr;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
        sxc += x * c;
        syc += y * c;
        sxr += x * r;
        syr += y * r;
    }
    const double det = sxx * syy - sxy * sxy;
    if (!(std::fabs(det) > 1e-12 * std::max(1.0, sxx * syy))) return false;
    t.a1 = (syy * sxc - sxy * syc) / det;
    t.a2 = (sxx * syc - sxy * sxc) / det;
    t.a0 = mc - t.a1 * mx - t.a2 * my;
    t.b1 = (syy * sxr - sxy * syr) / det;
    t.b2 = (sxx * syr - sxy * sxr) / det;
    t.b0 = mr - t.b1 * mx - t.b2 * my;
    return true;
}

double PointResidual(const ControlPoint& p, const RectifyTransform& t, int height) {
    const double c = t.a0 + t.a1 * p.realX + t.a2 * p.realY;
    const double r = t.b0 + t.b1 * p.realX + t.b2 * p.realY;
    const double dc = c - p.pixelX, dr = r - (height - p.pixelY - 1);
    return std::sqrt(dc * dc + dr * dr);
}

double FitRms(const std::vector<ControlPoint>& points, int height) {
    RectifyTransform t;
    if (points.empty() || !FitTransform(points, height, t)) return 0;
    double sum = 0;
    for (const auto& p : points) {
        const double d = PointResidual(p, t, height);
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(points.size()));
}

PointRanking RankPoints(const std::vector<ControlPoint>& points, int height) {
    PointRanking ranking;
    ranking.residualSums.assign(points.size() + 1, 0);
    std::vector<int> remaining(points.size());
    for (size_t i = 0; i < points.size(); ++i) remaining[i] = static_cast<int>(i);
    std::vector<int> removed;
    std::vector<ControlPoint> subset;
    while (true) {
        subset.clear();
        for (int i : remaining) subset.push_back(points[static_cast<size_t>(i)]);
        RectifyTransform t;
        if (!FitTransform(subset, height, t)) break;
        double sum = 0, worst = -1;
        int worstAt = -1;
        for (size_t k = 0; k < subset.size(); ++k) {
            const double d = PointResidual(subset[k], t, height);
            sum += d;
            if (!subset[k].locked && d > worst) {
                worst = d;
                worstAt = static_cast<int>(k);
            }
        }
        ranking.residualSums[remaining.size()] = sum;
        if (remaining.size() <= 4 || worstAt < 0) break;
        removed.push_back(remaining[static_cast<size_t>(worstAt)]);
        remaining.erase(remaining.begin() + worstAt);
    }
    ranking.kept = static_cast<int>(remaining.size());
    ranking.order = remaining;
    ranking.order.insert(ranking.order.end(), removed.rbegin(), removed.rend());
    return ranking;
}

ImageHandle RectifyImage(ImageHandle source, int newWidth, RectifyInterpolation interpolation,
                         const std::vector<ControlPoint>& points) {
    const Image* image = LiveImage(source);
    if (!image) return {};
    if (points.size() < 4) {
        platform::showMessage("You need at least 4 points in order to rectify an image", kCaption);
        return {};
    }
    const int w = image->Width(), h = image->Height();
    for (const auto& p : points)
        if (p.pixelX < 0 || p.pixelY < 0 || p.pixelX >= w || p.pixelY >= h) return {};
    RectifyTransform t;
    const double det = FitTransform(points, h, t) ? t.a1 * t.b2 - t.a2 * t.b1 : 0;
    if (!(std::fabs(det) > 0) || !std::isfinite(det)) {
        platform::showMessage("The control points lie on one line and cannot be fitted", kCaption);
        return {};
    }
    if (newWidth < 2) return {};

    // The source's corners in real coordinates, by the inverse transform.
    double xMin = kFar, xMax = -kFar, yMin = kFar, yMax = -kFar;
    const int corners[4][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const auto& corner : corners) {
        const double c = corner[0] - t.a0, r = (h - corner[1] - 1) - t.b0;
        const double x = (t.b2 * c - t.a2 * r) / det;
        const double y = (t.a1 * r - t.b1 * c) / det;
        if (std::fabs(x) <= kFar) {
            xMin = std::min(xMin, x);
            xMax = std::max(xMax, x);
        }
        if (std::fabs(y) <= kFar) {
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
        }
    }
    const double pitch = (xMax - xMin) / (newWidth - 1);
    if (!(pitch > 0) || !std::isfinite(pitch)) return {};
    const double rows = (yMax - yMin) / pitch + 1;
    if (!(rows >= 1) || rows > Image::kMaxDimension) return {};
    const int newHeight = static_cast<int>(rows);

    std::vector<uint8_t> pixels;
    std::vector<uint8_t> out;
    try {
        pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        out.resize(static_cast<size_t>(newWidth));
    } catch (const std::bad_alloc&) {
        platform::showMessage("Unable to allocate memory", kCaption);
        return {};
    }
    const ImageHandle result = CreateImage(newWidth, newHeight, image->GetPaletteKind(), true,
                                           std::min(image->Depth(), 8));
    if (!result) return {};
    LogHistory(result, "Rectification:  ", true);
    LogHistory(result, "  source image;  " + windowName(source), false);
    LogHistory(result, "  new image:  " + windowName(result), false);
    ZRegistration z;
    GetZRegistration(source, z);
    SetZRegistration(result, z);
    std::vector<uint32_t> palette;
    GetPalette(source, palette);
    if (!palette.empty())
        SetPalette(result, palette.data(), static_cast<int>(palette.size()), LiveImage(source)->GetPaletteKind());

    for (int y = 0; y < h; ++y) ReadLine8(source, y, pixels.data() + static_cast<size_t>(y) * w);
    // The source row of a bottom-based row j.
    auto at = [&](int column, int j) { return pixels[static_cast<size_t>(h - 1 - j) * w + column]; };

    for (int k = 0; k < newHeight; ++k) {
        const double Y = yMax - k * pitch;
        // Worked out in double and then taken to single precision, so large
        // stage coordinates do not cancel away the fraction of a pixel.
        for (int c = 0; c < newWidth; ++c) {
            const double X = xMin + c * pitch;
            const float column = static_cast<float>(t.a0 + t.a1 * X + t.a2 * Y);
            const float row = static_cast<float>(t.b0 + t.b1 * X + t.b2 * Y);
            uint8_t value = 0;
            // A position on the far edge would read one pixel outside the source.
            if (column >= 0 && row >= 0 && column < w && row < h) {
                const int i = static_cast<int>(column), j = static_cast<int>(row);
                if (interpolation == RectifyInterpolation::NearestNeighbour || (column == i && row == j)) {
                    value = at(i, j);
                } else {
                    double weights = 0, sum = 0;
                    for (int dj = 0; dj < 2; ++dj)
                        for (int di = 0; di < 2; ++di) {
                            // Neighbours past the edge are left out, not read as 0.
                            if (i + di >= w || j + dj >= h) continue;
                            const double dx = column - (i + di), dy = row - (j + dj);
                            const double weight = 1.0 / (dx * dx + dy * dy);
                            weights += weight;
                            sum += at(i + di, j + dj) * weight;
                        }
                    value = static_cast<uint8_t>(std::clamp(static_cast<int>(sum / weights), 0, 255));
                }
            }
            out[static_cast<size_t>(c)] = value;
        }
        WriteLine8(result, k, out.data());
        if (RowProgressStep(result, k, newHeight)) break;
    }
    // Pixel centres: the bottom row lies where the last step put it, which
    // can fall short of the lowest corner by less than a pixel.
    SetRegistration(result, {xMin, yMax - (newHeight - 1) * pitch}, {xMin + (newWidth - 1) * pitch, yMax});
    Redraw(result, true);
    return result;
}

bool ReadControlPoints(const std::string& path, std::vector<ControlPoint>& points) {
    formats::ItemListFile file;
    if (!file.Open(path, formats::ItemListFile::Direction::Read)) return false;
    if (!file.BeginSection("Points")) return false;
    std::vector<ControlPoint> read;
    while (true) {
        ControlPoint p;
        std::string text;
        if (!file.ReadText("Tag", p.tag) || !file.ReadValue("Point", true, text)) break;
        if (formats::KTvsscanf(text, "%d %d %lf %lf", &p.pixelX, &p.pixelY, &p.realX, &p.realY) != 4) break;
        read.push_back(std::move(p));
    }
    file.EndSection();
    points = std::move(read);
    return true;
}

bool WriteControlPoints(const std::string& path, const std::vector<ControlPoint>& points) {
    formats::ItemListFile file;
    if (!file.Open(path, formats::ItemListFile::Direction::Write)) return false;
    file.WriteTitle(formats::kControlPointList.title);
    file.BeginSection("Points ");
    for (const auto& p : points) {
        file.WriteText("Tag", p.tag);
        file.WriteValue("Point", "%d %d %lf %lf", p.pixelX, p.pixelY, p.realX, p.realY);
    }
    file.EndSection();
    return file.Close();
}

}  // namespace orvex
