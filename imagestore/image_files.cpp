#include "imagestore/image_files.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "imagestore/image.h"
#include "imagestore/raw_file.h"

namespace orvex {

namespace {

std::map<int, ImageFileFormat>& installedFormats() {
    static std::map<int, ImageFileFormat> formats{
        {ImageFileRaw,
         {[](Image& image, const std::string& path) { return ReadRawFile(image, path) != 0; },
          [](Image& image, const std::string& path, int) { return WriteRawFile(image, path) != 0; }}}};
    return formats;
}

const ImageFileFormat* formatOf(int fileType) {
    auto found = installedFormats().find(fileType);
    return found == installedFormats().end() ? nullptr : &found->second;
}

}  // namespace

void InstallImageFileFormat(int fileType, ImageFileFormat format) {
    installedFormats()[fileType] = std::move(format);
}

int Image::Load(const std::string& path, int fileType) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return 0;
    const ImageFileFormat* format = formatOf(fileType);
    const int ok = format && format->read && format->read(*this, path) ? 1 : 0;
    loadSucceeded_ = ok ? 1 : 0;
    if (ok) {
        modified_ = 0;
        fileType_ = fileType;
    }
    return ok;
}

int Image::Save(const std::string& path, int fileType) {
    const ImageFileFormat* format = formatOf(fileType);
    const int ok = format && format->write && format->write(*this, path, requestedDepth_) ? 1 : 0;
    if (ok) {
        modified_ = 0;
        fileType_ = fileType;
    }
    return ok;
}

}  // namespace orvex
