#pragma once
// Advanced > Rectification: the dialog where control points are collected,
// ranked, kept in ".cp" files and used to rectify the active image.
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/rectify.h"

namespace orvex {

/// Dialog "Control Point": one point's tag, real and pixel position, its lock,
/// and "Choose..." to click the pixel position on the image.
class ControlPointDialog : public platform::DialogModel {
public:
    ControlPointDialog(ImageHandle image, const ControlPoint& point);
    bool pressed(platform::DialogControl& control) override;
    const ControlPoint& point() const { return point_; }

private:
    ImageHandle image_;
    ControlPoint point_;
};

/// Dialog "Rectification".
class RectificationDialog : public platform::DialogModel {
public:
    static constexpr const char* kUsed = "Control Points Used";
    static constexpr const char* kAvailable = "Control Points Available";
    static constexpr const char* kCount = "# of Points to Use:";
    static constexpr const char* kRms = "RMS value:";
    static constexpr const char* kWidth = "New Width";
    static constexpr const char* kNearest = "Nearest Neighbor";
    static constexpr const char* kBilinear = "Bilinear Interpolation";

    RectificationDialog(ImageHandle source, std::vector<ControlPoint> points);
    void changed(platform::DialogControl& control) override;
    bool pressed(platform::DialogControl& control) override;

    const std::vector<ControlPoint>& points() const { return points_; }
    /// The points in use: the first "# of Points to Use:" of the ranking.
    std::vector<ControlPoint> usedPoints() const;

private:
    void rank();
    void refresh();
    int selected() const;  // index into points_, or -1

    ImageHandle source_;
    std::vector<ControlPoint> points_;
    PointRanking ranking_;
};

/// The menu command: the dialog on the active image, opened with "last.cp".
void ov_rectify();

/// Adds "Advanced > &Rectification" to the command table.
void RegisterRectifyCommands();

}  // namespace orvex
