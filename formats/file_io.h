#pragma once
// Whole-file reading and atomic saving shared by the file formats.
#include <sys/uio.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvex::formats {

/// Reads the whole file; false when it cannot be opened or read, or when it is
/// larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes,
                   uint64_t maxBytes = uint64_t(1) << 32);

/// Whether a regular file exists at the path.
bool FileExists(const std::string& path);

/// Writes the bytes to a temporary file beside the target, then renames it
/// over the target, so a failed save leaves the previous file as it was.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);
inline bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}
inline bool WriteFileAtomically(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text.data(), text.size());
}
/// The same with the bytes put by a writer of the caller's own (false: the
/// save fails and the target stays as it was).
bool WriteFileAtomically(const std::string& path, const std::function<bool(int fd)>& write);

/// Writes every piece, in as few calls as the system allows; false on a fault.
bool WriteAll(int fd, const iovec* pieces, size_t count);
/// Reads pieces from a file offset on, each wholly; false on a fault or a
/// file that ends first.
bool ReadAllAt(int fd, uint64_t offset, const iovec* pieces, size_t count);

/// Whether a file of fileBytes can plausibly describe pixels taking pixelBytes
/// in the store. Readers leave the rows a short file lacks zero, but a tiny
/// file must not make the store take gigabytes: the pixels may take at most
/// 64 times the file (what run-length coding can reach) or a megabyte.
inline bool PixelDataPlausible(uint64_t pixelBytes, uint64_t fileBytes) {
    return pixelBytes <= (uint64_t(1) << 20) || pixelBytes / 64 <= fileBytes;
}

/// Little-endian byte appending, used by every writer.
class ByteWriter {
public:
    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint16_t v) {
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void f32(float v);
    void f64(double v);
    void raw(const void* data, size_t size);
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
    /// Overwrites a 16/32-bit value already written at offset.
    void put16(size_t offset, uint16_t v);
    void put32(size_t offset, uint32_t v);
    size_t size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;
};

/// Bounds-checked reading of numbers from a byte block in either byte order;
/// reads past the end yield 0 and set the failed flag.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size, bool bigEndian = false)
        : data_(data), size_(size), bigEndian_(bigEndian) {}
    bool has(uint64_t offset, uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    uint8_t u8(uint64_t offset);
    uint16_t u16(uint64_t offset);
    uint32_t u32(uint64_t offset);
    float f32(uint64_t offset);
    double f64(uint64_t offset);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool bigEndian() const { return bigEndian_; }
    bool failed = false;

private:
    const uint8_t* data_;
    size_t size_;
    bool bigEndian_;
};

}  // namespace orvex::formats
