#include "hardware/sx50/sx50_library.h"

namespace orvex {

Sx50Library::Sx50Library() : VendorLibrary(kLibraryName, {"Can't load SX50_32.dll", "LoadSX50_32()", "LoadSX50_32()", 7}) {}

void Sx50Library::ResolveEntryPoints(EntryPointResolver& resolve) {
    resolve(sx50api::kEntryPointNames[0], loadStageAbs);
    resolve(sx50api::kEntryPointNames[1], initialize);
    resolve(sx50api::kEntryPointNames[2], startStage);
    resolve(sx50api::kEntryPointNames[3], loadStageRel);
    resolve(sx50api::kEntryPointNames[4], readStagePos);
    resolve(sx50api::kEntryPointNames[5], getError);
    resolve(sx50api::kEntryPointNames[6], readStageStatus);
    resolve(sx50api::kEntryPointNames[7], close);
    resolve(sx50api::kEntryPointNames[8], setFaraday);
}

void Sx50Library::ClearEntryPoints() {
    loadStageAbs = nullptr;
    initialize = nullptr;
    startStage = nullptr;
    loadStageRel = nullptr;
    readStagePos = nullptr;
    getError = nullptr;
    readStageStatus = nullptr;
    close = nullptr;
    setFaraday = nullptr;
}

}  // namespace orvex
