#pragma once
// The "Statistics" dialog of Basic > Statistics as a dialog model: the user
// measures rectangles and transects of the active image and may log the results.
#include <optional>
#include <string>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "processing/statistics.h"

namespace orvex {

/// "Statistics": "Choose Area", "Choose Transect", "Exclude B && W",
/// "Label:", "Log to File" with its "Log File" name, the "Graph" canvas, and
/// the read-outs. The geometry read-outs are labelled by their row ("Width"
/// ... "Area" for areas, "Start X" ... "Length" for transects: the rows of
/// the last measurement show), their real twins with "Real " in front; the value read-outs are "Average", "St. Deviation",
/// "Min", "Max" and "Real Average" ... "Real Max" under the "Real Z Values"
/// title. "OK" closes the dialog.
class StatisticsDialog : public platform::DialogModel {
public:
    StatisticsDialog();
    bool pressed(platform::DialogControl& control) override;
    void paint(platform::DialogControl& canvas, platform::Surface& surface) override;

    /// The results shown last.
    const std::optional<AreaStatistics>& area() const { return area_; }
    const std::optional<TransectStatistics>& transect() const { return transect_; }

private:
    void chooseArea();
    void chooseTransect();
    void relabel(bool transect);
    void showValues(double average, float deviation, int min, int max, double realAverage, double realDeviation,
                    double realMin, double realMax);
    void log(const std::string& text);
    std::optional<AreaStatistics> area_;
    std::optional<TransectStatistics> transect_;
};

}  // namespace orvex
