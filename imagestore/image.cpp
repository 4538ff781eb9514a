#include "imagestore/image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "imagestore/pixel_convert.h"
#include "platform/ui.h"

namespace orvex {

namespace {

size_t g_maxStripBytes = 0;  // 0: one strip holds every row

std::string Format(const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

std::string CutText(const std::string& text, size_t storedLength) {
    std::string cut = text.substr(0, std::min(text.size(), storedLength - 1));
    // The stored form is zero-terminated: a zero inside ends the text.
    const size_t zero = cut.find('\0');
    if (zero != std::string::npos) cut.resize(zero);
    return cut;
}

}  // namespace

void Image::SetMaxStripBytes(size_t bytes) { g_maxStripBytes = bytes; }

Image::Image() {
    ApplyGreyRamp();
    savedPalette_ = palette_;
}

Image::~Image() = default;

void Image::FreePixels() {
    strips_.clear();
    rowsPerStrip_ = 0;
    bytesPerStrip_ = 0;
}

int Image::Allocate(int width, int height, int depth, PixelStart start) {
    static const char* kCaption = "Image::Allocate()";
    const int newDepth = std::max(minimumDepth_, depth);
    if (!IsPixelDepth(newDepth)) {
        platform::showMessage(Format("Unsupported image depth %d", depth), kCaption);
        return 0;
    }
    if (width <= 0 || height <= 0) {
        platform::showMessage(Format("Bad image size %d x %d", width, height), kCaption);
        return 0;
    }
    const double bytesPerPixel = newDepth / 8.0;
    // Every size is checked in 64 bits before anything is allocated.
    int64_t paddedRowBytes = 0;
    uint64_t total = 0;
    if (width <= kMaxDimension && height <= kMaxDimension) {
        paddedRowBytes = (static_cast<int64_t>(bytesPerPixel * width + 0.99999) + 3) / 4 * 4;
        total = static_cast<uint64_t>(paddedRowBytes) * static_cast<uint64_t>(height);
    }
    if (paddedRowBytes == 0 || total > kMaxPixelBytes) {
        platform::showMessage(
            Format("Image of %d x %d pixels at %d bits is larger than the image store takes "
                   "(%llu megabytes)",
                   width, height, newDepth,
                   static_cast<unsigned long long>(kMaxPixelBytes / (1024 * 1024))),
            kCaption);
        return 0;
    }
    const int stride = static_cast<int>(paddedRowBytes / bytesPerPixel);
    const auto newRowBytes = static_cast<size_t>(paddedRowBytes);
    uint64_t rowsInStrip = total / newRowBytes;
    if (g_maxStripBytes > 0) rowsInStrip = std::clamp<uint64_t>(g_maxStripBytes / newRowBytes, 1, rowsInStrip);
    // A reader that writes every byte takes the store it has when the layout
    // is the same, without a zeroing pass.
    const bool sameStore = start == PixelStart::Overwritten && IsAllocated() && height == height_ &&
                           newRowBytes == rowBytes_ && static_cast<int>(rowsInStrip) == rowsPerStrip_;

    if (!sameStore) FreePixels();
    requestedDepth_ = depth;
    depth_ = newDepth;
    storageDepth_ = newDepth;
    bytesPerPixel_ = static_cast<float>(bytesPerPixel);
    stride_ = stride;
    rowBytes_ = newRowBytes;
    largeImage_ = total > kLargeImageBytes;
    rowsPerStrip_ = static_cast<int>(rowsInStrip);
    bytesPerStrip_ = static_cast<size_t>(rowsInStrip) * rowBytes_;

    if (!sameStore && !AllocatePixels(stride, height)) {
        FreePixels();
        width_ = height_ = 0;
        platform::showMessage(Format("Not enough memory for an image of %d x %d pixels at %d bits",
                                     width, height, newDepth),
                              kCaption);
        return 0;
    }
    width_ = width;
    height_ = height;

    header_ = BitmapInfoHeader{};
    header_.width = width;
    header_.height = height;
    header_.bitCount = static_cast<uint16_t>(std::min(depth_, 8));
    ApplyGreyRamp();
    modified_ = 1;
    return 1;
}

bool Image::AllocatePixels(int /*stride*/, int height) {
    uint64_t remaining = static_cast<uint64_t>(rowBytes_) * static_cast<uint64_t>(height);
    int rowCount = 0;
    std::vector<ImageStrip> strips;
    while (remaining > 0) {
        if (strips.size() == strips.capacity()) strips.reserve(strips.size() + 5);
        ImageStrip strip;
        strip.bytes = static_cast<size_t>(std::min<uint64_t>(remaining, bytesPerStrip_));
        strip.firstRow = rowCount;
        strip.lastRow = rowCount + static_cast<int>(strip.bytes / rowBytes_) - 1;
        strip.pixels = std::unique_ptr<uint8_t[], PixelMemoryRelease>(TakePixelMemory(strip.bytes),
                                                                      PixelMemoryRelease{strip.bytes});
        if (!strip.pixels) return false;
        rowCount = strip.lastRow + 1;
        remaining -= strip.bytes;
        strips.push_back(std::move(strip));
    }
    strips_ = std::move(strips);
    return true;
}

void Image::ZeroPixels() {
    for (ImageStrip& strip : strips_) std::memset(strip.pixels.get(), 0, strip.bytes);
}

bool Image::CopyRowsFrom(const Image& from, int first, int end) {
    if (from.width_ != width_ || from.storageDepth_ != storageDepth_ || from.rowBytes_ != rowBytes_)
        return false;
    first = std::max(first, 0);
    end = std::min({end, height_, from.height_});
    for (int r = end - 1; r >= first; --r)
        std::memcpy(RowAddress(r), from.RowAddress(r), rowBytes_);
    return true;
}

int Image::StripOfRow(int row) const {
    if (row < 0 || row >= height_ || rowsPerStrip_ <= 0) return -1;
    return row / rowsPerStrip_;
}

uint8_t* Image::RowAddress(int row) const {
    if (static_cast<unsigned>(row) >= static_cast<unsigned>(height_)) return nullptr;
    // One strip holds every row unless the strips were cut smaller.
    if (strips_.size() == 1) {
        const ImageStrip& strip = strips_[0];
        return strip.pixels.get() + static_cast<size_t>(strip.lastRow - row) * rowBytes_;
    }
    const int s = StripOfRow(row);
    if (s < 0 || s >= static_cast<int>(strips_.size())) return nullptr;
    const ImageStrip& strip = strips_[s];
    return strip.pixels.get() + static_cast<size_t>(strip.lastRow - row) * rowBytes_;
}

uint8_t* Image::PixelAddress(int row, int column) {
    if (column < 0 || column >= width_) return nullptr;
    uint8_t* base = RowAddress(row);
    if (!base) return nullptr;
    return base + static_cast<size_t>(static_cast<int64_t>(column) * storageDepth_ / 8);
}

const uint8_t* Image::PixelAddress(int row, int column) const {
    return const_cast<Image*>(this)->PixelAddress(row, column);
}

int Image::WriteLine(int row, const void* buffer, int bufferDepth) {
    uint8_t* target = RowAddress(row);
    if (!target || !buffer || !IsPixelDepth(bufferDepth)) return 0;
    modified_ = 1;
    const auto* source = static_cast<const uint8_t*>(buffer);
    ConvertPixels(source, bufferDepth, 0, target, storageDepth_, 0, width_);
    return 1;
}

int Image::ReadLine(int row, void* buffer, int bufferDepth) const {
    const uint8_t* source = RowAddress(row);
    if (!source || !buffer || !IsPixelDepth(bufferDepth)) return 0;
    auto* target = static_cast<uint8_t*>(buffer);
    ConvertPixels(source, storageDepth_, 0, target, bufferDepth, 0, width_);
    return 1;
}

static bool BlockInside(int column, int row, int blockWidth, int blockHeight, int width,
                        int height) {
    return column >= 0 && row >= 0 && blockWidth >= 0 && blockHeight >= 0 && column < width &&
           row < height && static_cast<int64_t>(column) + blockWidth <= width &&
           static_cast<int64_t>(row) + blockHeight <= height;
}

int Image::WriteBlock(int column, int row, int blockWidth, int blockHeight, const void* buffer,
                      int bufferDepth) {
    if (!IsAllocated() || !buffer || !IsPixelDepth(bufferDepth) ||
        !BlockInside(column, row, blockWidth, blockHeight, width_, height_))
        return 0;
    const auto* source = static_cast<const uint8_t*>(buffer);
    const size_t sourceRowBytes = PackedBytes(blockWidth, bufferDepth);
    for (int r = 0; r < blockHeight; ++r)
        ConvertPixels(source + r * sourceRowBytes, bufferDepth, 0, RowAddress(row + r),
                      storageDepth_, column, blockWidth);
    modified_ = 1;
    return 1;
}

int Image::ReadBlock(int column, int row, int blockWidth, int blockHeight, void* buffer,
                     int bufferDepth) const {
    if (!IsAllocated() || !buffer || !IsPixelDepth(bufferDepth) ||
        !BlockInside(column, row, blockWidth, blockHeight, width_, height_))
        return 0;
    auto* target = static_cast<uint8_t*>(buffer);
    const size_t targetRowBytes = PackedBytes(blockWidth, bufferDepth);
    for (int r = 0; r < blockHeight; ++r)
        ConvertPixels(RowAddress(row + r), storageDepth_, column, target + r * targetRowBytes,
                      bufferDepth, 0, blockWidth);
    return 1;
}

int Image::GetPixel(int column, int row) const {
    const uint8_t* base = RowAddress(row);
    if (!base || column < 0 || column >= width_) return 0;
    return static_cast<int>(PixelValueAt(base, storageDepth_, column));
}

int Image::ReadPixel(int column, int row, void* buffer, int bufferDepth) const {
    const uint8_t* base = RowAddress(row);
    if (!base || !buffer || column < 0 || column >= width_ || !IsPixelDepth(bufferDepth)) return 0;
    ConvertPixels(base, storageDepth_, column, static_cast<uint8_t*>(buffer), bufferDepth, 0, 1);
    return 1;
}

void Image::SetPaletteEntry(int index, int red, int green, int blue) {
    const int i = ((index % 256) + 256) % 256;
    if (i >= paletteCount_) return;
    palette_[4 * i] = static_cast<uint8_t>(blue);
    palette_[4 * i + 1] = static_cast<uint8_t>(green);
    palette_[4 * i + 2] = static_cast<uint8_t>(red);
    palette_[4 * i + 3] = 0;
}

void Image::SetGreyEntry(int index, int value) { SetPaletteEntry(index, value, value, value); }

PaletteColour Image::GetPaletteEntry(int index) const {
    const int i = ((index % 256) + 256) % 256;
    if (i >= paletteCount_) return {};
    return {palette_[4 * i + 2], palette_[4 * i + 1], palette_[4 * i]};
}

int Image::GetPaletteEntryBrightness(int index) const {
    const PaletteColour c = GetPaletteEntry(index);
    return (c.red + c.green + c.blue) / 3;
}

uint32_t Image::GetPaletteColour(int index) const {
    const PaletteColour c = GetPaletteEntry(index);
    return 0x02000000u | (static_cast<uint32_t>(c.blue) << 16) |
           (static_cast<uint32_t>(c.green) << 8) | c.red;
}

void Image::ApplyPaletteKind(int kind) {
    if (kind < PaletteRed || kind > PaletteCustom) return;
    if (kind == PaletteCustom) {
        palette_ = savedPalette_;
    } else {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            palette_[4 * i] = (kind == PaletteBlue || kind == PaletteGrey) ? v : 0;
            palette_[4 * i + 1] = (kind == PaletteGreen || kind == PaletteGrey) ? v : 0;
            palette_[4 * i + 2] = (kind == PaletteRed || kind == PaletteGrey) ? v : 0;
            palette_[4 * i + 3] = 0;
        }
    }
    paletteKind_ = kind;
}

void Image::SavePalette() { savedPalette_ = palette_; }

bool Image::IsGreyPalette() const {
    if (paletteKind_ != PaletteCustom) return true;
    for (int i = 0; i < paletteCount_; ++i)
        if (palette_[4 * i] != palette_[4 * i + 1] || palette_[4 * i + 1] != palette_[4 * i + 2])
            return false;
    return true;
}

void Image::ApplyGreyRamp() {
    if (paletteCount_ == 2) {
        SetGreyEntry(0, 0);
        SetGreyEntry(1, 255);
        return;
    }
    for (int i = 0; i < paletteCount_; ++i)
        SetGreyEntry(i, std::min(255, static_cast<int>(256.0 / paletteCount_ * i)));
}

void Image::SetPaletteCount(int count) { paletteCount_ = std::clamp(count, 1, 256); }

void Image::SetPositionRegistration(const PositionRegistration& registration) {
    registration_ = registration;
    positionRegistered_ = 1;
    modified_ = 1;
}

void Image::SetDefaultRegistration() {
    registration_.px1 = 0;
    registration_.py1 = height_ - 1;
    registration_.x1 = 0;
    registration_.y1 = 0;
    registration_.px2 = width_ - 1;
    registration_.py2 = 0;
    registration_.x2 = width_ - 1;
    registration_.y2 = height_ - 1;
}

namespace {

struct Frame {
    double gx, gy, xLeft, yTop, xRight, yBottom;
};

// The corner frame of a registration. Tie points that share a column or a
// row (a one-pixel-wide image, a record never set) leave that axis at one
// real unit per pixel instead of dividing by zero.
Frame FrameOf(const PositionRegistration& reg, int width, int height) {
    PositionRegistration r = reg;
    if (r.px1 == r.px2 && r.py1 == r.py2 && r.x1 == r.x2 && r.y1 == r.y2) {
        r = PositionRegistration{0, 0, double(width - 1), double(height - 1), 0, height - 1,
                                 width - 1, 0};
    }
    Frame f{};
    f.gx = r.px2 != r.px1 ? (r.x2 - r.x1) / (r.px2 - r.px1) : 1.0;
    f.gy = r.py1 != r.py2 ? (r.y2 - r.y1) / (r.py1 - r.py2) : 1.0;
    f.xLeft = r.x1 - f.gx * r.px1;
    f.yTop = r.y1 + f.gy * r.py1;
    f.xRight = r.x1 + f.gx * (width - 1 - r.px1);
    f.yBottom = r.y1 - f.gy * (height - 1 - r.py1);
    return f;
}

}  // namespace

double Image::UnitsPerPixelX() const { return FrameOf(registration_, width_, height_).gx; }
double Image::UnitsPerPixelY() const { return FrameOf(registration_, width_, height_).gy; }

void Image::GetCorners(bool edges, RealPoint& leftTop, RealPoint& rightBottom) const {
    const Frame f = FrameOf(registration_, width_, height_);
    leftTop = {f.xLeft, f.yTop};
    rightBottom = {f.xRight, f.yBottom};
    if (edges) {
        leftTop.x -= f.gx / 2;
        leftTop.y += f.gy / 2;
        rightBottom.x += f.gx / 2;
        rightBottom.y -= f.gy / 2;
    }
}

void Image::GetLowerLeftUpperRight(RealPoint& lowerLeft, RealPoint& upperRight) const {
    RealPoint leftTop, rightBottom;
    GetCorners(false, leftTop, rightBottom);
    lowerLeft = {leftTop.x, rightBottom.y};
    upperRight = {rightBottom.x, leftTop.y};
}

RealPoint Image::PixelToReal(double column, double row) const {
    const Frame f = FrameOf(registration_, width_, height_);
    RealPoint p;
    p.x = width_ > 1 ? f.xLeft + column / (width_ - 1) * (f.xRight - f.xLeft)
                     : f.xLeft + column * f.gx;
    p.y = height_ > 1 ? f.yBottom + (height_ - 1 - row) / (height_ - 1) * (f.yTop - f.yBottom)
                      : f.yBottom + (height_ - 1 - row) * f.gy;
    return p;
}

RealPoint Image::RealToPixel(double x, double y) const {
    const Frame f = FrameOf(registration_, width_, height_);
    RealPoint p;
    if (width_ > 1 && f.xRight != f.xLeft)
        p.x = (x - f.xLeft) / (f.xRight - f.xLeft) * (width_ - 1);
    else
        p.x = f.gx != 0 ? (x - f.xLeft) / f.gx : 0.0;
    if (height_ > 1 && f.yTop != f.yBottom)
        p.y = height_ - (y - f.yBottom) / (f.yTop - f.yBottom) * (height_ - 1) - 1;
    else
        p.y = (height_ - 1) - (f.gy != 0 ? (y - f.yBottom) / f.gy : 0.0);
    return p;
}

void Image::SetZRegistration(const ZRegistration& z) {
    z_ = z;
    z_.units = CutText(z.units, ZRegistration::kUnitsLength);
}

double Image::ValueToReal(int value, int bufferDepth) const {
    double f;
    if (bufferDepth == 16)
        f = static_cast<float>(value) / 65535.0f;
    else
        f = paletteCount_ > 1 ? static_cast<double>(value) / (paletteCount_ - 1) : value;
    return z_.low + f * (z_.high - z_.low);
}

void Image::SetTexts(const std::optional<ImageTexts>& texts) {
    texts_ = texts;
    if (texts_)
        for (auto& s : texts_->slot) s = CutText(s, ImageTexts::kSlotLength);
}

std::string Image::GetText(int slot) const {
    if (!texts_ || slot < 0 || slot >= ImageTexts::kSlots) return {};
    return texts_->slot[slot];
}

void Image::SetText(int slot, const std::string& text) {
    if (slot < 0 || slot >= ImageTexts::kSlots) return;
    if (!texts_) texts_.emplace();
    texts_->slot[slot] = CutText(text, ImageTexts::kSlotLength);
}

uint64_t Image::ByteSize() const {
    uint64_t sum = 0;
    for (const auto& s : strips_) sum += s.bytes;
    return sum;
}

void Image::ReportRowProgress(int row, int rows) {
    if (rows > 0 && row % 20 == 0)
        ReportProgress(static_cast<int>(static_cast<int64_t>(row) * 100 / rows));
}

void Image::ReportProgress(int /*percent*/) {}

}  // namespace orvex
