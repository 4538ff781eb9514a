#pragma once
// What the stand-in WIN-30 library remembers, and the extra entry points
// tests use to look at it and to set the input ports.
#include <cstdint>

extern "C" {

struct UeidaqStandinState {
    unsigned int daCode[2];      // last code per D/A channel (1 is X, 0 is Y)
    unsigned int outputWord;     // last word written to port 0
    int outputWrites;            // number of d_out calls
    unsigned int writtenWords[64];  // the first 64 words written, in order
    int inputPort[3];            // what d_in returns per port (1 and 2 used)
    int gainCode[8];             // last gain code per channel, -1 never set
    int gainCalls;
    int configArgs[10];          // arguments of the last config_bd
    int configCalls;
    int oscillator, prescaler, adClock;
    int modeArgs[3];
    int baseAddress;             // last set_base, -1 never called
    int diagResult;              // what diag returns
    int diagCalls;
    int blockCalls;              // number of mbh_chan calls
    int lastBlockCount;
};

/// The stand-in's state, shared with whoever loaded the library.
UeidaqStandinState* ueidaq_standin_state();
/// Back to a sound board that has been told nothing.
void ueidaq_standin_reset();
/// Sets what d_in(port) returns (ports 1 and 2 hold one byte each).
void ueidaq_standin_set_port(int port, int value);
}
