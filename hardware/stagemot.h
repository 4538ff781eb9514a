#pragma once
// One stage axis (X or Y): its travel limits, the stage-scan window on it
// (low and high corner), the backlash and the direction of final approach.
// The simulated axis, the DCX axis and the SX50 axis all build on it.
// Positions are in stage units (SU), the unit of the limits in the
// initialization file.
#include <functional>
#include <string>

namespace orvex {

class STAGEMOT {
public:
    STAGEMOT() = default;
    virtual ~STAGEMOT() = default;

    /// Opens the axis's hardware; the common axis has none and returns 0.
    virtual int Initialize();
    /// The full consistency check of limits and corners; clamps, swaps or
    /// widens and reports each correction under "STAGEMOT::Validate()".
    virtual void Validate();

    /// Reads the common axis keys of `section` ("stage x" or "stage y") and
    /// centres the window on the middle of the travel.
    void ReadIni(const std::string& path, const std::string& section);
    /// Writes "axis name", "low limit", "high limit" and "span".
    void WriteIni(const std::string& path, const std::string& section) const;

    /// Re-centres the window on `centre`, keeping its width; no range check.
    void SetSUDirect(double centre);
    /// Sets the low corner, then keeps the window inside the limits.
    void SetLoSU(double value);
    /// Sets the high corner, then keeps the window inside the limits.
    void SetHiSU(double value);
    double GetLoSU() const { return lowCorner; }
    double GetHiSU() const { return highCorner; }

    /// Puts corners and limits in ascending order, silently.
    void CheckPolarity();
    /// Stores the sign of the final approach (positive: the last move goes up).
    void SetBacklashDirection(double direction) { backlashDirection = direction; }

    /// Width of the window.
    double Span() const;
    /// Fraction of a position within the window (0 low corner, 1 high corner).
    double FractionOf(double position) const;
    /// Position of a fraction of the window.
    double PositionOf(double fraction) const;

    /// Clamps the corners into the limits, reporting under
    /// "STAGEMOT::CheckRange()"; widens a window of zero width silently.
    void CheckRange();

    /// The common backlash decision: the final approach always ends moving
    /// the way backlashDirection says. `present` reads the hardware position
    /// (only when backlash is non-zero), `move` starts a move, `wait` waits for
    /// its end. The last move is left for the caller to wait for.
    void MoveWithBacklash(double target, const std::function<double()>& present,
                          const std::function<void(double)>& move,
                          const std::function<void()>& wait);

    std::string axisName = "uninitialized";
    double lowCorner = 0;
    double highCorner = 0;
    int dumpHistory = 0;
    double lowLimit = 10.0;
    double highLimit = 11.0;
    double backlash = 0;
    double backlashDirection = 0;
    int dumpFlag = 0;
    /// Text of the current move for the history log; filled only with dumpHistory.
    std::string history;
    /// Set when a move of the axis never ended: its later moves and waits
    /// return at once, so a dead controller costs one timeout, not one per
    /// pixel. RetryStageAxes clears it.
    int failed = 0;

protected:
    /// Appends one 20-character case text to history when dumpHistory is set.
    void Record(const char* text);
    /// Marks the axis failed and logs `text` (its first line) to the history.
    /// Only the first failure since RetryStageAxes is shown, under `caption`:
    /// a dead controller takes both its axes with it, and one message says it.
    void GiveUp(const std::string& text, const char* caption);
};

/// The second line of the message of an axis given up.
inline constexpr const char* kGivenUpText = "The axis is not moved again until the next acquisition or stage move";

/// Lets the next failure be shown again (the axes clear their own marks).
void ResetStageFailureReport();

/// A number with `digits` significant digits, as the axis sections store them.
std::string FormatSignificant(double value, int digits);

}  // namespace orvex
