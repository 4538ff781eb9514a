#include "formats/tiff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
    TagImageDescription = 270,
    TagMake = 271,
    TagModel = 272,
    TagStripOffsets = 273,
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

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint64_t field = 0;  // file offset of the entry's value field
};

// What one directory says about its image.
struct Directory {
    uint32_t subfileType = 0;
    uint32_t width = 0, height = 0;
    int bits = 1;
    int compression = 1;
    int photometric = 0;
    int samples = 1;
    uint32_t rowsPerStrip = 0;
    bool hasRowsPerStrip = false;
    std::optional<Entry> stripOffsets, stripByteCounts, colorMap, registration, foreign;
    bool grayResponseUnit = false;
    uint32_t grayResponseCount = 0;
    std::optional<std::string> texts[7];
};

class TiffReader {
public:
    TiffReader(const uint8_t* data, size_t size, bool bigEndian)
        : in_(data, size, bigEndian), size_(size) {}

    // The scalar held in an entry (the first value for arrays).
    uint32_t scalar(const Entry& e) {
        uint64_t location = 0, bytes = 0;
        if (!locate(e, location, bytes)) return 0;
        return element(e, location, 0);
    }

    // Where an entry's values lie; false when they are not wholly in the file.
    bool locate(const Entry& e, uint64_t& location, uint64_t& bytes) {
        uint64_t size = typeSize(e.type);
        if (size == 0) return false;
        bytes = size * e.count;
        location = bytes <= 4 ? e.field : in_.u32(e.field);
        return in_.has(location, bytes);
    }

    uint32_t element(const Entry& e, uint64_t location, uint64_t index) {
        switch (e.type) {
            case TypeShort: case 8: return in_.u16(location + 2 * index);
            case TypeLong: case 9: return in_.u32(location + 4 * index);
            case TypeByte: case 6: case TypeUndefined: return in_.u8(location + index);
            default: return 0;
        }
    }

    // The array of an entry, or nothing when it does not lie in the file.
    std::vector<uint32_t> array(const Entry& e) {
        uint64_t location = 0, bytes = 0;
        std::vector<uint32_t> values;
        if (!locate(e, location, bytes)) return values;
        values.resize(e.count);
        for (uint32_t i = 0; i < e.count; ++i) values[i] = element(e, location, i);
        return values;
    }

