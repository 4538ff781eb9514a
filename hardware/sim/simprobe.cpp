#include "hardware/sim/simprobe.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "config/profile_file.h"
#include "platform/ui.h"

namespace orvex {

SIMPROBE& simProbe() {
    static SIMPROBE probe;
    return probe;
}

void ResetSimProbe() { simProbe() = SIMPROBE{}; }

void SIMPROBE::SetControl(int on) {
    control = on;
    if (on)
        outputWord = static_cast<uint16_t>(outputWord | 0x80);
    else
        outputWord = static_cast<uint16_t>(outputWord & ~0x80);
}

int SIMPROBE::SetCountTime(float seconds) {
    countTime = seconds;
    if (seconds < 0.01f) {
        countTime = 0.01;
        return 0;
    }
    return 1;
}

void SIMPROBE::StartCounter(int n) {
    if (n >= 0 && n < kCounters) counting[n] = true;
}

int SIMPROBE::IsCounting() {
    for (bool& flag : counting) {
        if (flag) {
            flag = false;
            return 1;
        }
    }
    return 0;
}

int SIMPROBE::ReadCounter(int n) const {
    if (n < 0 || n >= kCounters) return 0;
    return static_cast<int>(((daX * daY) % 65536u) >> (n / 2));
}

void SIMPROBE::ReadIni(const std::string& path) {
    iniRead = 1;
    boards = config::ReadProfileInt(path, "hardware", "CounterTimeNumberofBoards", 1);
    counterCount = config::ReadProfileInt(path, "counter", "max", 1);
    std::string type = config::ReadProfileString(path, "hardware", "mctype", "none", 20);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (type.find("dcx") != std::string::npos || type.find("simulate") != std::string::npos) {
        const int motors = config::ReadProfileInt(path, "hardware", "stage motors", 0);
        if (motors < 2) {
            platform::showMessage("not enough simulated stage motors for simulated X-Y imaging",
                                  "readini()");
            platform::showMessage("simulated stage motors disabled", "SIMPROBE::ReadIni()");
        }
    }
}

void SIMPROBE::Initialize() {
    if (boards == 0) return;
    if (iniRead == 0 || boards == 65535) {
        platform::showMessage("Uninitialized", "Counters");
        return;
    }
    // A board count from the file may be absurd; the product must not overflow.
    counterCount = static_cast<int>(std::clamp<long long>(boards * 5LL, INT_MIN, INT_MAX));
}

}  // namespace orvex
