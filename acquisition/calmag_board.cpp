// The calibration's traffic with the device dispatch: the D/A type, the stage
// corners and the beam codes.
#include "acquisition/calmag.h"
#include "config/settings_order.h"
#include "config/setup_files.h"
#include "config/software_settings.h"
#include "hardware/board.h"

namespace orvex {

RegistrationPolarity CALMAG::RegistrationPolarities() const {
    return {registrationXPolarity != 0, registrationYPolarity != 0};
}

void CALMAG::ApplyMagnification() {
    ApplyMagnificationFor(softwareSettings().probeType, board().daType);
}

void CALMAG::SetScan() {
    BOARD& b = board();
    double xa = 0, xb = 0, ya = 0, yb = 0;
    if (scanType == SCAN_STAGE || scanType == SCAN_HYBRID) {
        xa = b.GetXLoSU();
        xb = b.GetXHiSU();
        ya = b.GetYLoSU();
        yb = b.GetYHiSU();
    }
    SetScanFor(b.daType, xa, xb, ya, yb);
}

void CALMAG::SetXPixel(uint32_t column) {
    BOARD& b = board();
    b.pixelX = column;
    b.SetX(b.daType == 1 || b.daType == 2 ? offsetX + column * stepX : 0u);
}

void CALMAG::SetYPixel(uint32_t row) {
    BOARD& b = board();
    b.pixelY = row;
    b.SetY(b.daType == 1 || b.daType == 2 ? offsetY + row * stepY : 0u);
}

void CALMAG::SetXRaw(uint32_t value) {
    board().SetX(value);
}
void CALMAG::SetYRaw(uint32_t value) {
    board().SetY(value);
}
uint32_t CALMAG::GetXRaw() const {
    return board().GetX();
}
uint32_t CALMAG::GetYRaw() const {
    return board().GetY();
}

uint32_t CALMAG::CalculateXOffset(uint32_t column) {
    return CalculateXOffsetFor(board().daType, column);
}
uint32_t CALMAG::CalculateYOffset(uint32_t row) {
    return CalculateYOffsetFor(board().daType, row);
}

void installCalibrationSettings() {
    config::SetSettingsHandlers(
        config::SettingsSlot::Calibration,
        [](const std::string& path) {
            CALMAG& c = calmag();
            c.LoadCalibration(path);
            c.ApplyMagnification();
            c.SetScan();
        },
        [](const std::string& path) { calmag().SaveCalibration(path); });
    // After a setup file every axis has its new window: derive the scan again.
    config::SetSetupLoadedHandler([] {
        calmag().ApplyMagnification();
        calmag().SetScan();
    });
}

}  // namespace orvex
