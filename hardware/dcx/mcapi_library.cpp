#include "hardware/dcx/mcapi_library.h"

#include "platform/library.h"
#include "platform/ui.h"

namespace orvex {

McapiLibrary::McapiLibrary() = default;
McapiLibrary::~McapiLibrary() = default;

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

bool McapiLibrary::Load() {
    if (tried_) return ready_;
    tried_ = true;
    module_ = platform::Library::load(name);
    if (!module_) {
        platform::showMessage("Can't load MCAPI32.dll", "LoadDlls()");
        return false;
    }
    int missing = 0;
    auto resolve = [&](int index, auto& function) {
        if (!module_->resolve(mcapi::kEntryPointNames[index], function)) ++missing;
    };
    resolve(0, close);
    resolve(1, open);
    resolve(2, moveRelative);
    resolve(3, getPositionEx);
    resolve(4, enableAxis);
    resolve(5, getStatus);
    resolve(6, waitForStop);
    resolve(7, decodeStatus);
    resolve(8, moveAbsolute);
    resolve(9, enableDigitalIO);
    if (missing != 0) {
        // An incomplete library is not used at all, so an entry point that
        // failed to resolve is never called.
        platform::showMessage(std::to_string(missing) + " of 9 functions did not load", "LoadMCAPI()");
        ClearEntryPoints();
        return false;
    }
    ready_ = true;
    return true;
}

void McapiLibrary::Unload() {
    ClearEntryPoints();
    module_.reset();
    tried_ = false;
    ready_ = false;
}

}  // namespace orvex
