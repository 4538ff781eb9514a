#pragma once
// "Stage Scan Setup": the stage frame that stage and hybrid scans cover, as
// two corners in stage units with the frame's width and height, and buttons
// that take corners or the centre from the present stage position.
#include <string>

#include "platform/dialog_model.h"

namespace orvex {

class StageScanSetupDialog : public platform::DialogModel {
public:
    static constexpr const char* kX1 = "Left X";
    static constexpr const char* kY1 = "Upper Y";
    static constexpr const char* kX2 = "Right X";
    static constexpr const char* kY2 = "Lower Y";
    static constexpr const char* kWidth = "Width";
    static constexpr const char* kHeight = "Height";
    static constexpr const char* kPosition = "Current Position";
    static constexpr const char* kUpdate1 = "Update Corner 1";
    static constexpr const char* kUpdate2 = "Update Corner 2";
    static constexpr const char* kUpdateCentre = "Update Centre";

    /// Reads the frame from the board.
    StageScanSetupDialog();

    /// Corner 1 (left, upper) and corner 2 (right, lower), in stage units.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double width = 0, height = 0;
    /// Per axis: the corners are kept ascending (x1 <= x2) or descending.
    bool xAscending = true, yAscending = true;
    std::string positionLine;

    void changed(platform::DialogControl& control) override;
    bool pressed(platform::DialogControl& control) override;

    /// How the dialog writes a value.
    static std::string Format(double value);

private:
    void order();
    void show();
    void showPosition(double x, double y);
};

}  // namespace orvex
