#pragma once
// The motor-correspondence file: per motor a pair of numbers, of which the
// second is the motor's offset in stage units. The first motorCount numbers of
// the file are the first values of motors 0, 1, ...; the next motorCount their offsets.
#include <array>
#include <string>
#include <string_view>

namespace orvex {

class CORFILE {
public:
    static constexpr int kMaxMotors = 16;     // what the tables hold
    static constexpr int kMotorLimit = 17;    // the most motors a caller may ask for
    static constexpr int kMaxNumbers = 32;    // numbers taken from the file
    static constexpr size_t kMaxBytes = 990;  // bytes read from the file

    std::string path;    // the value of [software] "corfile"
    int motorCount = 0;  // motors in the tables, at most 16
    std::array<double, kMaxMotors> first{};
    std::array<double, kMaxMotors> offset{};

    /// Reads the file for the given number of motors. Nothing is read when the
    /// path is empty; 0 motors or 18 and more are refused with a message. With 17
    /// motors the file is laid out for 17 but only the first 16 are kept.
    void Read(int motors);

    /// Fills the tables from the file's bytes, for the given number of motors.
    void ReadText(std::string_view bytes, int motors);

    /// The offset of motor n; "bad motor number" and 0.0 when n is not a motor.
    double GetOffset(int n) const;
};

/// The one correspondence file.
CORFILE& corFile();
/// Puts it back to its start-up state (for tests).
void resetCorFile();

}  // namespace orvex
