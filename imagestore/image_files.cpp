// The load and save dispatch of Image by ImageFileType. The raw type lives
// here; the other formats have their own readers and writers in formats/.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "formats/bmp.h"
#include "formats/grid.h"
#include "formats/pcx.h"
#include "formats/tiff.h"
#include "imagestore/image.h"
#include "imagestore/raw_file.h"

namespace orvex {

int Image::Load(const std::string& path, int fileType) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return 0;
    int ok = 0;
    switch (fileType) {
        case ImageFileRaw: ok = ReadRawFile(*this, path); break;
        case ImageFileTiff: ok = formats::ReadTiff(*this, path) ? 1 : 0; break;
        case ImageFilePcx: ok = formats::ReadPcx(*this, path) ? 1 : 0; break;
        case ImageFileBmp: ok = formats::ReadBmp(*this, path) ? 1 : 0; break;
        case ImageFileGrid: ok = formats::ReadGrid(*this, path) ? 1 : 0; break;
        default: ok = 0; break;
    }
    loadSucceeded_ = ok ? 1 : 0;
    if (ok) {
        modified_ = 0;
        fileType_ = fileType;
    }
    return ok;
}

int Image::Save(const std::string& path, int fileType) {
    int ok = 0;
    switch (fileType) {
        case ImageFileRaw: ok = WriteRawFile(*this, path); break;
        case ImageFileTiff: ok = formats::WriteTiff(*this, path, requestedDepth_) ? 1 : 0; break;
        case ImageFileBmp: ok = formats::WriteBmp(*this, path, requestedDepth_) ? 1 : 0; break;
        case ImageFileGrid: ok = formats::WriteGrid(this, path) ? 1 : 0; break;
        case ImageFilePcx:  // read only
        default: ok = 0; break;
    }
    if (ok) {
        modified_ = 0;
        fileType_ = fileType;
    }
    return ok;
}

}  // namespace orvex
