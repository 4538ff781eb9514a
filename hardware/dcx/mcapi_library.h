#pragma once
// "mcapi32.dll", loaded once for both DCX axes: the load and the report of a
// missing library or missing entry points happen a single time.
#include <memory>
#include <string>

#include "hardware/dcx/mcapi.h"

namespace orvex {

namespace platform {
class Library;
}

class McapiLibrary {
public:
    static constexpr const char* kLibraryName = "mcapi32.dll";

    McapiLibrary();
    ~McapiLibrary();
    McapiLibrary(const McapiLibrary&) = delete;
    McapiLibrary& operator=(const McapiLibrary&) = delete;

    /// Loads the library the first time it is asked for; true when it is
    /// loaded with every entry point. A failure is reported once under
    /// "LoadDlls()" (library missing) or "LoadMCAPI()" (entry points missing).
    bool Load();
    /// Whether every entry point resolved.
    bool Ready() const { return ready_; }
    /// Whether the load has been attempted.
    bool Tried() const { return tried_; }
    /// Forgets the library, so the next Load tries again.
    void Unload();

    mcapi::CloseFn close = nullptr;
    mcapi::OpenFn open = nullptr;
    mcapi::MoveRelativeFn moveRelative = nullptr;
    mcapi::GetPositionExFn getPositionEx = nullptr;
    mcapi::EnableAxisFn enableAxis = nullptr;
    mcapi::GetStatusFn getStatus = nullptr;
    mcapi::WaitForStopFn waitForStop = nullptr;
    mcapi::DecodeStatusFn decodeStatus = nullptr;
    mcapi::MoveAbsoluteFn moveAbsolute = nullptr;
    mcapi::EnableDigitalIOFn enableDigitalIO = nullptr;

    /// The name the library is loaded by; tests point it at other builds.
    std::string name = kLibraryName;

private:
    void ClearEntryPoints();
    std::unique_ptr<platform::Library> module_;
    bool tried_ = false;
    bool ready_ = false;
};

/// The library both DCX axes call.
McapiLibrary& mcapiLibrary();

}  // namespace orvex
