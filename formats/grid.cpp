#include "formats/grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "formats/file_io.h"
#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/value_range.h"
#include "platform/ui.h"

namespace orvex::formats {

namespace {

constexpr size_t kHeaderBytes = 56;
constexpr const char* kWriteCommand = "write_grd_menu";

GridKind kindOfRange(double zlo, double zhi) {
    if (zlo == 0.0 && zhi == 255.0) return GridKind::Raw8;
    if (zlo == 0.0 && zhi == 65535.0) return GridKind::Raw16;
    return GridKind::Scaled;
}

// A real value turned into a pixel value: truncated, within 0..maxValue; a
// value that is not a number (a blanked node) is 0.
uint16_t toPixel(double v, double maxValue) {
    if (!(v >= 0.0)) return 0;
    if (v >= maxValue) return static_cast<uint16_t>(maxValue);
    return static_cast<uint16_t>(v);
}

}  // namespace

namespace {

bool parseHeader(const uint8_t* data, size_t size, GridHeader& h) {
    if (size < 4 || std::memcmp(data, "DSBB", 4) != 0) return false;
    if (size < kHeaderBytes) {
        platform::showMessage("read_grd_menu", "Grid file shorter than its size?");
        return false;
    }
    ByteReader in(data, size);
    h.nx = in.u16(4);
    h.ny = in.u16(6);
    h.xlo = in.f64(8);
    h.xhi = in.f64(16);
    h.ylo = in.f64(24);
    h.yhi = in.f64(32);
    h.zlo = in.f64(40);
    h.zhi = in.f64(48);
    return true;
}

int depthOf(const GridHeader& h, bool preferSixteenBit) {
    const GridKind kind = kindOfRange(h.zlo, h.zhi);
    return kind == GridKind::Raw16 || (kind == GridKind::Scaled && preferSixteenBit) ? 16 : 8;
}

// Refuses a file that does not hold every row its header promises (before
// anything is allocated): a grid is read whole or not at all.
bool plausible(const GridHeader& h, size_t size) {
    if (size >= kHeaderBytes && (size - kHeaderBytes) / 4 >= uint64_t(h.nx) * h.ny) return true;
    platform::showMessage("read_grd_menu", "Grid file shorter than its size?");
    return false;
}

ZRegistration zOf(const GridHeader& h, const std::string& zunits) {
    ZRegistration z;
    z.flag = 1;
    z.low = h.zlo;
    z.high = h.zhi;
    z.units = zunits.substr(0, ZRegistration::kUnitsLength - 1);
    return z;
}

// File row i is image row ny - 1 - i.
void fillRows(Image& image, const GridHeader& h, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const GridKind kind = kindOfRange(h.zlo, h.zhi);
    const int depth = image.Depth();
    const double maxValue = depth == 16 ? 65535.0 : 255.0;
    const double lo = std::min(h.zlo, h.zhi), hi = std::max(h.zlo, h.zhi);
    const double span = h.zhi - h.zlo;
    std::vector<uint16_t> row16(h.nx);
    std::vector<uint8_t> row8(h.nx);
    const uint64_t rowBytes = 4 * uint64_t(h.nx);
    for (int i = 0; i < h.ny; ++i) {
        const uint64_t at = kHeaderBytes + uint64_t(i) * rowBytes;
        if (!in.has(at, rowBytes)) break;
        for (int c = 0; c < h.nx; ++c) {
            double v = in.f32(at + 4 * uint64_t(c));
            if (v < lo) v = lo;
            if (v > hi) v = hi;
            double p;
            if (kind != GridKind::Scaled)
                p = v;
            else if (span != 0.0)
                p = (v - h.zlo) * maxValue / span + 0.5;
            else
                p = 0.0;
            row16[c] = toPixel(p, maxValue);
        }
        const int target = h.ny - 1 - i;
        if (depth == 16) {
            image.WriteLine(target, row16.data(), 16);
        } else {
            for (int c = 0; c < h.nx; ++c) row8[c] = static_cast<uint8_t>(row16[c]);
            image.WriteLine(target, row8.data(), 8);
        }
        image.ReportProgress(static_cast<int>(int64_t(i + 1) * 100 / h.ny));
    }
}

void cornersOf(const GridHeader& h, double factor, RealPoint& lowerLeft, RealPoint& upperRight) {
    lowerLeft = {h.xlo * factor, h.ylo * factor};
    upperRight = {h.xhi * factor, h.yhi * factor};
}

}  // namespace

bool ReadGridBytes(Image& image, const uint8_t* data, size_t size, bool preferSixteenBit,
                   double factor, const std::string& zunits) {
    GridHeader h;
    if (!parseHeader(data, size, h)) return false;
    const int depth = depthOf(h, preferSixteenBit);
    if (!plausible(h, size)) return false;
    image.SetPaletteCount(256);
    if (!image.Allocate(h.nx, h.ny, depth)) return false;
    image.ApplyPaletteKind(PaletteCustom);
    image.SetZRegistration(zOf(h, zunits));
    fillRows(image, h, data, size);
    RealPoint lowerLeft, upperRight;
    cornersOf(h, factor, lowerLeft, upperRight);
    PositionRegistration p;
    p.px1 = 0;
    p.py1 = h.ny - 1;
    p.x1 = lowerLeft.x;
    p.y1 = lowerLeft.y;
    p.px2 = h.nx - 1;
    p.py2 = 0;
    p.x2 = upperRight.x;
    p.y2 = upperRight.y;
    image.SetPositionRegistration(p);
    return true;
}

ImageHandle ReadGrid(const std::string& path, bool preferSixteenBit, const GridContext& context) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return {};
    GridHeader h;
    if (!parseHeader(bytes.data(), bytes.size(), h)) return {};
    const int depth = depthOf(h, preferSixteenBit);
    if (!plausible(h, bytes.size())) return {};
    const ImageHandle window = CreateImage(h.nx, h.ny, PaletteCustom, true, depth);
    if (!LiveImage(window)) return {};
    OV_Info_SetType(window, IMAGETYPE_GRID);
    SetZRegistration(window, zOf(h, context.zunits));
    std::array<uint32_t, 256> palette;
    for (uint32_t i = 0; i < 256; ++i)
        palette[i] = i < context.palette.size() ? context.palette[i] : (i | i << 8 | i << 16);
    SetPalette(window, palette.data(), 256, PaletteCustom);
    SetImageName(window, path);
    // Listeners may have closed the window meanwhile: look it up again.
    if (Image* image = LiveImage(window)) {
        fillRows(*image, h, bytes.data(), bytes.size());
    }
    RealPoint lowerLeft, upperRight;
    cornersOf(h, context.factor, lowerLeft, upperRight);
    SetRegistration(window, lowerLeft, upperRight);
    OV_Info_SetType(window, IMAGETYPE_GRID);
    // Freshly read: nothing to save yet.
    if (Image* image = LiveImage(window)) image->SetModified(false);
    Redraw(window, true);
    return LiveImage(window) ? window : ImageHandle{};
}

