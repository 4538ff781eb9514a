#include "hardware/dcx/dcxmot.h"

#include <cmath>

#include "config/profile_file.h"
#include "config/settings_order.h"
#include "hardware/dcx/mcapi_library.h"
#include "imagestore/history.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace orvex {

namespace {

// The library is declared before the axes so that it outlives them: the axes
// close their handles through it when the program ends.
struct DcxFamily {
    McapiLibrary library;
    DCXMOT x;
    DCXMOT y;
};

DcxFamily& family() {
    static DcxFamily instance;
    return instance;
}

}  // namespace

McapiLibrary& mcapiLibrary() { return family().library; }
DCXMOT& dcxAxisX() { return family().x; }
DCXMOT& dcxAxisY() { return family().y; }

void resetDcxAxes() {
    DcxFamily& f = family();
    f.x.Close();
    f.y.Close();
    f.x = DCXMOT();
    f.y = DCXMOT();
    f.library.Unload();
    f.library.name = McapiLibrary::kLibraryName;
    ResetStageFailureReport();
}

std::string McOpenErrorText(int code, int controller) {
    const std::string n = std::to_string(controller);
    switch (code) {
        case -1: return "No controller is installed at this ID" + n;
        case -2: return "The driver is out of handles.";
        case -3: return "Unable to open controller for exclusive use - another process has handle";
        case -4: return "The requested mode is unavailable.";
        case -5: return "The requested mode is not available for this controller.";
        case -6: return "Unable to initialize device driver.";
        case -7: return "Controller hardware is missing or not responding";
        case -8: return "Unable to allocate memory for handle";
        case -18: return "Specified nID is out of range:" + n;
        case -19: return "The constant value supplied for wMode is invalid.";
        default: return "";
    }
}

DCXMOT::~DCXMOT() { Close(); }

bool DCXMOT::HandleOk(const char* caption) const {
    if (handle >= 0 && mcapiLibrary().Ready()) return true;
    platform::showMessage("bad handle", caption);
    return false;
}

int16_t DCXMOT::Open(int controller) {
    McapiLibrary& library = mcapiLibrary();
    if (!library.Load()) {
        // Reported by the load already; MCOpen cannot be called.
        handle = kNoLibrary;
        return handle;
    }
    if (handle >= 0) Close();
    handle = library.open(static_cast<int16_t>(controller), mcapi::kOpenMode, nullptr);
    if (handle < 0) platform::showMessage(McOpenErrorText(handle, controller), "DCX::Initialize()");
    return handle;
}

void DCXMOT::Close() {
    // Handle 0 is a valid handle too: it is closed like any other.
    if (handle >= 0 && mcapiLibrary().Ready()) mcapiLibrary().close(handle);
    handle = -2;
    movePending = 0;
}

void DCXMOT::ReadIni(const std::string& path, const std::string& section) {
    STAGEMOT::ReadIni(path, section);
    encoderRatio = config::ReadProfileReal(path, section, "encoder ratio", 1000.0);
    if (encoderRatio == 0 || !std::isfinite(encoderRatio)) {
        // Every position is divided by it.
        platform::showMessage("encoder ratio must not be 0 on the " + axisName + " axis - 1000 used",
                              "DCXMOT::ReadIni()");
        encoderRatio = 1000.0;
    }
    faradayCupPresent = config::ReadProfileBool(path, "faraday", "FaradayCupPresent", "false") ? 1 : 0;
}

void DCXMOT::WriteIni(const std::string& path, const std::string& section) const {
    config::WriteProfileString(path, section, "axis name", axisName);
    config::WriteProfileString(path, section, "encoder ratio", FormatSignificant(encoderRatio, 10));
    config::WriteProfileString(path, section, "low limit", FormatSignificant(lowLimit, 10));
    config::WriteProfileString(path, section, "high limit", FormatSignificant(highLimit, 10));
    config::WriteProfileString(path, section, "span", FormatSignificant(Span(), 10));
}

