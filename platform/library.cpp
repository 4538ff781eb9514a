#include "platform/library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace orvex::platform {

namespace fs = std::filesystem;

std::string programFolder() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) return fs::current_path(error).string();
    return exe.parent_path().string();
}

std::vector<std::string> Library::fileNames(const std::string& systemName) {
    std::vector<std::string> names{systemName};
    std::string stem = fs::path(systemName).stem().string();
    if (!stem.empty()) names.push_back("lib" + stem + ".so");
    return names;
}

std::vector<std::string> Library::searchFolders() {
    std::vector<std::string> folders{programFolder()};
    if (const char* extra = std::getenv("ORVEX_LIBRARY_PATH")) {
        std::string list = extra;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    return folders;
}

std::unique_ptr<Library> Library::load(const std::string& systemName) {
    if (systemName.empty()) return nullptr;
    const auto names = fileNames(systemName);
    for (const auto& folder : searchFolders()) {
        for (const auto& name : names) {
            fs::path candidate = fs::path(folder) / name;
            std::error_code error;
            if (!fs::is_regular_file(candidate, error)) continue;
            if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
                return std::unique_ptr<Library>(new Library(handle, candidate.string()));
        }
    }
    for (const auto& name : names) {
        if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL))
            return std::unique_ptr<Library>(new Library(handle, name));
    }
    return nullptr;
}

Library::~Library() {
    if (handle_) dlclose(handle_);
}

void* Library::symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

}  // namespace orvex::platform
