#include "formats/tiff.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

#include "formats/file_io.h"
#include "platform/ui.h"

namespace orvex::formats {

namespace {

enum : uint16_t {
    TagNewSubfileType = 254,
    TagImageWidth = 256,
    TagImageLength = 257,
    TagBitsPerSample = 258,
    TagCompression = 259,
    TagPhotometric = 262,
    TagFillOrder = 266,
    TagImageDescription = 270,
    TagMake = 271,
    TagModel = 272,
    TagStripOffsets = 273,
    TagOrientation = 274,
    TagSamplesPerPixel = 277,
    TagRowsPerStrip = 278,
    TagStripByteCounts = 279,
    TagXResolution = 282,
    TagYResolution = 283,
    TagResolutionUnit = 296,
    TagGrayResponseUnit = 290,
    TagGrayResponseCurve = 291,
    TagSoftware = 305,
    TagDateTime = 306,
    TagArtist = 315,
    TagHostComputer = 316,
    TagPredictor = 317,
    TagColorMap = 320,
    TagTileWidth = 322,
    TagTileLength = 323,
    TagTileOffsets = 324,
    TagTileByteCounts = 325,
    TagSampleFormat = 339,
    TagRegistration = 34127,
    TagForeignData = 34128,
};

enum : uint16_t { TypeByte = 1, TypeAscii = 2, TypeShort = 3, TypeLong = 4, TypeRational = 5,
                  TypeUndefined = 7 };

constexpr uint32_t kForeignMarker = 65530;
constexpr uint32_t kRegistrationCount = 38;  // LONGs: 152 bytes
constexpr size_t kRegistrationBytes = 152;

// The text tags in the order the writer appends them, with their slots.
struct TextTag {
    uint16_t tag;
    int slot;
    size_t maxChars;
};
constexpr TextTag kTextTags[] = {
    {TagImageDescription, TextImageDescription, 199}, {TagMake, TextMake, 99},
    {TagModel, TextModel, 99},       {TagSoftware, TextSoftware, 99},
    {TagDateTime, TextDateTime, 99}, {TagArtist, TextArtist, 99},
    {TagHostComputer, TextHostComputer, 99},
};

uint64_t typeSize(uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;
        case 3: case 8: return 2;
        case 4: case 9: case 11: case 13: return 4;
        case 5: case 10: case 12: case 16: case 17: case 18: return 8;
        default: return 0;
    }
}

// Bytes are read row by row with the row bytes of the file's depth.
uint64_t rowBytesOf(uint64_t width, int bits) {
    switch (bits) {
        case 1: return (width + 7) / 8;
        case 4: return (width + 1) / 2;
        case 16: return width * 2;
        default: return width;
    }
}

void fail(int code) {
    platform::ui().message(TiffErrorText(code), kTiffErrorCaption, platform::Buttons::Ok,
                           platform::Icon::Error);
}

// Where the bytes of a file come from: memory, or the file itself, read piece
// by piece so that strips go straight into the image's rows. Every read says
// whether the bytes wanted lie wholly inside the file.
class Source {
public:
    explicit Source(uint64_t size) : size_(size) {}
    virtual ~Source() = default;
    uint64_t size() const { return size_; }
    bool inside(uint64_t offset, uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    bool read(uint64_t offset, void* out, size_t count) {
        if (!inside(offset, count)) return false;
        iovec piece{out, count};
        return readPieces(offset, &piece, 1);
    }
    /// Reads consecutive bytes from offset into the pieces, in order.
    virtual bool readPieces(uint64_t offset, const iovec* pieces, size_t count) = 0;

private:
    uint64_t size_;
};

class MemorySource : public Source {
public:
    MemorySource(const uint8_t* data, size_t size) : Source(size), data_(data) {}
    bool readPieces(uint64_t offset, const iovec* pieces, size_t count) override {
        for (size_t i = 0; i < count; ++i) {
            if (!inside(offset, pieces[i].iov_len)) return false;
            std::memcpy(pieces[i].iov_base, data_ + offset, pieces[i].iov_len);
            offset += pieces[i].iov_len;
        }
        return true;
    }

private:
    const uint8_t* data_;
};

class FileSource : public Source {
public:
    FileSource(int fd, uint64_t size) : Source(size), fd_(fd) {}
    bool readPieces(uint64_t offset, const iovec* pieces, size_t count) override {
        return ReadAllAt(fd_, offset, pieces, count);
    }

private:
    int fd_;
};

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint8_t value[4] = {};  // the value field as it stands in the file
};

// What one directory says about its image. Any entry the reader needs whose
// values do not lie in the file, or are of a kind it cannot read, sets error.
struct Directory {
    uint32_t subfileType = 0;
    uint32_t width = 0, height = 0;
    int bits = 1;
    int compression = 1;
    int photometric = 0;
    int samples = 1;
    int fillOrder = 1;
    int orientation = 1;
    int sampleFormat = 1;
    uint32_t rowsPerStrip = 0;
    bool hasRowsPerStrip = false;
    bool tiled = false;
    std::optional<Entry> stripOffsets, stripByteCounts, colorMap, registration, foreign;
    bool grayResponseUnit = false;
    uint32_t grayResponseCount = 0;
    std::optional<std::string> texts[7];
    int error = 0;
    bool broken = false;  // the directory itself does not lie in the file
};

// One strip as the image needs it: its rows and where their bytes lie.
struct Strip {
    uint64_t offset = 0;
    uint64_t firstRow = 0, rows = 0;
};

class TiffReader {
public:
    TiffReader(Source& source, bool bigEndian) : source_(source), bigEndian_(bigEndian) {}

