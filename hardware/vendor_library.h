#pragma once
// What every vendor-library wrapper does the same way: load the library by its
// system name, resolve its entry points by name while counting the missing
// ones, and report a missing library or missing entry points exactly once.
#include <memory>
#include <string>

#include "platform/library.h"

namespace orvex {

/// Resolves entry points into typed function pointers and counts those the
/// library lacks.
class EntryPointResolver {
public:
    explicit EntryPointResolver(const platform::Library& library) : library_(library) {}
    template <class F>
    void operator()(const char* name, F& function) {
        if (!library_.resolve(name, function)) ++missing;
    }
    int missing = 0;

private:
    const platform::Library& library_;
};

/// Loads a vendor library; when it is found nowhere, `notFoundText` is shown
/// under `caption` and null returned.
std::unique_ptr<platform::Library> LoadVendorLibrary(const std::string& name, const char* notFoundText,
                                                     const char* caption);

/// "%d of %d functions did not load" under `caption`.
void ReportMissingEntryPoints(int missing, int listed, const char* caption);

/// A library shared by several axes: loaded the first time it is asked for and
/// used only when every entry point resolved, so an entry point that failed to
/// resolve is never called.
class VendorLibrary {
public:
    virtual ~VendorLibrary();
    VendorLibrary(const VendorLibrary&) = delete;
    VendorLibrary& operator=(const VendorLibrary&) = delete;

    /// Loads the library the first time; true when it is loaded with every entry point.
    bool Load();
    /// Whether every entry point resolved.
    bool Ready() const { return ready_; }
    /// Whether the load has been attempted.
    bool Tried() const { return tried_; }
    /// Forgets the library, so the next Load tries again.
    void Unload();

    /// The name the library is loaded by; tests point it at other builds.
    std::string name;

protected:
    struct Texts {
        const char* notFound;        // shown when the library is found nowhere
        const char* caption;         // caption of that message
        const char* missingCaption;  // caption of "%d of %d functions did not load"
        int listed;                  // the count that message gives as the whole
    };
    VendorLibrary(std::string systemName, Texts texts);

    virtual void ResolveEntryPoints(EntryPointResolver& resolve) = 0;
    virtual void ClearEntryPoints() = 0;

private:
    Texts texts_;
    std::unique_ptr<platform::Library> module_;
    bool tried_ = false;
    bool ready_ = false;
};

}  // namespace orvex