bool WriteGrid(const std::string& path, double factor) {
    return WriteGrid(LiveImage(ActiveImageWindow()), path, factor);
}

bool ReadGrid(Image& image, const std::string& path, bool preferSixteenBit,
              const GridContext& context) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    return ReadGridBytes(image, bytes.data(), bytes.size(), preferSixteenBit, context.factor,
                         context.zunits);
}

GridKind GridKindOf(const Image& image) {
    const ZRegistration& z = image.GetZRegistration();
    if (z.low == 0.0 && z.high == 255.0 && image.Depth() == 8) return GridKind::Raw8;
    if (z.low == 0.0 && z.high == 65535.0 && image.Depth() == 16) return GridKind::Raw16;
    return GridKind::Scaled;
}

std::vector<uint8_t> EncodeGrid(Image* image, double factor) {
    if (!image || !image->IsAllocated()) {
        platform::showMessage(kWriteCommand, "No active image?");
        return {};
    }
    if (image->GetZRegistration().flag == 0) {
        platform::showMessage(kWriteCommand, "Not Z registered?");
        return {};
    }
    // The header holds 16-bit sizes.
    if (image->Width() > 65535 || image->Height() > 65535 ||
        (image->Depth() != 8 && image->Depth() != 16)) {
        platform::showMessage(kWriteCommand, "Image does not fit a grid file?");
        return {};
    }
    const GridKind kind = GridKindOf(*image);
    const ZRegistration& z = image->GetZRegistration();
    const int width = image->Width(), height = image->Height();
    const double divisor = image->Depth() == 16 ? 65535.0 : 255.0;

    ByteWriter w;
    w.bytes.reserve(kHeaderBytes + 4 * size_t(width) * size_t(height));
    w.raw("DSBB", 4);
    w.u16(static_cast<uint16_t>(width));
    w.u16(static_cast<uint16_t>(height));
    if (image->IsPositionRegistered()) {
        RealPoint lowerLeft, upperRight;
        image->GetLowerLeftUpperRight(lowerLeft, upperRight);
        w.f64(lowerLeft.x / factor);
        w.f64(upperRight.x / factor);
        w.f64(lowerLeft.y / factor);
        w.f64(upperRight.y / factor);
    } else {
        w.f64(0.0);
        w.f64(65535.0 / factor);
        w.f64(0.0);
        w.f64(65535.0 / factor);
    }
    if (kind == GridKind::Scaled) {
        unsigned minValue = 0, maxValue = 0;
        OV_ScanForMinMax(image, minValue, maxValue);
        w.f64(z.low + (z.high - z.low) * minValue / divisor);
        w.f64(z.low + (z.high - z.low) * maxValue / divisor);
    } else {
        // A raw grid keeps the range of its kind, whatever its data span:
        // readers tell the kind by it, and the values stay the pixel values.
        w.f64(0.0);
        w.f64(divisor);
    }

    std::vector<uint16_t> row16(static_cast<size_t>(width));
    std::vector<uint8_t> row8(static_cast<size_t>(width));
    for (int r = height - 1; r >= 0; --r) {
        if (image->Depth() == 16) {
            image->ReadLine(r, row16.data(), 16);
        } else {
            image->ReadLine(r, row8.data(), 8);
            std::copy(row8.begin(), row8.end(), row16.begin());
        }
        for (int c = 0; c < width; ++c) {
            double v = row16[c];
            if (kind == GridKind::Scaled) v = z.low + (z.high - z.low) * v / divisor;
            w.f32(static_cast<float>(v));
        }
        image->ReportProgress(static_cast<int>(int64_t(height - r) * 100 / height));
    }
    return std::move(w.bytes);
}

bool WriteGrid(Image* image, const std::string& path, double factor) {
    std::vector<uint8_t> bytes = EncodeGrid(image, factor);
    if (bytes.empty()) return false;
    return WriteFileAtomically(path, bytes);
}

}  // namespace orvex::formats
