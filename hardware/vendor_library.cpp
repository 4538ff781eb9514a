#include "hardware/vendor_library.h"

#include "platform/ui.h"

namespace orvex {

std::unique_ptr<platform::Library> LoadVendorLibrary(const std::string& name, const char* notFoundText,
                                                     const char* caption) {
    auto library = platform::Library::load(name);
    if (!library) platform::showMessage(notFoundText, caption);
    return library;
}

void ReportMissingEntryPoints(int missing, int listed, const char* caption) {
    platform::showMessage(std::to_string(missing) + " of " + std::to_string(listed) + " functions did not load",
                          caption);
}

VendorLibrary::VendorLibrary(std::string systemName, Texts texts) : name(std::move(systemName)), texts_(texts) {}
VendorLibrary::~VendorLibrary() = default;

bool VendorLibrary::Load() {
    if (tried_) return ready_;
    tried_ = true;
    module_ = LoadVendorLibrary(name, texts_.notFound, texts_.caption);
    if (!module_) return false;
    EntryPointResolver resolve(*module_);
    ResolveEntryPoints(resolve);
    if (resolve.missing != 0) {
        ReportMissingEntryPoints(resolve.missing, texts_.listed, texts_.missingCaption);
        ClearEntryPoints();
        return false;
    }
    ready_ = true;
    return true;
}

void VendorLibrary::Unload() {
    ClearEntryPoints();
    module_.reset();
    tried_ = false;
    ready_ = false;
}

}  // namespace orvex
