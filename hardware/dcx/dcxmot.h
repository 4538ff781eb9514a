#pragma once
// One stage axis on a DCX motion controller, driven through "mcapi32.dll".
// The controller works in encoder counts; the axis converts to stage units
// with its encoder ratio and offset:
//     SU = counts / encoderRatio + offset,   counts = (SU - offset) × encoderRatio.
// The Faraday-cup output used for beam blanking hangs off the same controller.
#include <cstdint>
#include <string>

#include "hardware/stagemot.h"

namespace orvex {

class McapiLibrary;

class DCXMOT : public STAGEMOT {
public:
    DCXMOT() = default;
    /// Closes the controller handle.
    ~DCXMOT() override;
    DCXMOT(const DCXMOT&) = default;
    DCXMOT& operator=(const DCXMOT&) = default;

    /// Loads the library when not yet tried and opens the controller; stores
    /// and returns the handle. A negative result (an MCOpen error, reported
    /// under "DCX::Initialize()", or kNoLibrary) leaves the axis unusable.
    int16_t Open(int controller);

    /// The common axis keys, then "encoder ratio" and [faraday] "FaradayCupPresent".
    void ReadIni(const std::string& path, const std::string& section);
    /// "axis name", "encoder ratio", "low limit", "high limit", "span".
    void WriteIni(const std::string& path, const std::string& section) const;

    /// The axis position in stage units.
    double GetPositionEx();
    /// The position as a fraction of the scan window.
    double GetPositionHL();
    /// Enables the axis and starts an absolute move to target (SU); 1 when
    /// started, 0 at once for an axis given up.
    int SetPosition(double target);
    /// The move with backlash take-up; the final move is left for WaitForPosition.
    void MoveWithBacklash(double target);
    /// MoveWithBacklash to a fraction of the scan window.
    void MoveToPosition(double fraction);
    /// Switches the axis on when its status shows it off.
    void Enable();
    /// Switches the axis off when its status shows it on.
    void Disable();
    /// Waits for the pending move to complete, then disables the axis. A move
    /// that never completes is given up after kMoveTimeoutMs: the axis is
    /// marked failed, reported (once for the whole stage) and logged.
    void WaitForPosition();
    /// Sets the Faraday-cup output (1 with "FaradayCupPresent", else 3).
    void Blank(int on);
    /// Shows and clears the pending interface error, if any.
    void ReportErrors();
    /// Closes the controller handle (also at destruction).
    void Close();

    /// Conversions between stage units and encoder counts.
    double CountsOf(double stageUnits) const { return (stageUnits - offset) * encoderRatio; }
    double StageUnitsOf(double counts) const { return counts / encoderRatio + offset; }

    int16_t axisNumber = -1;
    double encoderRatio = 1.0;
    int faradayCupPresent = 0;
    int errorCode = 0;
    double offset = 0;
    int16_t handle = -2;
    int movePending = 0;

    /// Open's result when the library or an entry point is missing.
    static constexpr int16_t kNoLibrary = -100;
    /// Longest wait for a move to complete, in milliseconds.
    static constexpr uint32_t kMoveTimeoutMs = 120000;
    /// Status polls without pause before each further poll yields 1 ms.
    static constexpr int kFreePolls = 1000;
    /// The MCAPI error code for an axis number the controller does not have.
    static constexpr int kAxisOutOfRange = 15;

private:
    bool HandleOk(const char* caption) const;
};

/// The two DCX axes of the program.
DCXMOT& dcxAxisX();
DCXMOT& dcxAxisY();
/// Closes both axes and the library and puts them back to their start-up state.
void resetDcxAxes();
/// The MCOpen error message for a negative code, n being the controller number.
std::string McOpenErrorText(int code, int controller);
/// Plugs the DCX axes into the settings load order ("stage x", then "stage y").
void installDcxSettings();

}  // namespace orvex
