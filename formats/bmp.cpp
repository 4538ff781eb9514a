#include "formats/bmp.h"

#include <algorithm>
#include <cstring>

#include "formats/file_io.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex::formats {

namespace {

void warn(const char* text) {
    platform::ui().message(text, kImageLibraryCaption, platform::Buttons::Ok,
                           platform::Icon::Warning);
}

struct BmpHeader {
    uint32_t pixelOffset = 0;
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bits = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
};

// Reads both headers; false (with a message) for what no reader here takes.
bool readHeader(ByteReader& in, BmpHeader& h) {
    if (in.size() < 54 || in.u8(0) != 'B' || in.u8(1) != 'M') {
        warn("Unsupported BMP file");
        return false;
    }
    h.pixelOffset = in.u32(10);
    h.headerSize = in.u32(14);
    h.width = static_cast<int32_t>(in.u32(18));
    h.height = static_cast<int32_t>(in.u32(22));
    h.planes = in.u16(26);
    h.bits = in.u16(28);
    h.compression = in.u32(30);
    h.coloursUsed = in.u32(46);
    // The 40-byte header and its later, longer forms; the 12-byte form of
    // early OS/2 files lays its fields out differently.
    if (h.headerSize < 40 || h.headerSize > in.size() - 14) {
        warn("Unsupported BMP file");
        return false;
    }
    return true;
}

uint64_t paddedRowBytes(uint64_t width, unsigned bits) { return (width * bits + 31) / 32 * 4; }

// Whether every row's pixels lie in the file (the last row's padding may be
// missing): a file is read whole or refused, never with zeros for its end.
bool rowsInside(const BmpHeader& h, uint64_t pixelsAt, uint64_t rowBytes, uint64_t size) {
    if (h.width <= 0 || h.height <= 0) return true;  // the store refuses the size itself
    const uint64_t lastRow = (uint64_t(h.width) * h.bits + 7) / 8;
    const uint64_t end = pixelsAt + (uint64_t(h.height) - 1) * rowBytes + lastRow;
    return pixelsAt <= size && end <= size;
}

}  // namespace

bool ReadBmpBytes(Image& image, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    BmpHeader h;
    if (!readHeader(in, h)) return false;
    if (h.bits == 24) {
        warn("Can't read 24 bit image files");
        return false;
    }
    if (h.planes != 1 || (h.bits != 1 && h.bits != 4 && h.bits != 8)) {
        warn("Unsupported BMP file");
        return false;
    }
    if (h.compression != 0) {
        warn("Can't read compressed BMP files");
        return false;
    }
    if (h.height < 0) {
        warn("Can't read top-down BMP files");
        return false;
    }
    const uint64_t rowBytes = paddedRowBytes(h.width > 0 ? uint64_t(h.width) : 0, h.bits);
    const uint64_t pixelBytes = rowBytes * uint64_t(std::max(h.height, 0));
    if (!PixelDataPlausible(pixelBytes, size)) {
        warn("Unsupported BMP file");
        return false;
    }

    const int count = 1 << h.bits;
    // The palette follows the headers; files may hold fewer entries than the
    // depth allows (the colours-used count says how many), the rest are black.
    const uint64_t paletteAt = 14 + uint64_t(h.headerSize);
    const uint32_t entries =
        h.coloursUsed == 0 ? count : std::min<uint32_t>(h.coloursUsed, static_cast<uint32_t>(count));
    // The pixels start where the file header says (right after the palette
    // when it says 0).
    const uint64_t pixelsAt = h.pixelOffset != 0 ? h.pixelOffset : paletteAt + 4 * uint64_t(entries);
    if (!in.has(paletteAt, 4 * uint64_t(entries)) || !rowsInside(h, pixelsAt, rowBytes, size)) {
        warn("Unsupported BMP file");
        return false;
    }
    image.SetPaletteCount(count);
    if (!image.Allocate(h.width, h.height, h.bits)) return false;
    for (int i = 0; i < count; ++i) {
        uint64_t at = paletteAt + 4 * uint64_t(i);
        if (uint32_t(i) < entries)
            image.SetPaletteEntry(i, in.u8(at + 2), in.u8(at + 1), in.u8(at));
        else
            image.SetPaletteEntry(i, 0, 0, 0);
    }

    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (int r = 0; r < h.height; ++r) {
        uint64_t at = pixelsAt + uint64_t(r) * rowBytes;
        // The last row may lack its padding.
        uint64_t have = std::min<uint64_t>(rowBytes, size - at);
        std::memcpy(row.data(), data + at, have);
        std::fill(row.begin() + static_cast<ptrdiff_t>(have), row.end(), 0);
        image.WriteLine(h.height - 1 - r, row.data(), h.bits);
        image.ReportRowProgress(r, h.height);
    }
    return true;
}

bool ReadBmp(Image& image, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    return ReadBmpBytes(image, bytes.data(), bytes.size());
}

