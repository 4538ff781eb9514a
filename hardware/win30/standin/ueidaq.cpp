// Stand-in for "ueidaq.dll": a sound WIN-30 board without the board. The
// self-test passes, D/A codes and the output word are kept, and the
// multiplexed read returns 12-bit samples that follow the last D/A codes, so
// a scan through the real driver paints a diagonal ramp.
#include <cstring>

#include "hardware/win30/standin/ueidaq_standin.h"

#define UEIDAQ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

UeidaqStandinState& state() {
    static UeidaqStandinState s = [] {
        UeidaqStandinState fresh;
        std::memset(&fresh, 0, sizeof fresh);
        for (int& g : fresh.gainCode) g = -1;
        fresh.baseAddress = -1;
        return fresh;
    }();
    return s;
}

// One 12-bit sample of input channel `channel` at the present beam position.
[[maybe_unused]] uint16_t sample(int channel) {
    const unsigned x = state().daCode[1] & 0xFFFFu;
    const unsigned y = state().daCode[0] & 0xFFFFu;
    return static_cast<uint16_t>(((x >> 5) + (y >> 5) + static_cast<unsigned>(channel) * 512u) &
                                 0x0FFFu);
}

}  // namespace

UEIDAQ_EXPORT UeidaqStandinState* ueidaq_standin_state() { return &state(); }

UEIDAQ_EXPORT void ueidaq_standin_reset() {
    UeidaqStandinState& s = state();
    std::memset(&s, 0, sizeof s);
    for (int& g : s.gainCode) g = -1;
    s.baseAddress = -1;
}

UEIDAQ_EXPORT void ueidaq_standin_set_port(int port, int value) {
    if (port >= 0 && port < 3) state().inputPort[port] = value & 0xFF;
}

UEIDAQ_EXPORT int da_out(int channel, unsigned int code) {
    if (channel < 0 || channel > 1) return -1;
    state().daCode[channel] = code;
    return 0;
}

UEIDAQ_EXPORT int d_out(int port, unsigned int word) {
    if (port != 0) return -1;
    UeidaqStandinState& s = state();
    s.outputWord = word;
    if (s.outputWrites < 64) s.writtenWords[s.outputWrites] = word;
    ++s.outputWrites;
    return 0;
}

UEIDAQ_EXPORT int d_mode(int a, int b, int c) {
    state().modeArgs[0] = a;
    state().modeArgs[1] = b;
    state().modeArgs[2] = c;
    return 0;
}

UEIDAQ_EXPORT int config_bd(int a0, int a1, int a2, int a3, int a4, int a5, int a6, int a7,
                            int a8, int a9) {
    const int args[10] = {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9};
    std::memcpy(state().configArgs, args, sizeof args);
    ++state().configCalls;
    return 0;
}

UEIDAQ_EXPORT int diag() {
    ++state().diagCalls;
    return state().diagResult;
}

UEIDAQ_EXPORT int d_in(int port) {
    if (port < 0 || port > 2) return 0;
    return state().inputPort[port];
}

UEIDAQ_EXPORT int set_gain(int channel, int code) {
    if (channel < 0 || channel > 7) return -1;
    state().gainCode[channel] = code;
    ++state().gainCalls;
    return 0;
}

UEIDAQ_EXPORT int ad_prescaler(int value) {
    state().prescaler = value;
    return 0;
}

UEIDAQ_EXPORT int ad_clock(int value) {
    state().adClock = value;
    return 0;
}

UEIDAQ_EXPORT int set_base(int address) {
    state().baseAddress = address;
    return 0;
}

#ifndef UEIDAQ_PARTIAL
UEIDAQ_EXPORT int ad_in(int channel) { return sample(channel); }

UEIDAQ_EXPORT int set_osc(int value) {
    state().oscillator = value;
    return 0;
}

// Samples cycle through the channel list (ended by an entry of 16 or more),
// as a burst of several readings per channel does.
UEIDAQ_EXPORT int mbh_chan(const int* channelList, int count, int mode, uint16_t* samples) {
    (void)mode;
    ++state().blockCalls;
    state().lastBlockCount = count;
    if (!channelList || !samples || count <= 0) return -1;
    int channels = 0;
    while (channels < 16 && channelList[channels] >= 0 && channelList[channels] < 16) ++channels;
    if (channels == 0) return -1;
    for (int i = 0; i < count; ++i) samples[i] = sample(channelList[i % channels]);
    return 0;
}
#endif
