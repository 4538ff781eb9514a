#include "imagestore/raw_file.h"

#include <array>
#include <cstdio>
#include <vector>

#include "imagestore/image.h"
#include "imagestore/replace_file.h"

namespace orvex {

int ReadRawFile(Image& image, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    image.SetPaletteCount(256);
    if (!image.Allocate(kRawFileSide, kRawFileSide, 8)) {
        std::fclose(file);
        return 0;
    }
    std::array<uint8_t, kRawFileSide> record{};
    for (int row = 0; row < kRawFileSide; ++row) {
        record.fill(0);
        const size_t got = std::fread(record.data(), 1, record.size(), file);
        if (got == 0) break;
        image.WriteLine(row, record.data(), 8);
        image.ReportRowProgress(row, kRawFileSide);
        if (got < record.size()) break;
    }
    std::fclose(file);
    return 1;
}

int WriteRawFile(Image& image, const std::string& path) {
    if (!image.IsAllocated()) return 0;
    std::vector<uint8_t> row(static_cast<size_t>(image.Width()));
    const bool ok = WriteFileReplacing(path, [&](std::FILE* file) {
        for (int r = 0; r < image.Height(); ++r) {
            image.ReadLine(r, row.data(), 8);
            if (std::fwrite(row.data(), 1, row.size(), file) != row.size()) return false;
            image.ReportRowProgress(r, image.Height());
        }
        return true;
    });
    return ok ? 1 : 0;
}

}  // namespace orvex
