#include "formats/pcx.h"

#include <algorithm>
#include <cstring>

#include "formats/bmp.h"
#include "formats/file_io.h"
#include "platform/ui.h"

namespace orvex::formats {

const uint8_t kDefaultPcxPalette[16][3] = {
    {0, 0, 0},       {0, 0, 128},     {0, 128, 0},     {0, 128, 128},
    {128, 0, 0},     {128, 0, 128},   {128, 128, 0},   {192, 192, 192},
    {128, 128, 128}, {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
    {255, 0, 0},     {255, 0, 255},   {255, 255, 0},   {255, 255, 255},
};

namespace {

constexpr size_t kHeaderBytes = 128;
constexpr size_t kPaletteBytes = 769;  // the marker 12 and 256 colours

void warn(const char* text) {
    platform::ui().message(text, kImageLibraryCaption, platform::Buttons::Ok,
                           platform::Icon::Warning);
}

}  // namespace

bool PcxDecoder::Holds(const uint8_t* data, size_t size, size_t position, uint64_t bytes) {
    uint64_t decoded = 0;
    while (decoded < bytes && position < size) {
        const uint8_t b = data[position++];
        if (b < 192) {
            ++decoded;
        } else {
            if (position >= size) break;
            ++position;
            decoded += b & 0x3F;
        }
    }
    return decoded >= bytes;
}

bool PcxDecoder::decodeRow(uint8_t* out, size_t bytes) {
    size_t filled = 0;
    while (filled < bytes) {
        if (runLeft_ > 0) {
            size_t n = std::min(runLeft_, bytes - filled);
            std::memset(out + filled, runValue_, n);
            filled += n;
            runLeft_ -= n;
            continue;
        }
        if (position_ >= size_) break;
        uint8_t b = data_[position_++];
        if (b < 192) {
            out[filled++] = b;
            continue;
        }
        // A count byte: its low six bits say how often the next byte repeats.
        if (position_ >= size_) break;
        runValue_ = data_[position_++];
        runLeft_ = b & 0x3F;
    }
    if (filled < bytes) std::memset(out + filled, 0, bytes - filled);
    return filled == bytes;
}

bool ReadPcxBytes(Image& image, const uint8_t* data, size_t size) {
    if (size == 0 || data[0] != 10) return false;
    if (size < kHeaderBytes) {
        warn("Error reading PCX image");  // a PCX header cut short
        return false;
    }
    ByteReader in(data, size);
    const int version = data[1];
    const int bitsPerPlane = data[3];
    const int xmin = in.u16(4), ymin = in.u16(6), xmax = in.u16(8), ymax = in.u16(10);
    const int planes = data[65];
    const size_t bytesPerLine = in.u16(66);
    const int width = xmax - xmin + 1;
    const int height = ymax - ymin + 1;

    const bool colours256 = bitsPerPlane == 8 && planes == 1;
    const bool colours16 = bitsPerPlane == 1 && planes == 4;
    if (!colours256 && !colours16) {
        warn("Unsupported PCX type");
        return false;
    }
    const int depth = colours256 ? 8 : 4;
    // The rows the file codes are as long as its bytes per line say, whatever
    // the width: both must be what a file of this size can hold.
    const uint64_t codedBytes = uint64_t(std::max(height, 0)) * bytesPerLine * unsigned(planes);
    if (width > 0 && height > 0 &&
        (!PixelDataPlausible(uint64_t(width) * uint64_t(height) * unsigned(depth) / 8, size) ||
         !PixelDataPlausible(codedBytes, size))) {
        warn("Unsupported PCX type");
        return false;
    }
    // The 256-colour palette is checked before the rows are decoded, so a
    // file without one allocates nothing.
    if (colours256 && (size < kHeaderBytes + kPaletteBytes || data[size - kPaletteBytes] != 12)) {
        warn("Error reading PCX image");
        return false;
    }
    // Every row must come from the file: a file whose coded rows end early is
    // refused before anything is allocated, not read with zeros.
    const size_t codedEnd = colours256 ? size - kPaletteBytes : size;
    const size_t lineBytes = bytesPerLine * size_t(planes);
    if (width > 0 && height > 0 &&
        (bytesPerLine * (colours256 ? 1 : 8) < size_t(width) ||
         !PcxDecoder::Holds(data, codedEnd, kHeaderBytes, uint64_t(height) * lineBytes))) {
        warn("Error reading PCX image");
        return false;
    }
    image.SetPaletteCount(colours256 ? 256 : 16);
    if (!image.Allocate(width, height, depth)) return false;

    PcxDecoder decoder(data, codedEnd, kHeaderBytes);
    std::vector<uint8_t> line(std::max(lineBytes, size_t(width)));
    std::vector<uint8_t> pixels(static_cast<size_t>(width));
    for (int r = 0; r < height; ++r) {
        decoder.decodeRow(line.data(), lineBytes);
        if (colours256) {
            image.WriteLine(r, line.data(), 8);
        } else {
            for (int c = 0; c < width; ++c) {
                size_t byte = size_t(c) / 8;
                int bit = 7 - c % 8;
                int value = 0;
                for (int p = 0; p < 4; ++p)
                    if (byte < bytesPerLine && (line[p * bytesPerLine + byte] >> bit & 1))
                        value |= 1 << p;
                pixels[c] = static_cast<uint8_t>(value);
            }
            image.WriteLine(r, pixels.data(), 8);
        }
        image.ReportRowProgress(r, height);
    }

    if (colours256) {
        const uint8_t* p = data + size - kPaletteBytes + 1;
        for (int i = 0; i < 256; ++i) image.SetPaletteEntry(i, p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    } else if (version == 3) {
        for (int i = 0; i < 16; ++i)
            image.SetPaletteEntry(i, kDefaultPcxPalette[i][0], kDefaultPcxPalette[i][1],
                                  kDefaultPcxPalette[i][2]);
    } else {
        for (int i = 0; i < 16; ++i)
            image.SetPaletteEntry(i, data[16 + 3 * i], data[17 + 3 * i], data[18 + 3 * i]);
    }
    return true;
}

bool ReadPcx(Image& image, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    return ReadPcxBytes(image, bytes.data(), bytes.size());
}

}  // namespace orvex::formats
