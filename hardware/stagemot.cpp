#include "hardware/stagemot.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "config/profile_file.h"
#include "imagestore/history.h"
#include "platform/ui.h"

namespace orvex {

namespace {

const char* const kRangeCaption = "STAGEMOT::CheckRange()";
const char* const kValidateCaption = "STAGEMOT::Validate()";

// Widening step for equal values. A value of 0 (or a negative one) would give
// no step, or a reversed pair, so the step is taken from the magnitude and
// never left at zero.
double WideningStep(double value) {
    double step = std::fabs(value) * 0.001;
    return step > 0 ? step : 0.001;
}

bool& failureShown() {
    static bool shown = false;
    return shown;
}

}  // namespace

void ResetStageFailureReport() { failureShown() = false; }

std::string FormatSignificant(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

int STAGEMOT::Initialize() { return 0; }

void STAGEMOT::ReadIni(const std::string& path, const std::string& section) {
    axisName = config::ReadProfileString(path, section, "axis name", section, 100);
    dumpFlag = config::ReadProfileString(path, section, "dump flag", "").empty() ? 0 : 1;
    dumpHistory = config::ReadProfileString(path, section, "dump history", "").empty() ? 0 : 1;
    lowLimit = lowCorner = config::ReadProfileReal(path, section, "low limit", 5);
    highLimit = highCorner = config::ReadProfileReal(path, section, "high limit", 610);
    const double span = std::fabs(config::ReadProfileReal(path, section, "span", 10));
    backlash = std::fabs(config::ReadProfileReal(path, section, "backlash", .1));
    const double centre = (lowCorner + highCorner) * 0.5;
    lowCorner = centre - span * 0.5;
    highCorner = centre + span * 0.5;
}

void STAGEMOT::WriteIni(const std::string& path, const std::string& section) const {
    config::WriteProfileString(path, section, "axis name", axisName);
    config::WriteProfileString(path, section, "low limit", FormatSignificant(lowLimit, 10));
    config::WriteProfileString(path, section, "high limit", FormatSignificant(highLimit, 10));
    config::WriteProfileString(path, section, "span", FormatSignificant(Span(), 10));
}

double STAGEMOT::Span() const { return std::fabs(highCorner - lowCorner); }

double STAGEMOT::FractionOf(double position) const {
    const double width = highCorner - lowCorner;
    // A window of no width has no fractions; 0 keeps callers away from NaN.
    if (width == 0) return 0.0;
    return (position - lowCorner) / width;
}

double STAGEMOT::PositionOf(double fraction) const {
    return lowCorner + fraction * (highCorner - lowCorner);
}

void STAGEMOT::SetSUDirect(double centre) {
    const double span = Span();
    lowCorner = centre - span * 0.5;
    highCorner = centre + span * 0.5;
}

void STAGEMOT::SetLoSU(double value) {
    lowCorner = value;
    CheckRange();
}

void STAGEMOT::SetHiSU(double value) {
    highCorner = value;
    CheckRange();
}

void STAGEMOT::CheckPolarity() {
    if (lowCorner > highCorner) std::swap(lowCorner, highCorner);
    if (lowLimit > highLimit) std::swap(lowLimit, highLimit);
}

void STAGEMOT::CheckRange() {
    auto report = [this](const char* where) {
        platform::showMessage(std::string("An attempt was made to set a scan boundry ") + where +
                                  "\non the " + axisName + " axis",
                              kRangeCaption);
    };
    if (highCorner > highLimit) {
        report("above high limit ");
        highCorner = highLimit;
    }
    if (highCorner < lowLimit) {
        report("below low limit ");
        highCorner = lowLimit;
    }
    if (lowCorner < lowLimit) {
        report("below low limit ");
        lowCorner = lowLimit;
    }
    if (lowCorner > highLimit) {
        report("above high limit ");
        lowCorner = highLimit;
    }
    if (lowCorner == highCorner) {
        const double d = (highLimit - lowLimit) * 0.0005;
        lowCorner -= d;
        highCorner += d;
    }
}

void STAGEMOT::Validate() {
    if (lowLimit == highLimit) {
        platform::showMessage("Low limit = High limit", kValidateCaption);
        const double d = WideningStep(lowLimit);
        lowLimit -= d;
        highLimit += d;
    }
    if (lowLimit > highLimit) {
        platform::showMessage("Limits reversed", kValidateCaption);
        std::swap(lowLimit, highLimit);
    }
    if (lowCorner == highCorner) {
        platform::showMessage("Low corner = High corner", kValidateCaption);
        const double d = WideningStep(lowCorner);
        lowCorner -= d;
        highCorner += d;
    }
    if (lowCorner > highCorner) {
        platform::showMessage("corners reversed", kValidateCaption);
        std::swap(lowCorner, highCorner);
    }
    if (lowCorner < lowLimit) {
        platform::showMessage("low corner lower than low limit", kValidateCaption);
        lowCorner = lowLimit;
    }
    if (highCorner > highLimit) {
        platform::showMessage("high corner higher than high limit", kValidateCaption);
        highCorner = highLimit;
    }
}

void STAGEMOT::Record(const char* text) {
    if (dumpHistory) history += text;
}

void STAGEMOT::GiveUp(const std::string& text, const char* caption) {
    failed = 1;
    LogHistory(ImageHandle{}, text.substr(0, text.find('\n')), false);
    if (failureShown()) return;
    failureShown() = true;
    platform::showMessage(text, caption);
}

void STAGEMOT::MoveWithBacklash(double target, const std::function<double()>& present,
                                const std::function<void(double)>& move,
                                const std::function<void()>& wait) {
    history.clear();
    if (backlash == 0) {
        Record("no backlash         ");
        move(target);
        return;
    }
    const double d = target - present();
    const double s = backlashDirection;
    if (d > 0 && s > 0) {
        Record("+move+backlash      ");
        move(target);
    } else if (d < 0 && s < 0) {
        Record("-move-backlash      ");
        move(target);
    } else if (d > 0 && s < 0) {
        Record("+move-backlash      ");
        move(target + backlash);
        wait();
        Record("move after backlash ");
        move(target);
    } else {
        Record("-move+backlash      ");
        move(target - backlash);
        wait();
        Record("move after backlash ");
        move(target);
    }
}

}  // namespace orvex
