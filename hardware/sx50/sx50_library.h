#pragma once
// "sx50_32.dll", loaded once for the whole instrument: both SX50 axes share
// the library as they share its connection, so a missing library or missing
// entry points are reported a single time.
#include "hardware/vendor_library.h"
#include "hardware/sx50/sx50_api.h"

namespace orvex {

class Sx50Library : public VendorLibrary {
public:
    static constexpr const char* kLibraryName = "sx50_32.dll";

    Sx50Library();

    sx50api::LoadStageAbsFn loadStageAbs = nullptr;
    sx50api::InitializeFn initialize = nullptr;
    sx50api::StartStageFn startStage = nullptr;
    sx50api::LoadStageRelFn loadStageRel = nullptr;
    sx50api::ReadStagePosFn readStagePos = nullptr;
    sx50api::GetErrorFn getError = nullptr;
    sx50api::ReadStageStatusFn readStageStatus = nullptr;
    sx50api::CloseFn close = nullptr;
    sx50api::SetFaradayFn setFaraday = nullptr;

private:
    void ResolveEntryPoints(EntryPointResolver& resolve) override;
    void ClearEntryPoints() override;
};

/// The library both SX50 axes call.
Sx50Library& sx50Library();

}  // namespace orvex
