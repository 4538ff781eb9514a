#include "hardware/dcx/mcapi_library.h"

namespace orvex {

McapiLibrary::McapiLibrary() : VendorLibrary(kLibraryName, {"Can't load MCAPI32.dll", "LoadDlls()", "LoadMCAPI()", 9}) {}

void McapiLibrary::ResolveEntryPoints(EntryPointResolver& resolve) {
    resolve(mcapi::kEntryPointNames[0], close);
    resolve(mcapi::kEntryPointNames[1], open);
    resolve(mcapi::kEntryPointNames[2], moveRelative);
    resolve(mcapi::kEntryPointNames[3], getPositionEx);
    resolve(mcapi::kEntryPointNames[4], enableAxis);
    resolve(mcapi::kEntryPointNames[5], getStatus);
    resolve(mcapi::kEntryPointNames[6], waitForStop);
    resolve(mcapi::kEntryPointNames[7], decodeStatus);
    resolve(mcapi::kEntryPointNames[8], moveAbsolute);
    resolve(mcapi::kEntryPointNames[9], enableDigitalIO);
}

void McapiLibrary::ClearEntryPoints() {
    close = nullptr;
    open = nullptr;
    moveRelative = nullptr;
    getPositionEx = nullptr;
    enableAxis = nullptr;
    getStatus = nullptr;
    waitForStop = nullptr;
    decodeStatus = nullptr;
    moveAbsolute = nullptr;
    enableDigitalIO = nullptr;
}

}  // namespace orvex
