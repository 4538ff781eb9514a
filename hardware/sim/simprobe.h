#pragma once
// The simulated probe: the D/A registers, the digital output word, the
// counters and the count time of an instrument that is not there. Its signals
// are simple functions of the beam position, so an acquired image shows a
// recognisable pattern. The device dispatch writes every commanded value into
// it first, whatever the configured hardware, so it always holds the last
// commanded state.
#include <cstdint>
#include <string>

namespace orvex {

class SIMPROBE {
public:
    enum class Axis { X, Y };
    static constexpr int kCounters = 20;

    /// Stores the last commanded D/A code of an axis.
    void SetDA(Axis axis, uint32_t code) { (axis == Axis::X ? daX : daY) = code; }
    uint32_t GetDA(Axis axis) const { return axis == Axis::X ? daX : daY; }
    /// Stores the external-control state; bit 7 of the output word mirrors it.
    void SetControl(int on);
    /// The digital input word: the beam-position product shifted right by 4
    /// (32-bit unsigned arithmetic, so the product wraps).
    uint32_t ReadDigital() const { return (daX * daY) >> 4; }
    /// Stores the count time, never below 0.01 s; 0 when it had to be raised.
    int SetCountTime(float seconds);
    /// Marks counter n (0..19) as counting; other numbers are ignored.
    void StartCounter(int n);
    /// Ends the count of the lowest counting counter and returns 1; 0 when
    /// none is counting. Callers poll until 0.
    int IsCounting();
    /// The count of counter n: the 16-bit beam-position product shifted right by n / 2.
    int ReadCounter(int n) const;
    /// The stage position the simulated instrument reports (always 0.0).
    double GetStagePosition(Axis axis) const { return axis == Axis::X ? stageX : stageY; }

    /// Reads the counter board count and the simulated stage motor check.
    void ReadIni(const std::string& path);
    /// Sizes the simulated counters from the board count.
    void Initialize();

    uint32_t daX = 0;
    uint32_t daY = 0;
    int control = 0;
    uint16_t outputWord = 0;
    int counterCount = 0;
    int boards = 0;
    int iniRead = 0;
    double countTime = 0;
    bool counting[kCounters] = {};
    double stageX = 0.0;
    double stageY = 0.0;
};

/// The one simulated probe of the program.
SIMPROBE& simProbe();
/// Puts the simulated probe back to its start-up state (tests).
void ResetSimProbe();

}  // namespace orvex
