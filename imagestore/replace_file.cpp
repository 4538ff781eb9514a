#include "imagestore/replace_file.h"

#include <unistd.h>

namespace orvex {

bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& writer) {
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    bool ok = writer(file);
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace orvex
