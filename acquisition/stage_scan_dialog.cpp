#include "acquisition/stage_scan_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "acquisition/calmag.h"
#include "hardware/board.h"

namespace orvex {

using platform::ControlKind;

namespace {

bool parse(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ') ++end;
    if (*end || !std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace

std::string StageScanSetupDialog::Format(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

StageScanSetupDialog::StageScanSetupDialog() : DialogModel("Stage Scan Setup") {
    BOARD& b = board();
    const ScanBoundsSU f = b.GetScanBoundsSU(calmag().RegistrationPolarities());
    x1 = f.leftX;
    y1 = f.upperY;
    x2 = f.rightX;
    y2 = f.lowerY;
    width = std::fabs(x2 - x1);
    height = std::fabs(y2 - y1);
    xAscending = !(x2 < x1);
    yAscending = !(y2 < y1);
    if (b.simX.dumpFlag)
        positionLine = "Stage X = " + Format(b.GetStageXPosition()) +
                       "  Stage Y = " + Format(b.GetStageYPosition());

    add({.label = "X Stage Units", .kind = ControlKind::Label});
    add({.label = kX1, .kind = ControlKind::RealEdit});
    add({.label = kX2, .kind = ControlKind::RealEdit});
    add({.label = "Y Stage Units", .kind = ControlKind::Label});
    add({.label = kY1, .kind = ControlKind::RealEdit});
    add({.label = kY2, .kind = ControlKind::RealEdit});
    add({.label = kWidth, .kind = ControlKind::RealEdit});
    add({.label = kHeight, .kind = ControlKind::RealEdit});
    add({.label = kUpdate1, .kind = ControlKind::Button});
    add({.label = kUpdate2, .kind = ControlKind::Button});
    add({.label = kUpdateCentre, .kind = ControlKind::Button});
    add({.label = kPosition, .kind = ControlKind::ReadOut});
    add({.label = "OK", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    show();
}

void StageScanSetupDialog::order() {
    if ((xAscending && x2 < x1) || (!xAscending && x2 > x1)) std::swap(x1, x2);
    if ((yAscending && y2 < y1) || (!yAscending && y2 > y1)) std::swap(y1, y2);
}

void StageScanSetupDialog::show() {
    find(kX1)->text = Format(x1);
    find(kY1)->text = Format(y1);
    find(kX2)->text = Format(x2);
    find(kY2)->text = Format(y2);
    find(kWidth)->text = Format(width);
    find(kHeight)->text = Format(height);
    find(kPosition)->text = positionLine;
}

void StageScanSetupDialog::showPosition(double x, double y) {
    positionLine = "Stage X = " + Format(x) + "  Stage Y = " + Format(y);
}

void StageScanSetupDialog::changed(platform::DialogControl& control) {
    double v = 0;
    if (!parse(control.text, v)) {
        show();  // what cannot be read goes back to the value in force
        return;
    }
    if (control.label == kWidth) {
        const double m = (x1 + x2) / 2;
        x1 = m - v / 2;
        x2 = m + v / 2;
    } else if (control.label == kHeight) {
        const double m = (y1 + y2) / 2;
        y1 = m - v / 2;
        y2 = m + v / 2;
    } else if (control.label == kX1) {
        x1 = v;
    } else if (control.label == kX2) {
        x2 = v;
    } else if (control.label == kY1) {
        y1 = v;
    } else if (control.label == kY2) {
        y2 = v;
    } else {
        return;
    }
    order();
    width = std::fabs(x2 - x1);
    height = std::fabs(y2 - y1);
    show();
}

bool StageScanSetupDialog::pressed(platform::DialogControl& control) {
    const bool corner1 = control.label == kUpdate1, corner2 = control.label == kUpdate2;
    if (corner1 || corner2 || control.label == kUpdateCentre) {
        BOARD& b = board();
        const double x = b.GetStageXPosition(), y = b.GetStageYPosition();
        if (corner1) {
            x1 = x;
            y1 = y;
        } else if (corner2) {
            x2 = x;
            y2 = y;
        } else {
            const double w = x2 - x1, h = y2 - y1;
            x1 = x - w / 2;
            x2 = x + w / 2;
            y1 = y - h / 2;
            y2 = y + h / 2;
        }
        showPosition(x, y);
        order();
        width = std::fabs(x2 - x1);
        height = std::fabs(y2 - y1);
        show();
        return false;
    }
    return DialogModel::pressed(control);
}

}  // namespace orvex
