#pragma once
// "sx50_32.dll", loaded once for the whole instrument: both SX50 axes share
// the library as they share its connection, so a missing library or missing
// entry points are reported a single time.
#include <memory>
#include <string>

#include "hardware/sx50/sx50_api.h"

namespace orvex {

namespace platform {
class Library;
}

class Sx50Library {
public:
    static constexpr const char* kLibraryName = "sx50_32.dll";

    Sx50Library();
    ~Sx50Library();
    Sx50Library(const Sx50Library&) = delete;
    Sx50Library& operator=(const Sx50Library&) = delete;

    /// Loads the library the first time it is asked for; true when it is
    /// loaded with every entry point. Failures are reported once under
    /// "LoadSX50_32()".
    bool Load();
    /// Whether every entry point resolved.
    bool Ready() const { return ready_; }
    bool Tried() const { return tried_; }
    /// Forgets the library, so the next Load tries again.
    void Unload();

    sx50api::LoadStageAbsFn loadStageAbs = nullptr;
    sx50api::InitializeFn initialize = nullptr;
    sx50api::StartStageFn startStage = nullptr;
    sx50api::LoadStageRelFn loadStageRel = nullptr;
    sx50api::ReadStagePosFn readStagePos = nullptr;
    sx50api::GetErrorFn getError = nullptr;
    sx50api::ReadStageStatusFn readStageStatus = nullptr;
    sx50api::CloseFn close = nullptr;
    sx50api::SetFaradayFn setFaraday = nullptr;

    /// The name the library is loaded by; tests point it at other builds.
    std::string name = kLibraryName;

private:
    void ClearEntryPoints();
    std::unique_ptr<platform::Library> module_;
    bool tried_ = false;
    bool ready_ = false;
};

/// The library both SX50 axes call.
Sx50Library& sx50Library();

}  // namespace orvex
