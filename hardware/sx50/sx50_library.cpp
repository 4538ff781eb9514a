#include "hardware/sx50/sx50_library.h"

#include "platform/library.h"
#include "platform/ui.h"

namespace orvex {

Sx50Library::Sx50Library() = default;
Sx50Library::~Sx50Library() = default;

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

bool Sx50Library::Load() {
    if (tried_) return ready_;
    tried_ = true;
    constexpr const char* caption = "LoadSX50_32()";
    module_ = platform::Library::load(name);
    if (!module_) {
        platform::showMessage("Can't load SX50_32.dll", caption);
        return false;
    }
    int missing = 0;
    auto resolve = [&](int index, auto& function) {
        if (!module_->resolve(sx50api::kEntryPointNames[index], function)) ++missing;
    };
    resolve(0, loadStageAbs);
    resolve(1, initialize);
    resolve(2, startStage);
    resolve(3, loadStageRel);
    resolve(4, readStagePos);
    resolve(5, getError);
    resolve(6, readStageStatus);
    resolve(7, close);
    resolve(8, setFaraday);
    if (missing != 0) {
        // An incomplete library is not used at all, so an entry point that
        // failed to resolve is never called.
        platform::showMessage(std::to_string(missing) + " of 7 functions did not load", caption);
        ClearEntryPoints();
        return false;
    }
    ready_ = true;
    return true;
}

void Sx50Library::Unload() {
    ClearEntryPoints();
    module_.reset();
    tried_ = false;
    ready_ = false;
}

}  // namespace orvex