double DCXMOT::GetPositionEx() {
    if (!HandleOk("DCXMOT::GetPositionEx()")) return 0.0;
    double counts = 0;
    const int32_t result = mcapiLibrary().getPositionEx(handle, static_cast<uint16_t>(axisNumber), &counts);
    if (result != 0) errorCode = result;
    return StageUnitsOf(counts);
}

double DCXMOT::GetPositionHL() { return FractionOf(GetPositionEx()); }

int DCXMOT::SetPosition(double target) {
    if (failed) return 0;
    if (!HandleOk("DCXMOT::SetPosition()")) {
        // A controller that was never opened cannot move: the axis is given
        // up like a stuck one, so a scan stops instead of saying so at every pixel.
        failed = 1;
        return 0;
    }
    Enable();
    mcapiLibrary().moveAbsolute(handle, static_cast<uint16_t>(axisNumber), CountsOf(target));
    movePending = 1;
    if (dumpHistory) {
        history += axisName + " posSU: " + FormatSignificant(target, 10);
        LogHistory(ImageHandle{}, history, false);
        history.clear();
    }
    return 1;
}

void DCXMOT::MoveWithBacklash(double target) {
    if (failed) return;
    STAGEMOT::MoveWithBacklash(
        target, [this] { return GetPositionEx(); }, [this](double to) { SetPosition(to); },
        [this] { WaitForPosition(); });
}

void DCXMOT::MoveToPosition(double fraction) { MoveWithBacklash(PositionOf(fraction)); }

void DCXMOT::Enable() {
    if (!HandleOk("DCXMOT::Enable()")) return;
    McapiLibrary& library = mcapiLibrary();
    const uint16_t axis = static_cast<uint16_t>(axisNumber);
    if ((library.getStatus(handle, axis) & mcapi::kStatusAxisEnabled) == 0) library.enableAxis(handle, axis, 1);
}

void DCXMOT::Disable() {
    if (!HandleOk("DCXMOT::Disable()")) return;
    McapiLibrary& library = mcapiLibrary();
    const uint16_t axis = static_cast<uint16_t>(axisNumber);
    if ((library.getStatus(handle, axis) & mcapi::kStatusAxisEnabled) != 0) library.enableAxis(handle, axis, 0);
}

void DCXMOT::WaitForPosition() {
    if (movePending == 0) return;
    movePending = 0;
    if (!HandleOk("DCXMOT::WaitForPosition()")) return;
    McapiLibrary& library = mcapiLibrary();
    const uint16_t axis = static_cast<uint16_t>(axisNumber);
    // Most moves end within the first polls; after those each poll yields a
    // millisecond, so a controller that never reports the end is given up on
    // the program's clock instead of holding the program forever.
    const uint32_t start = platform::clock().ticks();
    for (int polls = 0;; ++polls) {
        const uint32_t status = library.getStatus(handle, axis);
        if (library.decodeStatus(handle, status, mcapi::kDecodeMoveComplete) != 0) break;
        if (polls < kFreePolls) continue;
        platform::clock().sleep(1);
        if (platform::clock().ticks() - start > kMoveTimeoutMs) {
            GiveUp("The " + axisName + " axis did not report the end of its move\n" + kGivenUpText,
                   "DCXMOT::WaitForPosition()");
            break;
        }
    }
    Disable();
}

void DCXMOT::Blank(int on) {
    if (!HandleOk("DCXMOT::Blank()")) return;
    mcapiLibrary().enableDigitalIO(handle, faradayCupPresent ? 1 : 3, static_cast<int16_t>(on));
}

void DCXMOT::ReportErrors() {
    if (errorCode == 0) return;
    const int code = errorCode;
    errorCode = 0;
    if (code == kAxisOutOfRange)
        platform::showMessage("Axis number out of range", std::to_string(axisNumber));
    else
        platform::showMessage("DCX interface error on Last operation", "DCXMOT");
}

void installDcxSettings() {
    // Written by the device dispatch with its other hardware keys, only when
    // the DCX controller is the configured one.
    config::SetSettingsHandlers(
        config::SettingsSlot::DcxAxes,
        [](const std::string& path) {
            dcxAxisX().ReadIni(path, "stage x");
            dcxAxisY().ReadIni(path, "stage y");
        },
        nullptr);
}

}  // namespace orvex
