#pragma once
// BOARD: the one entry point through which acquisition touches the
// instrument. It holds the configured type of each of the five device
// classes (D/A, A/D, I/O, counter/timer, motor controller) and routes every
// operation to the driver of that type. Two rules hold for almost every
// operation:
//   1. the simulated instrument is updated first, whatever the type, so it
//      always mirrors what was last commanded;
//   2. with the DEMO probe type every operation except Blank stops after
//      that, and every getter answers from the simulated instrument.
// Stage positions are in stage units (SU), or fractions of an axis's scan
// window (0 at its low corner, 1 at its high corner) for the "HL" operations
// and MoveToPosition.
#include <cstdint>
#include <functional>
#include <string>

#include "hardware/sim/simmot.h"

namespace orvex {

class DCXMOT;
class SX50MOT;

/// Type codes of the device classes as the initialization file names them.
namespace devicetype {
constexpr int None = 0;      // "none"
constexpr int Simulate = 1;  // "simulate"
constexpr int Win30pg = 2;   // "win30pg": D/A, A/D and I/O
constexpr int Dcc20ax = 2;   // "dcc20ax": counter/timer
constexpr int Dcx = 2;       // "dcx": motor controller
constexpr int Sx50 = 3;      // "sx50": motor controller
}  // namespace devicetype

/// The device classes, each with its own hardware word and type key.
enum class DeviceClass { AD, DA, IO, CounterTimer, MotorController };

/// The stage scan window as the acquisition sees it.
struct ScanBoundsSU {
    double leftX = 0;
    double upperY = 0;
    double rightX = 0;
    double lowerY = 0;
};

/// Per axis, whether the user's frame runs against the stage's: the
/// registration polarities of the scan calibration, which hands them in.
struct RegistrationPolarity {
    bool x = false;
    bool y = false;
};

/// What the dispatch reads from the channel tables, which are built on top of
/// it. The tables install it; until they do, no counter channel is enabled.
struct BoardLinks {
    /// Writes the counter numbers of the enabled counter channels, in table
    /// order, into `numbers` (room for `capacity`); returns how many.
    std::function<int(int* numbers, int capacity)> enabledCounters;
};

class BOARD {
public:
    static constexpr int kCounterChannels = 16;

    BOARD() = default;
    BOARD(const BOARD&) = delete;
    BOARD& operator=(const BOARD&) = delete;

    // --- configuration -----------------------------------------------------

    /// Parses one type value by the rule of its device class; `previous` is
    /// kept when the value names nothing known.
    static int ParseType(const std::string& value, DeviceClass deviceClass, int previous);
    /// The file name of a type code of a device class ("none", "simulate", ...).
    static std::string TypeName(int code, DeviceClass deviceClass);

    /// Reads [hardware] and [faraday] keys of the dispatch.
    void ReadIni(const std::string& path);
    /// Writes the dispatch's keys, then those of the configured drivers and axes.
    void WriteIni(const std::string& path);
    /// Initializes the simulated instrument, then (unless DEMO) the configured
    /// drivers; 0, or the negative DCX open code when a DCX axis cannot be opened.
    int Initialize();
    /// The start-up step after Initialize: the stage-motor warning, the stage
    /// offsets, the beam centred, control off, the stage window re-centred.
    void StartUp();
    /// First half of StartUp: the stage-motor warning and the stage offsets.
    void StartUpMotors();
    /// Second half of StartUp (after the calibration is set up): beam centred,
    /// control off, stage window re-centred on the present stage position.
    void StartUpCentre();

    uint32_t GetDAMax() const { return daMax; }

    // --- D/A, A/D and I/O --------------------------------------------------

    /// Beam X D/A code (0..daMax); with the test pattern on, the digital
    /// output paints the pattern for pixel (pixelX, pixelY).
    int SetX(unsigned int code);
    int SetY(unsigned int code);
    /// The last commanded codes (from the simulated probe, whatever the type).
    unsigned int GetX() const;
    unsigned int GetY() const;
    int SetADGain(int channel, int gain);
    /// Beam under external control (after the control-logic inversion).
    int Control(int on);
    /// The digital input word the digital channels take their bits from.
    unsigned int ReadDigital();

