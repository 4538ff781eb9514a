#pragma once
// Vendor libraries loaded at run time by the name the system knows them by
// ("mcapi32.dll", "ueidaq.dll", ...), with entry points resolved by name.
#include <memory>
#include <string>
#include <vector>

namespace orvex::platform {

class Library {
public:
    /// Loads the library; null when it is found nowhere. On Linux the name is
    /// looked for as given and as lib<stem>.so, in the program's folder, in
    /// the folders of ORVEX_LIBRARY_PATH, then on the system's search path.
    static std::unique_ptr<Library> load(const std::string& systemName);

    /// The file names tried for a system name, in order of preference.
    static std::vector<std::string> fileNames(const std::string& systemName);
    /// The folders searched before the system path, in order.
    static std::vector<std::string> searchFolders();

    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    /// The entry point's address, or null when the library does not export it.
    void* symbol(const char* name) const;

    /// Resolves an entry point into a typed function pointer; false when missing.
    template <class F>
    bool resolve(const char* name, F& function) const {
        function = reinterpret_cast<F>(symbol(name));
        return function != nullptr;
    }

    const std::string& path() const { return path_; }

private:
    Library(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};

/// The folder of the running program.
std::string programFolder();

}  // namespace orvex::platform
