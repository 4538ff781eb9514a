#include "hardware/dcc20ax/dcc20ax.h"

#include <algorithm>
#include <cstdio>

#include "config/profile_file.h"
#include "config/settings_order.h"
#include "hardware/vendor_library.h"
#include "platform/clock.h"
#include "platform/library.h"
#include "platform/ui.h"

namespace orvex {

namespace {

constexpr const char* kReadIniCaption = "DCC20AX::ReadIni()";

void warn(const std::string& text, const std::string& caption) {
    platform::ui().message(text, caption, platform::Buttons::Ok, platform::Icon::Warning);
}

std::string trimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string hex(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<uint32_t>(value));
    return buffer;
}

}  // namespace

DCC20AX::DCC20AX() = default;
DCC20AX::~DCC20AX() = default;
DCC20AX::DCC20AX(DCC20AX&&) noexcept = default;
DCC20AX& DCC20AX::operator=(DCC20AX&&) noexcept = default;

int DCC20AX::SplitDeviceNames(const std::string& value) {
    if (value.empty()) {
        platform::showMessage("No CounterTimerDeviceName?", kReadIniCaption);
        return 0;
    }
    int commas = 0;
    for (char c : value)
        if (c == ',') ++commas;
    if (commas >= kMaxDevices) {
        platform::showMessage("CounterTimerDeviceName: to many names", kReadIniCaption);
        return 0;
    }
    // Empty pieces ("a,,b") are dropped so that device i is always the i-th
    // name that is there: the counters are addressed by that index.
    deviceNames = {};
    int count = 0;
    size_t start = 0;
    while (true) {
        size_t comma = value.find(',', start);
        std::string piece = trimBlanks(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!piece.empty()) deviceNames[count++] = piece;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return count;
}

void DCC20AX::ReadIni(const std::string& path) {
    enabled = 0;
    const std::string type = config::ReadProfileString(path, "hardware", "cttype", "CT_None", 20);
    if (type != "dcc20ax") {
        if (type == "none") {
            deviceNames[0] = "IOMapper0";
            boardsPerDevice = 0;
        }
        return;
    }
    const std::string names =
        config::ReadProfileString(path, "hardware", "CounterTimerDeviceName", "IOMapper0", 40);
    if (names.empty()) {
        warn("Missing DCC20AX device name in initialization file\nDCC20AX sampling disabled",
             kReadIniCaption);
        return;
    }
    const int64_t max = config::ReadProfileInt(path, "counter", "max", 0);
    const int64_t boards = config::ReadProfileInt(path, "hardware", "CounterTimerNumberofBoards", 0);
    if (boards * kCountersPerBoard < max) {
        warn("[counter]'max=' conflicts with [hardware]'CounterTimerNumberofBoards='\n"
             "DCC20AX sampling disabled",
             kReadIniCaption);
        boardsPerDevice = 0;
        return;
    }
    if (boards < 1 || boards > kMaxDevices) {
        warn("Number of DCC20AX boards is out of range\nDCC20AX sampling disabled", kReadIniCaption);
        boardsPerDevice = 0;
        return;
    }
    nameCount = SplitDeviceNames(names);
    if (nameCount == 0) {
        platform::showMessage("No device names?", kReadIniCaption);
        return;
    }
    if (boards < nameCount) {
        platform::showMessage("More device names than boards claimed in .ini", kReadIniCaption);
        return;
    }
    if (nameCount == 1) {
        singleDevice = 1;
        boardsPerDevice = static_cast<int>(boards);
    } else {
        // Several names: one board behind each. With fewer names than boards
        // the extra boards cannot be told apart, so only the named ones count.
        singleDevice = 0;
        boardsPerDevice = 1;
    }
    enabled = 1;
}

void DCC20AX::WriteIni(const std::string& path) const {
    config::WriteProfileString(path, "hardware", "CounterTimerDeviceName", GetDeviceNames());
    config::WriteProfileString(path, "hardware", "CounterTimerNumberofBoards", std::to_string(BoardCount()));
}

bool DCC20AX::LoadLibrary() {
    libraryTried = 1;
    constexpr const char* caption = "LoadDCC20Z32()";
    module_ = LoadVendorLibrary(libraryName, "Can't load DCC20Z32.dll", caption);
    if (!module_) return false;
    EntryPointResolver resolve(*module_);
    resolve(dcc20api::kEntryPointNames[0], entries_.masterReset);
    resolve(dcc20api::kEntryPointNames[1], entries_.open);
    resolve(dcc20api::kEntryPointNames[2], entries_.loadStart);
    resolve(dcc20api::kEntryPointNames[3], entries_.stopCounter);
    resolve(dcc20api::kEntryPointNames[4], entries_.readCount);
    resolve(dcc20api::kEntryPointNames[5], entries_.status);
    if (resolve.missing != 0) {
        // A library that lacks entry points is not used at all, so none that
        // failed to resolve can ever be called.
        ReportMissingEntryPoints(resolve.missing, 6, caption);
        entries_ = {};
        return false;
    }
    ready_ = true;
    return true;
}

void DCC20AX::Initialize() {
    if (enabled == 0 || boardsPerDevice == 0) return;
    if (deviceNames[0].empty()) {
        platform::showMessage("Uninitialized", "Counters");
        return;
    }
    if (!libraryTried) LoadLibrary();
    handles = {};
    resetResults = {};
    started = {};
    badHandleReported_ = {};
    if (ready_) {
        for (int i = 0; i < nameCount; ++i) {
            handles[i] = entries_.open(deviceNames[i].c_str(), nameCount == 1 ? boardsPerDevice : 1);
            if (handles[i] != 0) resetResults[i] = entries_.masterReset(handles[i]);
        }
    }
    for (int i = 1; i <= kMaxDevices; ++i) {
        if (resetResults[i - 1] != 0)
            platform::showMessage("Error during DCC20AX_MasterReset(" + std::to_string(i) + "/" +
                                      std::to_string(BoardCount()) + "):" + hex(resetResults[i - 1]) +
                                      "(hex)",
                                  "DCC20AX::Initialize()");
    }
    counterCount = BoardCount() * kCountersPerBoard;
}

int DCC20AX::SetCountTime(float seconds) {
    if (!(seconds >= 0.01f)) {  // also catches NaN
        countTime = 0.01;
        return 0;
    }
    countTime = seconds;
    return 1;
}

bool DCC20AX::Address(int n, int& device, int& counter) const {
    if (n < 0 || n >= kMaxCounters) return false;
    if (singleDevice) {
        device = 0;
        counter = n;
        return counter < counterCount;
    }
    device = n / kCountersPerBoard;
    counter = n % kCountersPerBoard;
    return device < nameCount;
}

int32_t DCC20AX::GetHandle(int n) {
    int device = 0, counter = 0;
    if (!Address(n, device, counter)) device = 0;
    const int32_t handle = handles[device];
    // Reported once per device: a board that failed to open would otherwise
    // repeat the message for every pixel.
    if (handle == 0 && !badHandleReported_[device]) {
        badHandleReported_[device] = true;
        platform::showMessage("Internal Error- Bad Handle", "DCC20AX::GetHandle()");
    }
    return handle;
}

bool DCC20AX::BoardSilent(int device) const {
    return device < 0 || device >= kMaxDevices || handles[device] == 0 || resetResults[device] != 0;
}

int DCC20AX::Start(int n) {
    if (enabled == 0) return 0;
    int device = 0, counter = 0;
    if (!Address(n, device, counter)) {
        platform::showMessage("bad channel parameter", "DCC20AX::Start()");
        return 0;
    }
    if (!ready_ || resetResults[device] != 0) {
        started[n] = false;
        return 0;
    }
    const int32_t handle = GetHandle(n);
    if (handle == 0) {
        started[n] = false;
        return 0;
    }
    bool first = true;
    for (bool s : started)
        if (s) first = false;
    if (first) {
        countStartTick_ = platform::clock().ticks();
        busyPolls_ = 0;
    }
    if (entries_.loadStart(handle, counter, static_cast<float>(countTime)) != 0) {
        platform::showMessage("Bad Initialization", "DCC20AX::Start()");
        started[n] = false;
        return 0;
    }
    started[n] = true;
    return 1;
}

int DCC20AX::IsCounting() {
    if (enabled == 0) return 0;
    bool counting = false;
    for (int n = 0; n < kMaxCounters; ++n) {
        if (!started[n]) continue;
        int device = 0, counter = 0;
        if (!Address(n, device, counter) || !ready_ || BoardSilent(device)) {
            started[n] = false;
        } else if (entries_.status(GetHandle(n), counter) != 0) {
            started[n] = false;
        } else {
            counting = true;
        }
    }
    if (!counting) return 0;
    // The caller polls until the counts are in. A board that never reports
    // them would hold the program forever, so the wait is bounded by the
    // count time and a grace period; after the first polls each one yields a
    // millisecond so the bound is measured on the program's clock.
    if (++busyPolls_ > kFreePolls) platform::clock().sleep(1);
    const double limitMs = std::min(countTime * 1000.0, 86400000.0) + kCountGraceMs;
    const uint32_t elapsed = platform::clock().ticks() - countStartTick_;
    if (elapsed > limitMs) {
        started = {};
        enabled = 0;
        warn("The counters did not finish counting\nDCC20AX sampling disabled", "DCC20AX::IsCounting()");
        return 0;
    }
    return 1;
}

int DCC20AX::Read(int n) {
    if (enabled == 0) return 0;
    int device = 0, counter = 0;
    if (!Address(n, device, counter) || counter >= counterCount) {
        platform::showMessage("bad channel number", "DCC20AX::Read()");
        return 0;
    }
    if (!ready_ || BoardSilent(device)) return 0;
    return entries_.readCount(GetHandle(n), counter);
}

std::string DCC20AX::GetDeviceNames() const {
    std::string joined;
    for (const auto& name : deviceNames) {
        if (name.empty()) continue;
        if (!joined.empty()) joined += ",";
        joined += name;
    }
    return joined;
}

DCC20AX& dcc20ax() {
    static DCC20AX instance;
    return instance;
}

void resetDcc20ax() { dcc20ax() = DCC20AX(); }

void installDcc20axSettings() {
    // Written by the device dispatch, only when the DCC20AX is the configured
    // counter/timer.
    config::SetSettingsHandlers(
        config::SettingsSlot::CounterTimer, [](const std::string& path) { dcc20ax().ReadIni(path); },
        nullptr);
}

}  // namespace orvex