    // A private block of LONGs as the bytes the writer laid out: little-endian
    // words, whatever the file's byte order. At most the bytes in the file.
    std::vector<uint8_t> block(const Entry& e) {
        std::vector<uint8_t> bytes;
        uint64_t size = typeSize(e.type);
        if (size == 0) return bytes;
        uint64_t total = size * e.count;
        uint64_t location = total <= 4 ? e.field : in_.u32(e.field);
        if (location > size_) return bytes;
        total = std::min<uint64_t>(total, size_ - location);
        bytes.assign(in_.data() + location, in_.data() + location + total);
        if (in_.bigEndian() && size == 4) {
            for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
                std::swap(bytes[i], bytes[i + 3]);
                std::swap(bytes[i + 1], bytes[i + 2]);
            }
        }
        return bytes;
    }

    std::string text(const Entry& e, size_t maxChars) {
        uint64_t count = e.count;
        const uint8_t* p = nullptr;
        if (count <= 4) {
            // Short texts stand in the entry itself. Files of earlier versions
            // put them at an offset all the same: an offset read as text shows
            // control characters, so those are taken from the offset.
            p = in_.data() + e.field;
            bool control = false;
            for (uint64_t i = 0; i < count && p[i] != 0; ++i) control |= p[i] < 0x20;
            uint32_t offset = in_.u32(e.field);
            if (control && in_.has(offset, count)) p = in_.data() + offset;
        } else {
            uint32_t offset = in_.u32(e.field);
            if (offset >= size_) return {};
            count = std::min<uint64_t>(count, size_ - offset);
            p = in_.data() + offset;
        }
        std::string s;
        for (uint64_t i = 0; i < count && i < maxChars && p[i] != 0; ++i)
            s.push_back(static_cast<char>(p[i]));
        return s;
    }

    // Reads the directory at offset; returns the next directory's offset (0
    // when there is none or it lies outside the file).
    uint32_t readDirectory(uint32_t offset, Directory& d, uint64_t& entryBudget) {
        uint32_t n = in_.u16(offset);
        uint64_t first = uint64_t(offset) + 2;
        // A directory cut short by the end of the file keeps the entries it has.
        uint64_t whole = (size_ - std::min<uint64_t>(size_, first)) / 12;
        uint64_t count = std::min<uint64_t>({n, whole, entryBudget});
        entryBudget -= count;
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t at = first + 12 * i;
            Entry e{in_.u16(at), in_.u16(at + 2), in_.u32(at + 4), at + 8};
            handle(e, d);
        }
        uint64_t nextAt = first + 12 * uint64_t(n);
        if (count < n || !in_.has(nextAt, 4)) return 0;
        return in_.u32(nextAt);
    }

    void handle(const Entry& e, Directory& d) {
        switch (e.tag) {
            case TagNewSubfileType: d.subfileType = scalar(e); break;
            case TagImageWidth: d.width = scalar(e); break;
            case TagImageLength: d.height = scalar(e); break;
            case TagBitsPerSample: d.bits = static_cast<int>(std::min<uint32_t>(scalar(e), 1u << 16)); break;
            case TagCompression: d.compression = static_cast<int>(std::min<uint32_t>(scalar(e), 1u << 16)); break;
            case TagPhotometric: d.photometric = static_cast<int>(std::min<uint32_t>(scalar(e), 1u << 16)); break;
            case TagSamplesPerPixel: d.samples = static_cast<int>(std::min<uint32_t>(scalar(e), 1u << 16)); break;
            case TagRowsPerStrip:
                d.rowsPerStrip = scalar(e);
                d.hasRowsPerStrip = true;
                break;
            case TagStripOffsets: d.stripOffsets = e; break;
            case TagStripByteCounts: d.stripByteCounts = e; break;
            case TagGrayResponseUnit: d.grayResponseUnit = true; break;
            case TagGrayResponseCurve: d.grayResponseCount = e.count; break;
            case TagPredictor: break;
            case TagColorMap: d.colorMap = e; break;
            case TagRegistration: d.registration = e; break;
            case TagForeignData: d.foreign = e; break;
            default:
                for (size_t t = 0; t < 7; ++t)
                    if (kTextTags[t].tag == e.tag) d.texts[t] = text(e, kTextTags[t].maxChars);
                break;
        }
    }

    ByteReader in_;
    size_t size_;
};

// Checks what decoding would refuse, before anything is allocated. Returns 0
// or the error code; -1 when the store refuses the size (it says why itself).
int checkDirectory(const Directory& d, size_t fileSize) {
    if (d.samples != 1 || (d.bits != 1 && d.bits != 4 && d.bits != 8 && d.bits != 16))
        return TiffUnrecognised;
    if (d.compression != 1) return TiffCompression;
    if (d.width == 0 || d.height == 0 || d.width > uint32_t(Image::kMaxDimension) ||
        d.height > uint32_t(Image::kMaxDimension))
        return -1;
    uint64_t pixelBytes = rowBytesOf(d.width, d.bits) * d.height;
    if (pixelBytes > Image::kMaxPixelBytes) return -1;
    if (!PixelDataPlausible(pixelBytes, fileSize)) return TiffUnrecognised;
    return 0;
}

