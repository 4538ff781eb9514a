#include "hardware/win30/win30pg.h"

#include "config/profile_file.h"
#include "hardware/board.h"
#include "hardware/vendor_library.h"
#include "platform/ui.h"

namespace orvex {

namespace {
const char* const kLoadCaption = "LoadUEIDAQ()";
const char* const kIniCaption = "WIN30PG::ReadIni()";
}  // namespace

WIN30PG& win30pg() {
    static WIN30PG driver;
    return driver;
}

void ResetWin30pg() { win30pg() = WIN30PG{}; }

void WIN30PG::ReadIni(const std::string& path) {
    baseAddress = config::ReadProfileInt(path, "hardware", "WIN30PGBaseAddress", 576);
    const std::string value = config::ReadProfileString(path, "hardware", "adrange", "unipolar5", 20);
    if (value == "unipolar5") {
        range = 1;
    } else if (value == "bipolar5") {
        range = 2;
    } else if (value == "unipolar10") {
        platform::showMessage(
            "Warning: 'unipolar10' not supported by WIN30 boards.\nDo not exceed +5v on WIN30 "
            "input.\nRange Set to 'unipolar5'.",
            kIniCaption);
        range = 1;
    } else {
        platform::showMessage(value + " - ad_range: not unipolar5 or bipolar5", kIniCaption);
        range = 1;
    }
}

void WIN30PG::WriteIni(const std::string& path) const {
    const char* text = range == 1 ? "unipolar5" : range == 2 ? "bipolar5" : "uninitialized";
    config::WriteProfileString(path, "hardware", "adrange", text);
}

bool WIN30PG::LoadLibrary() {
    if (libraryTried) return library != nullptr;
    libraryTried = 1;
    library = LoadVendorLibrary(libraryName, "Can't load UEIDAQ.dll", kLoadCaption);
    if (!library) return false;
    EntryPointResolver resolve(*library);
    resolve("da_out", entry.da_out);
    resolve("d_out", entry.d_out);
    resolve("d_mode", entry.d_mode);
    resolve("config_bd", entry.config_bd);
    resolve("diag", entry.diag);
    resolve("ad_in", entry.ad_in);
    resolve("d_in", entry.d_in);
    resolve("set_gain", entry.set_gain);
    resolve("mbh_chan", entry.mbh_chan);
    resolve("set_osc", entry.set_osc);
    resolve("ad_prescaler", entry.ad_prescaler);
    resolve("ad_clock", entry.ad_clock);
    if (!ntFamily) resolve("set_base", entry.set_base);
    if (resolve.missing) ReportMissingEntryPoints(resolve.missing, EntryPointTotal(), kLoadCaption);
    return true;
}

AnalogInputs WIN30PG::inputs() const {
    if (!Usable()) return AnalogInputs::Disabled;
    if (!library || !entry.mbh_chan) return AnalogInputs::Simulated;
    return AnalogInputs::Measured;
}

int WIN30PG::Initialize() {
    if (!LoadLibrary()) return 1;
    if (!ntFamily && entry.set_base) entry.set_base(baseAddress);
    // A library without its self-test cannot vouch for the board.
    const int fault = entry.diag ? entry.diag() : 1;
    if (fault == 0) {
        boardUsable = 1;
        if (entry.config_bd) entry.config_bd(15, 6, 7, 0, 0, 1, range == 1 ? 1 : 0, 0, 1, 0);
        if (entry.set_osc) entry.set_osc(100);
        if (entry.ad_prescaler) entry.ad_prescaler(2);
        if (entry.ad_clock) entry.ad_clock(2);
        if (entry.d_mode) entry.d_mode(0, 1, 1);
        return 0;
    }
    platform::showMessage("win30 board faulty or not found", "Initialize");
    platform::showMessage("Disabling calls to win30pg board", "Initialize()");
    boardUsable = 0;
    return 1;
}

void WIN30PG::SetX(unsigned int code) {
    daX = static_cast<uint16_t>(code);
    if (Usable() && entry.da_out) entry.da_out(1, code);
}

void WIN30PG::SetY(unsigned int code) {
    daY = static_cast<uint16_t>(code);
    if (Usable() && entry.da_out) entry.da_out(0, code);
}

void WIN30PG::WriteOutputWord() {
    if (Usable() && entry.d_out) entry.d_out(0, outputWord);
}

void WIN30PG::SetDigitalBit(int bit, int value) {
    if (bit < 0 || bit > 7 || (value != 0 && value != 1)) return;
    const uint16_t mask = static_cast<uint16_t>(1u << bit);
    outputWord = static_cast<uint16_t>(value ? (outputWord | mask) : (outputWord & ~mask));
    WriteOutputWord();
}

void WIN30PG::Control(int on) {
    outputWord = static_cast<uint16_t>(on ? (outputWord | 0x80) : (outputWord & ~0x80));
    WriteOutputWord();
}

void WIN30PG::SetTestPattern(unsigned int pattern) {
    SetDigitalBit(4, static_cast<int>(pattern & 1));
    SetDigitalBit(5, static_cast<int>((pattern >> 1) & 1));
    SetDigitalBit(6, static_cast<int>((pattern >> 2) & 1));
}

int WIN30PG::ReadDigital() {
    if (!Usable() || !entry.d_in) return 0;
    const int high = entry.d_in(2) & 0xFF;
    const int low = entry.d_in(1) & 0xFF;
    return (high * 256) | low;
}

void WIN30PG::SetGain(int channel, int gain) {
    if (channel < 0 || channel > 7) return;
    int code;
    switch (gain) {
        case 1: code = 0; break;
        case 2: case 10: code = 1; break;
        case 4: case 100: code = 2; break;
        case 8: case 1000: code = 3; break;
        default: return;
    }
    if (Usable() && entry.set_gain) entry.set_gain(channel, code);
}

int WIN30PG::ReadAnalogBlock(const int* channelList, int count, uint16_t* samples) {
    if (count <= 0 || !samples) return 0;
    if (!Usable()) {
        // The board failed its self-test: nothing is measured, and a made-up
        // picture must not pass for a measurement.
        for (int i = 0; i < count; ++i) samples[i] = 0;
        return 0;
    }
    if (entry.mbh_chan && channelList) {
        const int status = entry.mbh_chan(channelList, count, 0, samples);
        for (int i = 0; i < count; ++i) samples[i] = static_cast<uint16_t>(samples[i] << 4);
        return status;
    }
    // No acquisition entry point: the ramp of the simulated instrument, over
    // the pixel the device dispatch is acquiring.
    daX = static_cast<uint16_t>(board().pixelX);
    daY = static_cast<uint16_t>(board().pixelY);
    const uint16_t value = static_cast<uint16_t>((static_cast<uint32_t>(daX) + daY) * 16u);
    for (int i = 0; i < count; ++i) samples[i] = value;
    return 0;
}

}  // namespace orvex