    // --- counter/timer -----------------------------------------------------

    /// Count time in seconds; 0 when it had to be raised to 0.01 s.
    int SetCountTime(float seconds);
    /// Starts the counter of every enabled counter channel.
    void Start();
    /// Starts the given counters (the channel tables' list).
    void Start(const int* counterNumbers, int count);
    /// 1 while a count is still running; callers poll until 0.
    int IsCounting();
    int ReadCounter(int n);

    // --- motor controller ----------------------------------------------------

    void SetXSUDirect(double centre);
    void SetYSUDirect(double centre);
    void SetXHiSU(double value);
    void SetXLoSU(double value);
    void SetYHiSU(double value);
    void SetYLoSU(double value);
    void CheckXPolarity();
    void CheckYPolarity();
    double GetXLoSU();
    double GetXHiSU();
    double GetYLoSU();
    double GetYHiSU();
    void SetBacklashDirection(double xDirection, double yDirection);
    /// Moves the stage to a position in SU (real controllers: with backlash).
    void SetPositionX(double position);
    void SetPositionY(double position);
    /// Moves the stage to a fraction of the scan window.
    void MoveToPositionX(double fraction);
    void MoveToPositionY(double fraction);
    /// The stage position as a fraction of the scan window.
    double GetPositionXHL();
    double GetPositionYHL();
    void WaitForPositionX();
    void WaitForPositionY();
    void DisableX();
    void DisableY();
    /// The absolute stage position in SU.
    double GetStageXPosition();
    double GetStageYPosition();
    void SetXYOffset(double xOffset, double yOffset);
    /// True when an axis of the configured stage controller was given up
    /// because a move of it never ended; the scan stops there.
    bool StageFailed();
    /// Lets every stage axis be tried again (a new run, a new positioning move).
    void RetryStage();
    void ReportErrors();
    /// Beam blanking and Faraday cup, then the settling wait. Blanking (on = 1)
    /// happens only with defaultBeamBlank; unblanking always.
    void Blank(int on);

    /// Sets the stage scan window from the user's frame, through the
    /// registration polarities.
    void SetScanBoundsSU(double leftX, double upperY, double rightX, double lowerY,
                         RegistrationPolarity polarity);
    /// The stage scan window read back by the same mapping.
    ScanBoundsSU GetScanBoundsSU(RegistrationPolarity polarity);

    // --- state, in the order the system declares it --------------------------

    int controlLogic = 1;
    int testPattern = 0;
    int testBlock = 1;
    uint32_t daMax = 0;
    int adType = 1;
    int daType = 1;
    int ioType = 1;
    int ctType = 1;
    int mcType = 1;
    int spectrometerMotors = 0;
    int stageMotors = 0;
    uint32_t pixelX = 0;
    uint32_t pixelY = 0;
    int defaultBeamBlank = 0;
    double faradayWaitIn = 0.5;
    double faradayWaitOut = 0.5;
    /// "dcc20ax_DeviceName", handed to the counter/timer driver.
    std::string counterDeviceName = "iomapper0";

    /// The three axis pairs; the motor-controller type selects which pair
    /// besides the simulated one receives commands. The DCX and SX50 axes are
    /// the drivers' own objects (dcxAxisX(), sx50AxisX(), ...).
    SIMMOT simX;
    SIMMOT simY;
    DCXMOT& dcxX();
    DCXMOT& dcxY();
    SX50MOT& sx50X();
    SX50MOT& sx50Y();

    BoardLinks links;

private:
    bool Demo() const;
    bool BadMcType(const char* operation) const;
    double AgreedSx50Fraction(SX50MOT& axis, const char* operation, bool isX);
    void WriteTestPattern();
};

/// The one device dispatch of the program.
BOARD& board();
/// Puts the dispatch and its simulated axes back to their start-up state (tests).
void ResetBoard();
/// Puts the dispatch, the simulated probe and every driver back to their
/// start-up state, closing the vendor libraries (tests).
void ResetHardware();
/// Plugs the dispatch, the analog board and the simulated instrument into the
/// settings load and save order.
void installBoardSettings();

}  // namespace orvex
