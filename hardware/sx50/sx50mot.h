#pragma once
// One stage axis of the SX50 microprobe, driven through "sx50_32.dll". The
// library keeps one connection for the whole instrument, so both axes share
// the connection, its "initialized" flag and the interface board type. The
// library moves relatively and works in stage units.
#include <cstdint>
#include <string>

#include "hardware/stagemot.h"

namespace orvex {

/// What both SX50 axes share.
struct SX50Connection {
    uint32_t connection = 0;  // from SX_Initialize; 0 means none
    int initialized = 0;
    int interfaceType = 1;    // "SX50InterfaceBoardType": 0, 1 or 2
    int lastStatus = 1;       // status of the last library call; 1 means success
};

class SX50MOT : public STAGEMOT {
public:
    SX50MOT() = default;
    explicit SX50MOT(int16_t axis) : axisNumber(axis) {}
    /// Closes the shared connection if it is still open.
    ~SX50MOT() override;
    SX50MOT(const SX50MOT&) = default;
    SX50MOT& operator=(const SX50MOT&) = default;

    /// Loads the library and opens the shared connection unless another axis
    /// did; 0 on success (or when already open), -1 when it cannot be opened.
    int Initialize() override;

    /// The common axis keys, then [hardware] "SX50SEMDeviceName",
    /// "SX50WDSDeviceName" and "SX50InterfaceBoardType".
    void ReadIni(const std::string& path, const std::string& section);
    /// "low limit", "high limit", "span", then [hardware] "SX50InterfaceBoardType".
    void WriteIni(const std::string& path, const std::string& section) const;

    /// The axis position in stage units, as the library reads it.
    double GetPosition();
    /// The position as a fraction of the scan window.
    double GetPositionHL();
    /// Reads the present position and starts the relative move to target; 1
    /// when all went well. No move is loaded or started from a failed read,
    /// nor on an axis given up.
    int SetPosition(double target);
    /// The move with backlash take-up; the final move is left for WaitForPosition.
    void MoveWithBacklash(double target);
    /// MoveWithBacklash to a fraction of the scan window.
    void MoveToPosition(double fraction);
    /// Waits until the axis reports idle. After kMoveTimeoutMs the axis is
    /// given up: marked failed, reported (once for the whole stage) and logged.
    void WaitForPosition();
    /// Moves the Faraday cup in (1) or out (0); called on the X axis only.
    void Blank(int on);
    /// Ends the shared connection (also at destruction).
    void Close();

    int16_t axisNumber = 0;
    std::string semDeviceName;
    std::string wdsDeviceName;

    /// Longest wait for an axis to come to rest, in milliseconds.
    static constexpr uint32_t kMoveTimeoutMs = 120000;
    /// Pause between two status reads while the axis moves.
    static constexpr uint32_t kPollPauseMs = 1;

private:
    /// Applies the error rule to a call's status: stored as lastStatus, and
    /// shown unless the interface type is 0. True when the call succeeded.
    bool Check(int32_t status, const char* text, const char* caption);
};

/// The connection state both SX50 axes share.
SX50Connection& sx50Connection();
/// The two SX50 axes of the program (axis numbers 1 and 2).
SX50MOT& sx50AxisX();
SX50MOT& sx50AxisY();
/// Closes the connection and the library and puts both axes back to their start-up state.
void resetSx50Axes();
/// Plugs the SX50 axes into the settings load order.
void installSx50Settings();

}  // namespace orvex
