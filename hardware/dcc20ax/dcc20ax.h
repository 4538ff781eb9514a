#pragma once
// The X-ray counters on one to four DCC20AX counter/timer boards, driven
// through the vendor library "dcc20z32.dll". Each board has five counters,
// numbered 0..19 across the boards. The boards are reached either through one
// device name serving all of them, or through one device name per board.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "hardware/dcc20ax/dcc20_api.h"

namespace orvex {

namespace platform {
class Library;
}

class DCC20AX {
public:
    static constexpr int kMaxDevices = 4;
    static constexpr int kCountersPerBoard = 5;
    static constexpr int kMaxCounters = kMaxDevices * kCountersPerBoard;
    /// The system name of the vendor library.
    static constexpr const char* kLibraryName = "dcc20z32.dll";

    DCC20AX();
    ~DCC20AX();
    DCC20AX(DCC20AX&&) noexcept;
    DCC20AX& operator=(DCC20AX&&) noexcept;

    /// Reads "cttype", "CounterTimerDeviceName" and the board counts; any
    /// fault in them is reported and leaves the driver disabled.
    void ReadIni(const std::string& path);
    /// Writes "CounterTimerDeviceName" and "CounterTimerNumberofBoards".
    void WriteIni(const std::string& path) const;
    /// Loads the library, opens every device and master-resets it; a failed
    /// reset is reported and silences that device's counters.
    void Initialize();

    /// Sets the count time; below 0.01 s it becomes 0.01 and the result is 0, else 1.
    int SetCountTime(float seconds);
    /// Loads and starts counter n with the count time; 1 when it was started.
    int Start(int n);
    /// 1 while any started counter is still counting, else 0. A counter that
    /// never finishes gives up after a bounded wait, reported once.
    int IsCounting();
    /// The count of counter n; 0 when disabled or the board is silent.
    int Read(int n);
    /// The non-empty device names joined by ",".
    std::string GetDeviceNames() const;
    /// The device handle counter n is addressed through; reports a zero handle.
    int32_t GetHandle(int n);
    /// Sets the first device name (the device dispatch hands its
    /// "dcc20ax_DeviceName" over this way).
    void SetDeviceName(const std::string& name) { deviceNames[0] = name; }

    /// Boards in use: boardsPerDevice with a single device, else nameCount.
    int BoardCount() const { return singleDevice ? boardsPerDevice : nameCount; }
    /// Which device and which counter on it counter n is; false when n is
    /// outside the configured counters.
    bool Address(int n, int& device, int& counter) const;
    /// Whether the library is loaded with every entry point.
    bool LibraryReady() const { return ready_; }

    std::array<std::string, kMaxDevices> deviceNames{};
    double countTime = 0;
    int boardsPerDevice = 0;
    int counterCount = 0;
    int nameCount = 0;
    int singleDevice = 0;
    std::array<bool, kMaxCounters> started{};
    std::array<int32_t, kMaxDevices> handles{};
    std::array<int32_t, kMaxDevices> resetResults{};
    int enabled = 0;
    int libraryTried = 0;
    /// The name the library is loaded by; tests point it at other builds.
    std::string libraryName = kLibraryName;

    /// Longest wait for counts beyond the count time, in milliseconds.
    static constexpr uint32_t kCountGraceMs = 5000;
    /// Status polls without pause before IsCounting starts yielding 1 ms per
    /// poll: enough to cover the short count times without adding latency.
    static constexpr int kFreePolls = 100000;

private:
    struct EntryPoints {
        dcc20api::MasterResetFn masterReset = nullptr;
        dcc20api::OpenFn open = nullptr;
        dcc20api::LoadStartFn loadStart = nullptr;
        dcc20api::StopCounterFn stopCounter = nullptr;
        dcc20api::ReadCountFn readCount = nullptr;
        dcc20api::StatusFn status = nullptr;
    };

    bool LoadLibrary();
    /// Splits "CounterTimerDeviceName" into deviceNames; the number of names.
    int SplitDeviceNames(const std::string& value);
    bool BoardSilent(int device) const;

    std::unique_ptr<platform::Library> module_;
    EntryPoints entries_;
    bool ready_ = false;  // every entry point resolved
    std::array<bool, kMaxDevices> badHandleReported_{};
    uint32_t countStartTick_ = 0;
    int busyPolls_ = 0;
};

/// The one counter/timer driver of the program.
DCC20AX& dcc20ax();
/// Puts the driver back to its start-up state (closing its library).
void resetDcc20ax();
/// Plugs the driver into the settings load order (its keys are written by the
/// device dispatch).
void installDcc20axSettings();

}  // namespace orvex
