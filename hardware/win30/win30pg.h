#pragma once
// The WIN-30 multifunction board: the two beam-deflection D/A outputs, the
// A/D inputs with programmable gain and the digital I/O, driven through the
// vendor library "ueidaq.dll", loaded at run time. Entry points that did not
// resolve are never called; without the acquisition entry point the analog
// block read produces the simulated ramp.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/library.h"

namespace orvex {

/// The entry points of "ueidaq.dll" as this driver calls them.
struct UeidaqEntryPoints {
    int (*da_out)(int channel, unsigned int code) = nullptr;
    int (*d_out)(int port, unsigned int word) = nullptr;
    int (*d_mode)(int a, int b, int c) = nullptr;
    int (*config_bd)(int, int, int, int, int, int, int, int, int, int) = nullptr;
    int (*diag)() = nullptr;
    int (*ad_in)(int channel) = nullptr;
    int (*d_in)(int port) = nullptr;
    int (*set_gain)(int channel, int code) = nullptr;
    int (*mbh_chan)(const int* channelList, int count, int mode, uint16_t* samples) = nullptr;
    int (*set_osc)(int value) = nullptr;
    int (*ad_prescaler)(int value) = nullptr;
    int (*ad_clock)(int value) = nullptr;
    int (*set_base)(int address) = nullptr;
};

/// What the analog block read delivers.
enum class AnalogInputs {
    Measured,   // the board's samples
    Simulated,  // no acquisition entry point: the simulated ramp
    Disabled,   // the board failed its self-test: every sample 0
};

class WIN30PG {
public:
    /// [hardware] "WIN30PGBaseAddress" and "adrange".
    void ReadIni(const std::string& path);
    /// [hardware] "adrange".
    void WriteIni(const std::string& path) const;
    /// Loads the library (once), runs the self-test and configures the board;
    /// 0 when the board is ready, 1 otherwise.
    int Initialize();

    /// Loads the library once, resolving every entry point and reporting what
    /// is missing; false when the library cannot be loaded.
    bool LoadLibrary();

    void SetX(unsigned int code);
    void SetY(unsigned int code);
    /// Sets or clears one of the output bits 0..7 and writes the output word;
    /// other bits or values are ignored.
    void SetDigitalBit(int bit, int value);
    /// Bit 7 of the output word: the beam under external control.
    void Control(int on);
    /// Bits 0, 1, 2 of the pattern go to output bits 4, 5, 6, in that order.
    void SetTestPattern(unsigned int pattern);
    /// The 16-bit input word: port 2 the high byte, port 1 the low byte.
    int ReadDigital();
    /// Programmable gain of input channel 0..7: 1, 2, 4, 8 or 1, 10, 100, 1000.
    void SetGain(int channel, int gain);
    /// Reads `count` samples of the channels in `channelList` (ended by an
    /// entry of 16 or more) into `samples`, scaled to 16 bits; returns the
    /// library's status, or 0 for the simulated ramp. A board that failed its
    /// self-test reads 0 everywhere.
    int ReadAnalogBlock(const int* channelList, int count, uint16_t* samples);
    /// What ReadAnalogBlock delivers now.
    AnalogInputs inputs() const;

    /// The total the load message counts missing entry points against.
    int EntryPointTotal() const { return ntFamily ? 8 : 9; }

    int baseAddress = 576;
    int range = 0;
    int boardUsable = 1;
    uint16_t outputWord = 0;
    uint16_t daX = 0;
    uint16_t daY = 0;
    int libraryTried = 0;
    /// Linux protects its I/O ports like the NT family did: the kernel driver,
    /// not the program, sets the base address.
    int ntFamily = 1;
    /// The name the library is loaded by; tests point it at other builds.
    std::string libraryName = "ueidaq.dll";
    std::unique_ptr<platform::Library> library;
    UeidaqEntryPoints entry;

private:
    void WriteOutputWord();
    bool Usable() const { return boardUsable != 0; }
};

/// The one WIN-30 driver of the program.
WIN30PG& win30pg();
/// Unloads the library and puts the driver back to its start-up state (tests).
void ResetWin30pg();

}  // namespace orvex
