#pragma once
// The readers that take a path get the fuzzer's bytes through one file of the
// process's own, in memory (/dev/shm) where there is one.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvex::fuzzing {

inline const std::string& InputPath(const char* extension) {
    static const std::string path = [&] {
        std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return folder + "/orvex_fuzz_" + std::to_string(getpid()) + extension;
    }();
    return path;
}

/// Writes the bytes to the input file and gives its path.
inline const std::string& WriteInput(const uint8_t* data, size_t size, const char* extension) {
    const std::string& path = InputPath(extension);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace orvex::fuzzing