    uint16_t u16(const uint8_t* p) const {
        return bigEndian_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t u32(const uint8_t* p) const {
        return bigEndian_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                          : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    // The bytes of an entry's values: in the entry itself up to 4 bytes, else
    // at the offset it holds; nothing when they do not lie in the file.
    std::optional<std::vector<uint8_t>> values(const Entry& e, uint64_t maxBytes = UINT64_MAX) {
        const uint64_t size = typeSize(e.type);
        if (size == 0) return std::nullopt;
        const uint64_t bytes = size * e.count;
        if (bytes <= 4) return std::vector<uint8_t>(e.value, e.value + bytes);
        const uint32_t offset = u32(e.value);
        if (!source_.inside(offset, bytes)) return std::nullopt;
        std::vector<uint8_t> out(static_cast<size_t>(std::min(bytes, maxBytes)));
        if (!source_.read(offset, out.data(), out.size())) return std::nullopt;
        return out;
    }

    // Unsigned integer arrays (BYTE, SHORT, LONG); nothing for other types or
    // values outside the file.
    std::optional<std::vector<uint32_t>> integers(const Entry& e, uint64_t maxCount = UINT64_MAX) {
        if (e.type != TypeByte && e.type != TypeShort && e.type != TypeLong) return std::nullopt;
        const uint64_t size = typeSize(e.type);
        auto bytes = values(e, std::min<uint64_t>(maxCount, e.count) * size);
        if (!bytes) return std::nullopt;
        std::vector<uint32_t> out(bytes->size() / size);
        const uint8_t* p = bytes->data();
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = size == 1 ? p[i] : size == 2 ? u16(p + 2 * i) : u32(p + 4 * i);
        return out;
    }

    void scalar(const Entry& e, Directory& d, auto& field) {
        auto v = integers(e, 1);
        if (!v || v->empty()) {
            d.error = TiffUnrecognised;
            return;
        }
        using Field = std::remove_reference_t<decltype(field)>;
        field = static_cast<Field>(std::min<uint64_t>((*v)[0], std::numeric_limits<Field>::max()));
    }

    // A text: count - 1 characters (the last is the terminating zero). Up to
    // four bytes stand in the entry itself, but the system's earlier files put
    // every text at an offset after the directory: an entry that holds the
    // offset of count - 1 characters and their zero there is read from there.
    void text(const Entry& e, size_t maxChars, Directory& d, std::optional<std::string>& out) {
        if (typeSize(e.type) != 1) {
            d.error = TiffUnrecognised;
            return;
        }
        std::string s;
        if (e.count <= 1) {
            out = s;
            return;
        }
        const uint64_t chars = std::min<uint64_t>(e.count - 1, maxChars);
        std::vector<uint8_t> bytes;
        const uint32_t offset = u32(e.value);
        if (e.count <= 4) {
            std::vector<uint8_t> there(e.count);
            const bool earlier =
                offset >= directoryEnd_ && source_.read(offset, there.data(), there.size()) &&
                there.back() == 0 &&
                std::find(there.begin(), there.end() - 1, 0) == there.end() - 1;
            bytes = earlier ? there : std::vector<uint8_t>(e.value, e.value + e.count);
        } else {
            if (!source_.inside(offset, e.count)) {
                d.error = TiffUnrecognised;
                return;
            }
            bytes.resize(static_cast<size_t>(chars));
            if (!source_.read(offset, bytes.data(), bytes.size())) {
                d.error = TiffUnrecognised;
                return;
            }
        }
        for (uint64_t i = 0; i < chars && i < bytes.size() && bytes[i] != 0; ++i)
            s.push_back(static_cast<char>(bytes[i]));
        out = s;
    }

    // Reads the directory at offset (which lies in the file); returns the next
    // directory's offset. A directory that runs past the end of the file is an
    // error.
    uint32_t readDirectory(uint32_t offset, Directory& d, uint64_t& entryBudget) {
        uint8_t head[2];
        const uint32_t n = source_.read(offset, head, 2) ? u16(head) : 0;
        const uint64_t bytes = 12 * uint64_t(n) + 4;
        std::vector<uint8_t> block;
        if (n == 0 || n > entryBudget || !source_.inside(uint64_t(offset) + 2, bytes)) {
            d.broken = true;
            d.error = TiffUnrecognised;
            return 0;
        }
        entryBudget -= n;
        directoryEnd_ = uint64_t(offset) + 2 + bytes;
        block.resize(static_cast<size_t>(bytes));
        if (!source_.read(uint64_t(offset) + 2, block.data(), block.size())) {
            d.broken = true;
            d.error = TiffUnrecognised;
            return 0;
        }
        for (uint32_t i = 0; i < n && d.error == 0; ++i) {
            const uint8_t* p = block.data() + 12 * size_t(i);
            Entry e{u16(p), u16(p + 2), u32(p + 4), {p[8], p[9], p[10], p[11]}};
            handle(e, d);
        }
        return u32(block.data() + 12 * size_t(n));
    }

    void handle(const Entry& e, Directory& d) {
        switch (e.tag) {
            case TagNewSubfileType: scalar(e, d, d.subfileType); break;
            case TagImageWidth: scalar(e, d, d.width); break;
            case TagImageLength: scalar(e, d, d.height); break;
            case TagBitsPerSample: scalar(e, d, d.bits); break;
            case TagCompression: scalar(e, d, d.compression); break;
            case TagPhotometric: scalar(e, d, d.photometric); break;
            case TagSamplesPerPixel: scalar(e, d, d.samples); break;
            case TagFillOrder: scalar(e, d, d.fillOrder); break;
            case TagOrientation: scalar(e, d, d.orientation); break;
            case TagSampleFormat: scalar(e, d, d.sampleFormat); break;
            case TagRowsPerStrip:
                scalar(e, d, d.rowsPerStrip);
                d.hasRowsPerStrip = true;
                break;
            case TagStripOffsets: d.stripOffsets = e; break;
            case TagStripByteCounts: d.stripByteCounts = e; break;
            case TagTileWidth: case TagTileLength: case TagTileOffsets: case TagTileByteCounts:
                d.tiled = true;
                break;
            case TagGrayResponseUnit: d.grayResponseUnit = true; break;
            case TagGrayResponseCurve: d.grayResponseCount = e.count; break;
            case TagPredictor: break;
            case TagColorMap: d.colorMap = e; break;
            case TagRegistration: d.registration = e; break;
            case TagForeignData: d.foreign = e; break;
            default:
                for (size_t t = 0; t < 7; ++t)
                    if (kTextTags[t].tag == e.tag) text(e, kTextTags[t].maxChars, d, d.texts[t]);
                break;
        }
    }

    Source& source_;
    bool bigEndian_;
    uint64_t directoryEnd_ = 0;  // of the directory being read
};

// Whether a private block is one of the registration forms read.
bool registrationForm(const Entry& e) {
    return (e.count == 10 || e.count == 35 || e.count == 38) && typeSize(e.type) == 4;
}

// Everything decoding needs, checked before anything is allocated.
struct Layout {
    std::vector<Strip> strips;
    std::vector<uint16_t> colorMap;  // 3 x 2^bits values
    std::vector<uint8_t> registration, foreign;
};

// A private block of LONGs as the bytes the writer laid out: little-endian
// words, whatever the file's byte order.
std::optional<std::vector<uint8_t>> privateBlock(TiffReader& r, const Entry& e) {
    auto bytes = r.values(e);
    if (!bytes) return std::nullopt;
    if (r.bigEndian_ && typeSize(e.type) == 4)
        for (size_t i = 0; i + 4 <= bytes->size(); i += 4) {
            std::swap((*bytes)[i], (*bytes)[i + 3]);
            std::swap((*bytes)[i + 1], (*bytes)[i + 2]);
        }
    return bytes;
}

// Where every row of the image lies: strips of RowsPerStrip rows when the
// file says so, else strips of whole rows one after another by their byte
// counts. Every row must lie wholly inside the file.
int layStrips(TiffReader& r, const Directory& d, std::vector<Strip>& strips) {
    if (!d.stripOffsets) return TiffUnrecognised;
    const uint64_t rowBytes = rowBytesOf(d.width, d.bits);
    const uint64_t height = d.height;
    const bool byRowsPerStrip = d.hasRowsPerStrip && d.rowsPerStrip > 0 && d.rowsPerStrip < height;
    const uint64_t rowsPerStrip = byRowsPerStrip ? d.rowsPerStrip : height;
    // No more strips than the rows need are read (a count beyond is no fault).
    const uint64_t wanted = byRowsPerStrip ? (height + rowsPerStrip - 1) / rowsPerStrip : height;
    auto offsets = r.integers(*d.stripOffsets, wanted);
    if (!offsets || (d.stripOffsets->type != TypeShort && d.stripOffsets->type != TypeLong))
        return TiffUnrecognised;
    std::vector<uint32_t> counts;
    if (d.stripByteCounts) {
        auto c = r.integers(*d.stripByteCounts, wanted);
        if (!c || c->size() < offsets->size() ||
            (d.stripByteCounts->type != TypeShort && d.stripByteCounts->type != TypeLong))
            return TiffUnrecognised;
        counts = std::move(*c);
    }
    uint64_t nextRow = 0;
    for (size_t s = 0; s < offsets->size() && nextRow < height; ++s) {
        const uint64_t full = std::min(rowsPerStrip, height - nextRow) * rowBytes;
        // Without byte counts every strip holds its rows in full.
        const uint64_t bytes = counts.empty() ? full : counts[s];
        const uint64_t rows = byRowsPerStrip ? std::min(rowsPerStrip, height - nextRow)
                                             : std::min(bytes / rowBytes, height - nextRow);
        if (bytes < rows * rowBytes || !r.source_.inside((*offsets)[s], bytes)) return TiffUnrecognised;
        if (rows > 0) strips.push_back({(*offsets)[s], nextRow, rows});
        nextRow += rows;
    }
    return nextRow == height ? 0 : TiffUnrecognised;
}

// Checks what decoding would refuse from the directory alone. Returns 0 or
// the error code; -1 when the store refuses the size (it says why itself).
int checkDirectory(TiffReader& r, const Directory& d) {
    if (d.error) return d.error;
    if (d.samples != 1 || (d.bits != 1 && d.bits != 4 && d.bits != 8 && d.bits != 16))
        return TiffUnrecognised;
    if (d.compression != 1) return TiffCompression;
    // Tiles, bits filled from the low end, signed or real samples and rows
    // stored other than top row first, left to right are layouts this reader
    // does not take: refused rather than read wrong.
    if (d.tiled || d.fillOrder != 1 || d.sampleFormat != 1 || d.orientation != 1)
        return TiffUnrecognised;
    if (d.width == 0 || d.height == 0) return TiffUnrecognised;
    const uint64_t pixelBytes = rowBytesOf(d.width, d.bits) * d.height;
    // Uncompressed pixels take at least their own size in the file.
    if (pixelBytes > r.source_.size()) return TiffUnrecognised;
    if (d.width > uint32_t(Image::kMaxDimension) || d.height > uint32_t(Image::kMaxDimension) ||
        pixelBytes > Image::kMaxPixelBytes)
        return -1;
    return 0;
}

// Gathers what the image directory's entries point at, checking that it all
// lies in the file, before anything is allocated.
int checkLayout(TiffReader& r, const Directory& d, bool keepsRegistration, Layout& layout) {
    if (int code = layStrips(r, d, layout.strips)) return code;
    if (d.colorMap) {
        const uint64_t n = uint64_t(1) << d.bits;
        if (d.colorMap->type != TypeShort || d.colorMap->count != 3 * n) return TiffUnrecognised;
        auto bytes = r.values(*d.colorMap);
        if (!bytes) return TiffUnrecognised;
        // 16-bit values, in the host's (little-endian) order.
        if (r.bigEndian_)
            for (size_t i = 0; i + 1 < bytes->size(); i += 2) std::swap((*bytes)[i], (*bytes)[i + 1]);
        layout.colorMap.resize(static_cast<size_t>(3 * n));
        std::memcpy(layout.colorMap.data(), bytes->data(), 2 * layout.colorMap.size());
    } else if (d.photometric == 3) {
        return TiffUnrecognised;  // a palette file without its palette
    }
    if (d.registration && keepsRegistration && registrationForm(*d.registration)) {
        auto block = privateBlock(r, *d.registration);
        if (!block) return TiffUnrecognised;
        layout.registration = std::move(*block);
    }
    if (d.foreign) {
        auto block = privateBlock(r, *d.foreign);
        if (!block) return TiffUnrecognised;
        ByteReader in(block->data(), block->size());
        if (block->size() >= 8 && in.u32(0) == kForeignMarker) {
            const uint64_t n = in.u32(4);
            if (n > block->size() - 8) return TiffUnrecognised;
            layout.foreign.assign(block->begin() + 8, block->begin() + 8 + static_cast<ptrdiff_t>(n));
        }
    }
    return 0;
}

// The colour map's values as the writer meant them: a map of 8-bit values
// (none above 256) is taken as if times 256.
struct ColourMap {
    const std::vector<uint16_t>& values;
    bool small;
    explicit ColourMap(const std::vector<uint16_t>& v)
        : values(v), small(std::all_of(v.begin(), v.end(), [](uint16_t x) { return x <= 256; })) {}
    uint32_t operator()(uint64_t i) const { return small ? uint32_t(values[i]) * 256 : values[i]; }
};

// Entries of the palette a file gives: up to the first red of exactly 1.
uint64_t colourMapCount(const ColourMap& map, uint64_t n) {
    for (uint64_t i = 0; i < n; ++i)
        if (map(i) == 1) return i;
    return n;
}

// The palette count an image of this directory takes, before it is allocated.
int paletteCountOf(const Layout& layout, const Directory& d) {
    if (layout.colorMap.empty()) return d.bits >= 8 ? 256 : 1 << d.bits;
    ColourMap map(layout.colorMap);
    return static_cast<int>(std::min<uint64_t>(colourMapCount(map, uint64_t(1) << d.bits), 256));
}

void applyPalette(Image& image, const Layout& layout, const Directory& d) {
    const int bits = d.bits;
    if (!layout.colorMap.empty()) {
        const uint64_t n = uint64_t(1) << bits;
        const ColourMap map(layout.colorMap);
        const uint64_t count = colourMapCount(map, n);
        image.SetPaletteCount(static_cast<int>(std::min<uint64_t>(count, 256)));
        image.ApplyGreyRamp();
        for (uint64_t i = 0; i < std::min<uint64_t>(count, 256); ++i)
            image.SetPaletteEntry(static_cast<int>(i), (map(i) >> 8) & 0xFF,
                                  (map(n + i) >> 8) & 0xFF, (map(2 * n + i) >> 8) & 0xFF);
        return;
    }
    // A 16-bit image is coloured by its high byte: its ramp has 256 entries.
    const int n = bits >= 8 ? 256 : 1 << bits;
    image.SetPaletteCount(n);
    image.ApplyGreyRamp();
    if (d.grayResponseUnit) {
        if (d.photometric == 0)
            for (uint32_t i = 0; i < std::min<uint32_t>(d.grayResponseCount, 256); ++i)
                image.SetGreyEntry(static_cast<int>(i), 255 - static_cast<int>(i));
        return;
    }
    if (n == 2) {
        if (d.photometric == 1) {
            image.SetGreyEntry(0, 0);
            image.SetGreyEntry(1, 255);
        } else if (d.photometric == 0) {
            image.SetGreyEntry(0, 255);
            image.SetGreyEntry(1, 0);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        if (d.photometric == 1)
            image.SetGreyEntry(i, static_cast<int>(256.0 / n * i));
        else if (d.photometric == 0)
            image.SetGreyEntry(i, std::min(255, static_cast<int>(256.0 - 256.0 / n * i)));
    }
}

void applyRegistration(Image& image, const std::vector<uint8_t>& b, uint32_t count) {
    ByteReader in(b.data(), b.size());
    PositionRegistration p;
    p.px1 = static_cast<int16_t>(in.u16(0));
    p.py1 = static_cast<int16_t>(in.u16(2));
    p.px2 = static_cast<int16_t>(in.u16(4));
    p.py2 = static_cast<int16_t>(in.u16(6));
    p.x1 = in.f64(8);
    p.y1 = in.f64(16);
    p.x2 = in.f64(24);
    p.y2 = in.f64(32);
    auto unitsAt = [&](size_t offset, size_t length) {
        std::string s;
        for (size_t i = 0; i < length && offset + i < b.size() && b[offset + i] != 0; ++i)
            s.push_back(static_cast<char>(b[offset + i]));
        return s;
    };
    std::optional<ZRegistration> z;
    if (count == 38) {
        z.emplace();
        z->flag = static_cast<int32_t>(in.u32(40));
        z->low = in.f64(48);
        z->high = in.f64(56);
        z->units = unitsAt(64, ZRegistration::kUnitsLength - 1);
    } else if (count == 35) {
        // The earlier record: 16-bit flag, then low, high and 82 bytes of units.
        z.emplace();
        z->flag = static_cast<int16_t>(in.u16(40));
        z->low = in.f64(42);
        z->high = in.f64(50);
        z->units = unitsAt(58, 81);
    }
    image.SetPositionRegistration(p);
    if (z) image.SetZRegistration(*z);
}

// Reads the rows of every strip. 8-bit files, and 16-bit files in the host's
// byte order, go straight into the image's rows, strips that follow each
// other in the file in one read; the others through a buffer of one strip.
bool readRows(Image& image, Source& source, const Directory& d, const std::vector<Strip>& strips,
              bool bigEndian) {
    const int bits = d.bits;
    const uint64_t rowBytes = rowBytesOf(d.width, bits);
    const int height = static_cast<int>(d.height);
    if (bits == 8 || bits == 16) {
        std::vector<iovec> pieces;
        for (size_t s = 0; s < strips.size();) {
            // A run of strips whose bytes follow one another in the file.
            size_t end = s + 1;
            while (end < strips.size() &&
                   strips[end].offset == strips[end - 1].offset + strips[end - 1].rows * rowBytes)
                ++end;
            pieces.clear();
            for (size_t t = s; t < end; ++t)
                for (uint64_t i = 0; i < strips[t].rows; ++i)
                    pieces.push_back({image.PixelAddress(static_cast<int>(strips[t].firstRow + i), 0),
                                      static_cast<size_t>(rowBytes)});
            if (!source.readPieces(strips[s].offset, pieces.data(), pieces.size())) return false;
            if (bits == 16 && bigEndian)
                for (const iovec& piece : pieces) {
                    auto* p = static_cast<uint8_t*>(piece.iov_base);
                    for (uint64_t k = 0; k + 1 < rowBytes; k += 2) std::swap(p[k], p[k + 1]);
                }
            s = end;
        }
        for (int row = 0; row < height; ++row) image.ReportRowProgress(row, height);
    } else {
        std::vector<uint8_t> buffer;
        for (const Strip& strip : strips) {
            const int first = static_cast<int>(strip.firstRow);
            const int rows = static_cast<int>(strip.rows);
            buffer.resize(static_cast<size_t>(strip.rows * rowBytes));
            if (!source.read(strip.offset, buffer.data(), buffer.size())) return false;
            for (int i = 0; i < rows; ++i) {
                image.WriteLine(first + i, buffer.data() + static_cast<size_t>(i * rowBytes), bits);
                image.ReportRowProgress(first + i, height);
            }
        }
    }
    image.SetModified(true);
    return true;
}

bool decode(Image& image, TiffReader& r, const Directory& d, const Layout& layout) {
    image.SetPaletteCount(paletteCountOf(layout, d));
    // 8- and 16-bit rows without padding are read whole into the rows, so
    // the store need not be zeroed first.
    const bool everyByte = (d.bits == 8 || d.bits == 16) && rowBytesOf(d.width, d.bits) % 4 == 0;
    if (!image.Allocate(static_cast<int>(d.width), static_cast<int>(d.height), d.bits,
                        everyByte ? Image::PixelStart::Overwritten : Image::PixelStart::Zeroed))
        return false;
    applyPalette(image, layout, d);
    image.ClearPositionRegistered();
    if (!readRows(image, r.source_, d, layout.strips, r.bigEndian_)) {
        image.ZeroPixels();
        fail(TiffUnrecognised);  // the file changed under the reader
        return false;
    }
    if (!layout.registration.empty())
        applyRegistration(image, layout.registration, d.registration->count);
    image.SetForeignData(layout.foreign);
    ImageTexts texts;
    for (size_t t = 0; t < 7; ++t) {
        if (!d.texts[t]) continue;
        const std::string& s = *d.texts[t];
        texts.slot[kTextTags[t].slot] = s.substr(0, ImageTexts::kSlotLength - 1);
        // A long description runs on into the slot after it, which is kept
        // for that.
        if (kTextTags[t].slot == TextImageDescription && s.size() >= ImageTexts::kSlotLength)
            texts.slot[TextUnused] = s.substr(ImageTexts::kSlotLength - 1);
    }
    image.SetTexts(texts);
    return true;
}

bool readTiff(Image& image, Source& source) {
    uint8_t header[8];
    if (!source.read(0, header, 8) ||
        !((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M'))) {
        fail(TiffNotTiff);
        return false;
    }
    TiffReader r(source, header[0] == 'M');
    if (r.u16(header + 2) != 42) {
        fail(TiffNotTiff);
        return false;
    }
    uint32_t offset = r.u32(header + 4);
    if (offset == 0 || !source.inside(offset, 2)) {
        fail(TiffNoDirectory);
        return false;
    }
    // Every directory is checked in file order and the first fault ends the
    // read; the last full-size one is the image, and what its entries point
    // at is checked once it is known. Reduced-resolution copies
    // after it (thumbnails, overviews) do not replace it. A next directory
    // outside the file, or a chain that comes back to a directory already
    // read, is a damaged file.
    std::set<uint32_t> visited;
    uint64_t entryBudget = 1u << 20;
    std::optional<Directory> chosen;
    while (offset != 0) {
        if (!source.inside(offset, 2) || !visited.insert(offset).second) {
            fail(TiffUnrecognised);
            return false;
        }
        Directory d;
        offset = r.readDirectory(offset, d, entryBudget);
        if (chosen && (d.subfileType & 1) && !d.broken) continue;
        int code = checkDirectory(r, d);
        if (code == -1) {
            // The store refuses the size and says why.
            image.Allocate(static_cast<int>(std::min<uint32_t>(d.width, INT32_MAX)),
                           static_cast<int>(std::min<uint32_t>(d.height, INT32_MAX)), d.bits);
            return false;
        }
        if (code != 0) {
            fail(code);
            return false;
        }
        chosen = std::move(d);
    }
    if (!chosen) {
        fail(TiffNoDirectory);
        return false;
    }
    Layout layout;
    if (int code = checkLayout(r, *chosen, image.KeepsRegistration(), layout)) {
        fail(code);
        return false;
    }
    return decode(image, r, *chosen, layout);
}

}  // namespace

const char* TiffErrorText(int code) {
    switch (code) {
        case TiffNotTiff: return "File not in Tiff format.";
        case TiffNoDirectory: return "No Image File Directory in Tiff file.";
        case TiffCompression: return "Unrecognized compression format.";
        case TiffUnrecognised: return "Unrecognized TIFF format.";
        default: return "Unrecognized TIFF format.";
    }
}

bool ReadTiffBytes(Image& image, const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    return readTiff(image, source);
}

bool ReadTiff(Image& image, const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        fail(TiffNotTiff);
        return false;
    }
    FileSource source(fd, static_cast<uint64_t>(st.st_size));
    bool ok = readTiff(image, source);
    ::close(fd);
    return ok;
}

int TiffRowsPerStrip(int width, int height, int depth) {
    double rowBytes = static_cast<double>(width) * depth / 8.0;
    int64_t r = rowBytes > 0 ? static_cast<int64_t>(8192.0 / rowBytes) : height;
    if (r >= height) r = height / 2;
    return static_cast<int>(std::max<int64_t>(r, 1));
}

namespace {

// Tie points are stored as 16-bit pixel numbers. Those of an image wider or
// taller than that reaches are moved to pixels that fit, with the real
// positions the image gives those pixels, so the registration is the same.
PositionRegistration storableRegistration(const Image& image) {
    const PositionRegistration& p = image.GetPositionRegistration();
    auto fits = [](int v) { return v >= INT16_MIN && v <= INT16_MAX; };
    if (fits(p.px1) && fits(p.py1) && fits(p.px2) && fits(p.py2)) return p;
    PositionRegistration q;
    q.px1 = 0;
    q.py1 = std::min(image.Height() - 1, int(INT16_MAX));
    q.px2 = std::min(image.Width() - 1, int(INT16_MAX));
    q.py2 = 0;
    const RealPoint first = image.PixelToReal(q.px1, q.py1);
    const RealPoint second = image.PixelToReal(q.px2, q.py2);
    q.x1 = first.x;
    q.y1 = first.y;
    q.x2 = second.x;
    q.y2 = second.y;
    return q;
}

// A file about to be written: everything before the pixel strips, the strips
// as rows of the image, and the arrays after them.
struct TiffPlan {
    std::vector<uint8_t> head, tail;
    uint64_t rowBytes = 0;
    int depth = 8;
};

TiffPlan planTiff(Image& image, int depth) {
    const int width = image.Width();
    const int height = image.Height();
    const uint64_t rowBytes = rowBytesOf(static_cast<uint64_t>(width), depth);
    const int rowsPerStrip = TiffRowsPerStrip(width, height, depth);
    const int strips = (height + rowsPerStrip - 1) / rowsPerStrip;

    ByteWriter w;
    w.bytes.reserve(4096 + image.ForeignData().size() + 6 * (size_t(1) << depth));
    w.u8('I');
    w.u8('I');
    w.u16(42);
    w.u32(8);

    struct Out {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<Out> entries;
    auto add = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        entries.push_back({tag, type, count, value});
        return entries.size() - 1;
    };
    const auto& texts = image.GetTexts();
    auto textOf = [&](int slot) {
        std::string s = image.GetText(slot);
        if (slot == TextImageDescription && s.size() == ImageTexts::kSlotLength - 1)
            s += image.GetText(TextUnused);
        return s;
    };

    int photometric = 3;
    if (depth == 1) photometric = image.GetPaletteEntryBrightness(0) == 0 ? 1 : 0;
    // Few readers take 16-bit palette files: 16-bit images are written as
    // grey values, with the colour map still beside them for our own reader.
    if (depth == 16) photometric = 1;
    add(TagNewSubfileType, TypeLong, 1, 0);
    add(TagImageWidth, TypeLong, 1, static_cast<uint32_t>(width));
    add(TagImageLength, TypeLong, 1, static_cast<uint32_t>(height));
    add(TagBitsPerSample, TypeShort, 1, static_cast<uint32_t>(depth));
    add(TagCompression, TypeShort, 1, 1);
    add(TagPhotometric, TypeShort, 1, static_cast<uint32_t>(photometric));
    size_t textEntry[7] = {};
    if (texts) {
        for (uint16_t tag : {TagImageDescription, TagMake, TagModel})
            for (size_t t = 0; t < 7; ++t)
                if (kTextTags[t].tag == tag)
                    textEntry[t] = add(tag, TypeAscii, uint32_t(textOf(kTextTags[t].slot).size() + 1), 0);
    }
    size_t offsetsEntry = add(TagStripOffsets, TypeLong, 0, 0);
    add(TagSamplesPerPixel, TypeShort, 1, 1);
    add(TagRowsPerStrip, TypeLong, 1, static_cast<uint32_t>(rowsPerStrip));
    size_t countsEntry = add(TagStripByteCounts, TypeLong, 0, 0);
    size_t xResolution = add(TagXResolution, TypeRational, 1, 182);
    size_t yResolution = add(TagYResolution, TypeRational, 1, 190);
    add(TagResolutionUnit, TypeShort, 1, 2);
    if (texts) {
        for (uint16_t tag : {TagSoftware, TagDateTime, TagArtist, TagHostComputer})
            for (size_t t = 0; t < 7; ++t)
                if (kTextTags[t].tag == tag)
                    textEntry[t] = add(tag, TypeAscii, uint32_t(textOf(kTextTags[t].slot).size() + 1), 0);
    }
    const uint32_t mapEntries = 1u << depth;
    size_t mapEntry = add(TagColorMap, TypeShort, 3 * mapEntries, 0);
    size_t registrationEntry = SIZE_MAX, foreignEntry = SIZE_MAX;
    if (image.KeepsRegistration())
        registrationEntry = add(TagRegistration, TypeLong, kRegistrationCount, 0);
    const auto& foreign = image.ForeignData();
    // The foreign block is counted in bytes, so it is typed as bytes: readers
    // that go by the type then take exactly the block.
    if (!foreign.empty()) foreignEntry = add(TagForeignData, TypeUndefined, 0, 0);

    const size_t directory = w.size();
    w.u16(0);
    w.zeros(12 * entries.size());
    w.u32(0);
    auto align = [&]() {
        if (w.size() % 2) w.u8(0);
    };

    // The resolution: 72 pixels per inch, so that readers find a real value.
    entries[xResolution].value = static_cast<uint32_t>(w.size());
    w.u32(72);
    w.u32(1);
    entries[yResolution].value = static_cast<uint32_t>(w.size());
    w.u32(72);
    w.u32(1);

    if (registrationEntry != SIZE_MAX) {
        entries[registrationEntry].value = static_cast<uint32_t>(w.size());
        const PositionRegistration p = storableRegistration(image);
        const ZRegistration& z = image.GetZRegistration();
        size_t start = w.size();
        w.u16(static_cast<uint16_t>(p.px1));
        w.u16(static_cast<uint16_t>(p.py1));
        w.u16(static_cast<uint16_t>(p.px2));
        w.u16(static_cast<uint16_t>(p.py2));
        w.f64(p.x1);
        w.f64(p.y1);
        w.f64(p.x2);
        w.f64(p.y2);
        w.u32(static_cast<uint32_t>(z.flag));
        w.u32(0);
        w.f64(z.low);
        w.f64(z.high);
        std::string units = z.units.substr(0, ZRegistration::kUnitsLength - 1);
        w.raw(units.data(), units.size());
        w.zeros(kRegistrationBytes - (w.size() - start));
    }
    if (foreignEntry != SIZE_MAX) {
        align();
        const uint32_t n = static_cast<uint32_t>(foreign.size());
        size_t start = w.size();
        entries[foreignEntry].value = static_cast<uint32_t>(start);
        w.u32(kForeignMarker);
        w.u32(n);
        w.raw(foreign.data(), foreign.size());
        w.bytes.insert(w.bytes.end(), n % 4, 'j');
        entries[foreignEntry].count = static_cast<uint32_t>(w.size() - start);
    }
    if (texts) {
        for (size_t t = 0; t < 7; ++t) {
            std::string s = textOf(kTextTags[t].slot);
            Out& e = entries[textEntry[t]];
            if (s.size() + 1 <= 4) {
                // Short texts stand in the entry itself, as readers expect.
                uint32_t v = 0;
                std::memcpy(&v, s.data(), s.size());
                e.value = v;
                continue;
            }
            align();
            e.value = static_cast<uint32_t>(w.size());
            w.raw(s.data(), s.size());
            w.u8(0);
        }
    }

    align();
    entries[mapEntry].value = static_cast<uint32_t>(w.size());
    const uint8_t* saved = image.SavedPaletteBytes();
    const uint32_t used = static_cast<uint32_t>(image.PaletteCount());
    // Entries past the palette are 1 in all three arrays (a 16-bit map has
    // 65536 of them): laid down as whole runs.
    const uint32_t inPalette = std::min({used, mapEntries, 256u});
    static const std::vector<uint8_t> ones = [] {
        std::vector<uint8_t> v(2u << 16);
        for (size_t i = 0; i < v.size(); i += 2) v[i] = 1;
        return v;
    }();
    for (int component = 2; component >= 0; --component) {  // red, green, blue
        for (uint32_t i = 0; i < inPalette; ++i)
            w.u16(static_cast<uint16_t>(saved[4 * i + component] * 256));
        w.raw(ones.data(), 2 * size_t(mapEntries - inPalette));
    }

    // The strips follow the colour map (which ends on an even offset), the
    // arrays of byte counts and offsets follow the strips.
    const uint64_t stripsAt = w.size();
    std::vector<uint32_t> stripOffsets, stripCounts;
    for (int s = 0; s < strips; ++s) {
        const int first = s * rowsPerStrip;
        const int last = std::min(height, first + rowsPerStrip);
        stripOffsets.push_back(static_cast<uint32_t>(stripsAt + uint64_t(first) * rowBytes));
        stripCounts.push_back(static_cast<uint32_t>(uint64_t(last - first) * rowBytes));
    }
    const uint64_t tailAt = stripsAt + uint64_t(height) * rowBytes;
    ByteWriter tail;
    if (tailAt % 2) tail.u8(0);
    if (strips == 1) {
        entries[offsetsEntry].count = entries[countsEntry].count = 1;
        entries[offsetsEntry].value = stripOffsets[0];
        entries[countsEntry].value = stripCounts[0];
    } else {
        entries[countsEntry].count = static_cast<uint32_t>(strips);
        entries[countsEntry].value = static_cast<uint32_t>(tailAt + tail.size());
        for (uint32_t c : stripCounts) tail.u32(c);
        entries[offsetsEntry].count = static_cast<uint32_t>(strips);
        entries[offsetsEntry].value = static_cast<uint32_t>(tailAt + tail.size());
        for (uint32_t o : stripOffsets) tail.u32(o);
    }

    for (size_t i = 0; i < entries.size(); ++i) {
        size_t at = directory + 2 + 12 * i;
        const Out& e = entries[i];
        w.put16(at, e.tag);
        w.put16(at + 2, e.type);
        w.put32(at + 4, e.count);
        if (e.type == TypeShort && e.count == 1) {
            w.put16(at + 8, static_cast<uint16_t>(e.value));
            w.put16(at + 10, 0);
        } else {
            w.put32(at + 8, e.value);
        }
    }
    w.put16(directory, static_cast<uint16_t>(entries.size()));
    TiffPlan plan;
    plan.head = std::move(w.bytes);
    plan.tail = std::move(tail.bytes);
    plan.rowBytes = rowBytes;
    plan.depth = depth;
    return plan;
}

// Rows converted to the file's depth, a group at a time.
constexpr int kRowsPerGroup = 256;

void convertRows(Image& image, const TiffPlan& plan, int first, int count, uint8_t* out) {
    const size_t stride = static_cast<size_t>(plan.rowBytes);
    std::vector<uint8_t> row(stride + 2);
    for (int i = 0; i < count; ++i) {
        std::fill(row.begin(), row.end(), 0);
        image.ReadLine(first + i, row.data(), plan.depth);
        std::memcpy(out + i * stride, row.data(), stride);
        image.ReportRowProgress(first + i, image.Height());
    }
}

// Rows stored as the file holds them (8 bits, or 16 bits of the host's byte
// order, at the image's own depth) are written from the image itself.
bool rowsAsStored(const Image& image, int depth) {
    return depth == image.StorageDepth() && (depth == 8 || depth == 16);
}

}  // namespace

std::vector<uint8_t> EncodeTiff(Image& image, int depth) {
    TiffPlan plan = planTiff(image, depth);
    const int height = image.Height();
    std::vector<uint8_t> out = std::move(plan.head);
    const size_t stripsAt = out.size();
    out.resize(stripsAt + static_cast<size_t>(plan.rowBytes) * height);
    convertRows(image, plan, 0, height, out.data() + stripsAt);
    out.insert(out.end(), plan.tail.begin(), plan.tail.end());
    return out;
}

bool WriteTiff(Image& image, const std::string& path, int depth) {
    if (!image.IsAllocated()) return false;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16) depth = image.Depth();
    const TiffPlan plan = planTiff(image, depth);
    const int height = image.Height();
    const size_t rowBytes = static_cast<size_t>(plan.rowBytes);
    return WriteFileAtomically(path, [&](int fd) {
        std::vector<iovec> pieces;
        pieces.push_back({const_cast<uint8_t*>(plan.head.data()), plan.head.size()});
        if (rowsAsStored(image, depth)) {
            pieces.reserve(static_cast<size_t>(height) + 2);
            for (int r = 0; r < height; ++r) {
                pieces.push_back({image.PixelAddress(r, 0), rowBytes});
                image.ReportRowProgress(r, height);
            }
        } else {
            if (!WriteAll(fd, pieces.data(), pieces.size())) return false;
            pieces.clear();
            std::vector<uint8_t> group(rowBytes * kRowsPerGroup);
            for (int first = 0; first < height; first += kRowsPerGroup) {
                const int count = std::min(kRowsPerGroup, height - first);
                convertRows(image, plan, first, count, group.data());
                iovec piece{group.data(), rowBytes * count};
                if (!WriteAll(fd, &piece, 1)) return false;
            }
        }
        pieces.push_back({const_cast<uint8_t*>(plan.tail.data()), plan.tail.size()});
        return WriteAll(fd, pieces.data(), pieces.size());
    });
}

}  // namespace orvex::formats