std::vector<uint8_t> EncodeBmp(Image& image, int depth) {
    if (depth == 16 || image.Depth() == 16) {
        warn("Cannot save a 16 bit image to BMP!\n");
        return {};
    }
    if (depth != 1 && depth != 4 && depth != 8) depth = image.Depth();
    const int width = image.Width();
    const int height = image.Height();
    const uint32_t entries = 1u << depth;
    const uint64_t rowBytes = paddedRowBytes(static_cast<uint64_t>(width), static_cast<unsigned>(depth));

    ByteWriter w;
    w.u8('B');
    w.u8('M');
    w.u32(0);  // the file size, filled in at the end
    w.u32(0);
    w.u32(54 + 4 * entries);
    w.u32(40);
    w.u32(static_cast<uint32_t>(width));
    w.u32(static_cast<uint32_t>(height));
    w.u16(1);
    w.u16(static_cast<uint16_t>(depth));
    w.zeros(24);
    const uint8_t* palette = image.PaletteBytes();
    for (uint32_t i = 0; i < entries; ++i) {
        w.u8(palette[4 * i]);
        w.u8(palette[4 * i + 1]);
        w.u8(palette[4 * i + 2]);
        w.u8(0);
    }
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes) + 2);
    for (int r = height - 1; r >= 0; --r) {
        std::fill(row.begin(), row.end(), 0);
        image.ReadLine(r, row.data(), depth);
        w.raw(row.data(), static_cast<size_t>(rowBytes));
        image.ReportRowProgress(height - 1 - r, height);
    }
    w.put32(2, static_cast<uint32_t>(w.size()));
    return std::move(w.bytes);
}

bool WriteBmp(Image& image, const std::string& path, int depth) {
    if (!image.IsAllocated()) return false;
    std::vector<uint8_t> bytes = EncodeBmp(image, depth);
    if (bytes.empty()) return false;
    return WriteFileAtomically(path, bytes);
}

namespace {

uint64_t splitPixelsAt(const BmpHeader& h) {
    return h.pixelOffset != 0 ? h.pixelOffset : 14 + uint64_t(h.headerSize);
}

// Fills three allocated 8-bit images from the rows of a 24-bit file.
void splitRows(const uint8_t* data, size_t size, const BmpHeader& h, Image* planes[3]) {
    const uint64_t width = uint64_t(h.width);
    const uint64_t rowBytes = (3 * width + 3) / 4 * 4;
    const uint64_t pixelsAt = splitPixelsAt(h);
    std::vector<uint8_t> bands[3];
    for (auto& b : bands) b.resize(static_cast<size_t>(width));
    for (int r = 0; r < h.height; ++r) {
        uint64_t at = pixelsAt + uint64_t(r) * rowBytes;
        uint64_t have = std::min<uint64_t>(rowBytes, size - at);
        for (uint64_t c = 0; c < width; ++c)
            for (int p = 0; p < 3; ++p)
                bands[p][c] = 3 * c + p < have ? data[at + 3 * c + p] : 0;
        for (int p = 0; p < 3; ++p) {
            planes[p]->WriteLine(h.height - 1 - r, bands[p].data(), 8);
            planes[p]->ReportRowProgress(r, h.height);
        }
    }
}

// The checks of the colour split, before anything is made.
bool splitHeader(ByteReader& in, BmpHeader& h) {
    if (!readHeader(in, h)) return false;
    if (h.bits != 24) {
        warn("This is not a 24 Bit Bitmap.;\n");
        return false;
    }
    if (h.compression != 0) {
        warn("Can't read compressed BMP files");
        return false;
    }
    if (h.height < 0) {
        warn("Can't read top-down BMP files");
        return false;
    }
    const uint64_t width = h.width > 0 ? uint64_t(h.width) : 0;
    if (!rowsInside(h, splitPixelsAt(h), (3 * width + 3) / 4 * 4, in.size())) {
        warn("Unsupported BMP file");
        return false;
    }
    return true;
}

}  // namespace

ImageHandle ReadBmpColourSplit(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return {};
    ByteReader in(bytes.data(), bytes.size());
    BmpHeader h;
    if (!splitHeader(in, h)) return {};
    // The red image is made first, so it takes the lowest image number, then
    // green and blue; the planes stay in the file's order of bytes (blue,
    // green, red).
    const int kinds[3] = {PaletteBlue, PaletteGreen, PaletteRed};
    ImageHandle windows[3];
    for (int p = 2; p >= 0; --p) {
        windows[p] = CreateImage(h.width, h.height, kinds[p], false, 8);
        if (!windows[p]) return {};
    }
    Image* planes[3];
    for (int p = 0; p < 3; ++p) {
        planes[p] = LiveImage(windows[p]);
        if (!planes[p]) return {};
    }
    splitRows(bytes.data(), bytes.size(), h, planes);
    for (int p = 0; p < 3; ++p) {
        planes[p]->SetModified(false);
        Redraw(windows[p], false);
    }
    return LiveImage(windows[2]) ? windows[2] : ImageHandle{};
}

bool ReadBmpColourSplitBytes(const uint8_t* data, size_t size, Image& red, Image& green,
                             Image& blue) {
    ByteReader in(data, size);
    BmpHeader h;
    if (!splitHeader(in, h)) return false;
    Image* planes[3] = {&blue, &green, &red};
    const int kinds[3] = {PaletteBlue, PaletteGreen, PaletteRed};
    for (int p = 0; p < 3; ++p) {
        planes[p]->SetPaletteCount(256);
        if (!planes[p]->Allocate(h.width, h.height, 8)) return false;
        planes[p]->ApplyPaletteKind(kinds[p]);
    }
    splitRows(data, size, h, planes);
    return true;
}

bool ReadBmpColourSplitImages(const std::string& path, Image& red, Image& green, Image& blue) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    return ReadBmpColourSplitBytes(bytes.data(), bytes.size(), red, green, blue);
}

}  // namespace orvex::formats
