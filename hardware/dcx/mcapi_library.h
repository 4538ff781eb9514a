#pragma once
// "mcapi32.dll", loaded once for both DCX axes: the load and the report of a
// missing library or missing entry points happen a single time.
#include "hardware/vendor_library.h"
#include "hardware/dcx/mcapi.h"

namespace orvex {

class McapiLibrary : public VendorLibrary {
public:
    static constexpr const char* kLibraryName = "mcapi32.dll";

    McapiLibrary();

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

private:
    void ResolveEntryPoints(EntryPointResolver& resolve) override;
    void ClearEntryPoints() override;
};

/// The library both DCX axes call.
McapiLibrary& mcapiLibrary();

}  // namespace orvex