void applyPalette(Image& image, TiffReader& r, const Directory& d) {
    const int bits = d.bits;
    if (d.colorMap) {
        uint64_t n = uint64_t(1) << bits;
        std::vector<uint32_t> map = r.array(*d.colorMap);
        n = std::min<uint64_t>(n, map.size() / 3);
        if (n > 0) {
            bool small = std::all_of(map.begin(), map.begin() + 3 * n,
                                     [](uint32_t v) { return v <= 256; });
            if (small)
                for (auto& v : map) v *= 256;
            uint64_t count = n;
            for (uint64_t i = 0; i < n; ++i)
                if (map[i] == 1) {
                    count = i;
                    break;
                }
            image.SetPaletteCount(static_cast<int>(std::min<uint64_t>(count, 256)));
            image.ApplyGreyRamp();
            for (uint64_t i = 0; i < std::min<uint64_t>(count, 256); ++i)
                image.SetPaletteEntry(static_cast<int>(i), (map[i] >> 8) & 0xFF,
                                      (map[n + i] >> 8) & 0xFF, (map[2 * n + i] >> 8) & 0xFF);
            return;
        }
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
    if (in.failed) return;
    image.SetPositionRegistration(p);
    if (z) image.SetZRegistration(*z);
}

bool decode(Image& image, TiffReader& r, const Directory& d) {
    const int bits = d.bits;
    applyPalette(image, r, d);
    if (!image.Allocate(static_cast<int>(d.width), static_cast<int>(d.height), bits)) return false;
    applyPalette(image, r, d);  // Allocate laid the grey ramp over it
    image.ClearPositionRegistered();

    const uint64_t rowBytes = rowBytesOf(d.width, bits);
    const uint64_t height = d.height;
    const bool byRowsPerStrip = d.hasRowsPerStrip && d.rowsPerStrip > 0;
    const uint64_t rowsPerStrip = byRowsPerStrip ? d.rowsPerStrip : height;
    std::vector<uint32_t> offsets, counts;
    if (d.stripOffsets) offsets = r.array(*d.stripOffsets);
    if (d.stripByteCounts) counts = r.array(*d.stripByteCounts);

    std::vector<uint8_t> row(rowBytes);
    const uint8_t* data = r.in_.data();
    const uint64_t size = r.size_;
    uint64_t nextRow = 0;
    for (size_t s = 0; s < offsets.size() && nextRow < height; ++s) {
        // Without byte counts every strip holds its rows in full.
        uint64_t bytes = s < counts.size() ? counts[s] : rowsPerStrip * rowBytes;
        uint64_t rows = (bytes + rowBytes - 1) / rowBytes;
        uint64_t firstRow = byRowsPerStrip ? uint64_t(s) * rowsPerStrip : nextRow;
        if (byRowsPerStrip) rows = std::min(rows, rowsPerStrip);
        if (firstRow >= height) break;
        for (uint64_t i = 0; i < rows && firstRow + i < height; ++i) {
            uint64_t at = uint64_t(offsets[s]) + i * rowBytes;
            if (at >= size) break;  // the strip's other rows stay zero
            // A row the strip holds only in part keeps the rest zero.
            uint64_t have = std::min({rowBytes, size - at, bytes - i * rowBytes});
            std::memcpy(row.data(), data + at, have);
            std::fill(row.begin() + static_cast<ptrdiff_t>(have), row.end(), 0);
            if (bits == 16 && r.in_.bigEndian())
                for (size_t k = 0; k + 1 < row.size(); k += 2) std::swap(row[k], row[k + 1]);
            int target = static_cast<int>(firstRow + i);
            image.WriteLine(target, row.data(), bits);
            image.ReportRowProgress(target, static_cast<int>(height));
        }
        nextRow = std::max(nextRow, firstRow + rows);
    }

    if (d.registration && image.KeepsRegistration()) {
        uint32_t count = d.registration->count;
        if ((count == 10 || count == 35 || count == 38) && typeSize(d.registration->type) == 4)
            applyRegistration(image, r.block(*d.registration), count);
    }
    image.SetForeignData({});
    if (d.foreign) {
        std::vector<uint8_t> b = r.block(*d.foreign);
        ByteReader in(b.data(), b.size());
        if (in.u32(0) == kForeignMarker && !in.failed) {
            uint64_t n = in.u32(4);
            n = std::min<uint64_t>(n, b.size() >= 8 ? b.size() - 8 : 0);
            image.SetForeignData(std::vector<uint8_t>(b.begin() + 8, b.begin() + 8 + static_cast<ptrdiff_t>(n)));
        }
    }
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
    if (size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'))) {
        fail(TiffNotTiff);
        return false;
    }
    TiffReader r(data, size, data[0] == 'M');
    if (r.in_.u16(2) != 42) {
        fail(TiffNotTiff);
        return false;
    }
    uint32_t offset = r.in_.u32(4);
    if (offset == 0 || !r.in_.has(offset, 2)) {
        fail(TiffNoDirectory);
        return false;
    }
    // Every directory is checked in file order, the first fault ends the read;
    // the last full-size one is the image. Reduced-resolution copies after it
    // (thumbnails, overviews) do not replace it. A chain that comes back to a
    // directory already read ends there.
    std::set<uint32_t> visited;
    uint64_t entryBudget = 1u << 20;
    std::optional<Directory> chosen;
    while (offset != 0 && r.in_.has(offset, 2) && visited.insert(offset).second &&
           entryBudget > 0) {
        Directory d;
        offset = r.readDirectory(offset, d, entryBudget);
        if (chosen && (d.subfileType & 1)) continue;
        int code = checkDirectory(d, size);
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
    return decode(image, r, *chosen);
}

bool ReadTiff(Image& image, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        fail(TiffNotTiff);
        return false;
    }
    return ReadTiffBytes(image, bytes.data(), bytes.size());
}

int TiffRowsPerStrip(int width, int height, int depth) {
    double rowBytes = static_cast<double>(width) * depth / 8.0;
    int64_t r = rowBytes > 0 ? static_cast<int64_t>(8192.0 / rowBytes) : height;
    if (r >= height) r = height / 2;
    return static_cast<int>(std::max<int64_t>(r, 1));
}

std::vector<uint8_t> EncodeTiff(Image& image, int depth) {
    const int width = image.Width();
    const int height = image.Height();
    const uint64_t rowBytes = rowBytesOf(static_cast<uint64_t>(width), depth);
    const int rowsPerStrip = TiffRowsPerStrip(width, height, depth);
    const int strips = (height + rowsPerStrip - 1) / rowsPerStrip;

    ByteWriter w;
    w.bytes.reserve(4096 + image.ForeignData().size() + 6 * (size_t(1) << depth) +
                    static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
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
        const PositionRegistration& p = image.GetPositionRegistration();
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
    for (int component = 2; component >= 0; --component) {  // red, green, blue
        for (uint32_t i = 0; i < mapEntries; ++i)
            w.u16(i < used && i < 256 ? static_cast<uint16_t>(saved[4 * i + component] * 256) : 1);
    }

    std::vector<uint32_t> stripOffsets, stripCounts;
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes) + 2);
    for (int s = 0; s < strips; ++s) {
        stripOffsets.push_back(static_cast<uint32_t>(w.size()));
        int first = s * rowsPerStrip;
        int last = std::min(height, first + rowsPerStrip);
        for (int r = first; r < last; ++r) {
            std::fill(row.begin(), row.end(), 0);
            image.ReadLine(r, row.data(), depth);
            w.raw(row.data(), rowBytes);
            image.ReportRowProgress(r, height);
        }
        stripCounts.push_back(static_cast<uint32_t>(uint64_t(last - first) * rowBytes));
    }
    if (strips == 1) {
        entries[offsetsEntry].count = entries[countsEntry].count = 1;
        entries[offsetsEntry].value = stripOffsets[0];
        entries[countsEntry].value = stripCounts[0];
    } else {
        align();
        entries[countsEntry].count = static_cast<uint32_t>(strips);
        entries[countsEntry].value = static_cast<uint32_t>(w.size());
        for (uint32_t c : stripCounts) w.u32(c);
        entries[offsetsEntry].count = static_cast<uint32_t>(strips);
        entries[offsetsEntry].value = static_cast<uint32_t>(w.size());
        for (uint32_t o : stripOffsets) w.u32(o);
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
    return std::move(w.bytes);
}

bool WriteTiff(Image& image, const std::string& path, int depth) {
    if (!image.IsAllocated()) return false;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16) depth = image.Depth();
    std::vector<uint8_t> bytes = EncodeTiff(image, depth);
    return WriteFileAtomically(path, bytes);
}

}  // namespace orvex::formats
