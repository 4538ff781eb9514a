#include "formats/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvex::formats {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t maxBytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the file shrank: keep what was read
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    ::close(fd);
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size) {
    return WriteFileAtomically(path, [&](int fd) {
        iovec piece{const_cast<void*>(data), size};
        return WriteAll(fd, &piece, 1);
    });
}

namespace {

// Runs vectored reads or writes over at most IOV_MAX pieces a call, going on
// after partial transfers; false on a fault or when nothing more moves.
template <typename Transfer>
bool TransferAll(const iovec* pieces, size_t count, Transfer transfer) {
    constexpr size_t kMaxPieces = 1024;
    std::vector<iovec> rest(pieces, pieces + count);
    size_t first = 0;
    while (first < rest.size()) {
        if (rest[first].iov_len == 0) {
            ++first;
            continue;
        }
        const int n = static_cast<int>(std::min(kMaxPieces, rest.size() - first));
        ssize_t moved = transfer(rest.data() + first, n);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) return false;
        auto left = static_cast<size_t>(moved);
        while (first < rest.size() && left >= rest[first].iov_len) left -= rest[first++].iov_len;
        if (left > 0) {
            rest[first].iov_base = static_cast<uint8_t*>(rest[first].iov_base) + left;
            rest[first].iov_len -= left;
        }
    }
    return true;
}

}  // namespace

bool WriteAll(int fd, const iovec* pieces, size_t count) {
    return TransferAll(pieces, count, [&](const iovec* p, int n) { return ::writev(fd, p, n); });
}

bool ReadAllAt(int fd, uint64_t offset, const iovec* pieces, size_t count) {
    return TransferAll(pieces, count, [&](const iovec* p, int n) {
        ssize_t got = ::preadv(fd, p, n, static_cast<off_t>(offset));
        if (got > 0) offset += static_cast<uint64_t>(got);
        return got;
    });
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(int fd)>& write) {
    static std::atomic<unsigned> counter{0};
    std::string temp = path + ".tmp~" + std::to_string(::getpid()) + "." +
                       std::to_string(counter.fetch_add(1));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = write(fd);
    // Keep the mode of a file being replaced.
    struct stat st {};
    if (ok && ::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

void ByteWriter::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ByteWriter::f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u32(uint32_t(bits));
    u32(uint32_t(bits >> 32));
}

void ByteWriter::raw(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
}

void ByteWriter::put16(size_t offset, uint16_t v) {
    bytes[offset] = uint8_t(v);
    bytes[offset + 1] = uint8_t(v >> 8);
}

void ByteWriter::put32(size_t offset, uint32_t v) {
    put16(offset, uint16_t(v));
    put16(offset + 2, uint16_t(v >> 16));
}

uint8_t ByteReader::u8(uint64_t offset) {
    if (!has(offset, 1)) {
        failed = true;
        return 0;
    }
    return data_[offset];
}

uint16_t ByteReader::u16(uint64_t offset) {
    if (!has(offset, 2)) {
        failed = true;
        return 0;
    }
    const uint8_t* p = data_ + offset;
    return bigEndian_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t ByteReader::u32(uint64_t offset) {
    if (!has(offset, 4)) {
        failed = true;
        return 0;
    }
    const uint8_t* p = data_ + offset;
    if (bigEndian_) return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

float ByteReader::f32(uint64_t offset) {
    uint32_t bits = u32(offset);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

double ByteReader::f64(uint64_t offset) {
    uint64_t lo = u32(offset);
    uint64_t hi = u32(offset + 4);
    uint64_t bits = bigEndian_ ? (lo << 32 | hi) : (hi << 32 | lo);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

}  // namespace orvex::formats
