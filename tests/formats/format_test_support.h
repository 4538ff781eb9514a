#pragma once
// Shared pieces of the file-format tests: an image that keeps its
// registration (as the application's images do), temporary paths, a
// recording Ui, and a small builder of hand-made TIFF files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formats/file_io.h"
#include "imagestore/image.h"
#include "platform/headless_ui.h"

namespace orvex::formats::testing {

class KeepingImage : public Image {
public:
    bool KeepsRegistration() const override { return true; }
    void ReportProgress(int percent) override { progress.push_back(percent); }
    std::vector<int> progress;
};

inline std::string TempPath(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() /
               ("orvex_formats_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string DataPath(const std::string& name) {
    return std::string(ORVEX_TEST_DATA) + "/formats/" + name;
}

/// Installs a HeadlessUi for the test's lifetime.
class RecordingUi {
public:
    RecordingUi() { previous_ = platform::setUi(&ui); }
    ~RecordingUi() { platform::setUi(previous_); }
    platform::HeadlessUi ui;

private:
    platform::Ui* previous_;
};

/// Fills an image with a pattern that differs in every row and column.
inline void FillPattern(Image& image, int depth) {
    std::vector<uint16_t> row(static_cast<size_t>(image.Width()));
    const int maxValue = depth == 16 ? 65535 : (1 << depth) - 1;
    for (int r = 0; r < image.Height(); ++r) {
        for (int c = 0; c < image.Width(); ++c)
            row[c] = static_cast<uint16_t>((c * 7 + r * 13 + (depth == 16 ? c * r * 251 : 0)) %
                                           (maxValue + 1));
        std::vector<uint8_t> bytes(row.size() * 2);
        if (depth == 16) {
            image.WriteLine(r, row.data(), 16);
        } else {
            std::vector<uint8_t> eight(row.begin(), row.end());
            image.WriteLine(r, eight.data(), 8);
        }
    }
}

/// Every pixel as an integer, row by row.
inline std::vector<int> Pixels(const Image& image) {
    std::vector<int> values;
    std::vector<uint16_t> row(static_cast<size_t>(image.Width()));
    std::vector<uint8_t> eight(static_cast<size_t>(image.Width()));
    for (int r = 0; r < image.Height(); ++r) {
        if (image.Depth() == 16) {
            image.ReadLine(r, row.data(), 16);
            values.insert(values.end(), row.begin(), row.end());
        } else {
            image.ReadLine(r, eight.data(), 8);
            values.insert(values.end(), eight.begin(), eight.end());
        }
    }
    return values;
}

/// Builds a TIFF file by hand in either byte order: entries are added with
/// their values; arrays longer than 4 bytes go to the data area.
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : big_(bigEndian) {}

    struct Entry {
        uint16_t tag, type;
        uint32_t count;
        std::vector<uint8_t> data;  // in file byte order
    };

    void shortValue(uint16_t tag, uint16_t value) { shorts(tag, {value}); }
    void longValue(uint16_t tag, uint32_t value) { longs(tag, {value}); }
    void shorts(uint16_t tag, const std::vector<uint16_t>& values) {
        Entry e{tag, 3, static_cast<uint32_t>(values.size()), {}};
        for (uint16_t v : values) put16(e.data, v);
        entries_.push_back(std::move(e));
    }
    void longs(uint16_t tag, const std::vector<uint32_t>& values) {
        Entry e{tag, 4, static_cast<uint32_t>(values.size()), {}};
        for (uint32_t v : values) put32(e.data, v);
        entries_.push_back(std::move(e));
    }
    void ascii(uint16_t tag, const std::string& text) {
        Entry e{tag, 2, static_cast<uint32_t>(text.size() + 1), {}};
        e.data.assign(text.begin(), text.end());
        e.data.push_back(0);
        entries_.push_back(std::move(e));
    }
    void raw(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint8_t> data) {
        entries_.push_back({tag, type, count, std::move(data)});
    }
    /// Pixel strips: their offsets and byte counts entries are made at build.
    void strips(std::vector<std::vector<uint8_t>> strips) { strips_ = std::move(strips); }
    /// Starts the next directory of a multi-page file.
    void nextPage() {
        pages_.push_back({std::move(entries_), std::move(strips_)});
        entries_.clear();
        strips_.clear();
    }

    std::vector<uint8_t> build() {
        nextPage();
        std::vector<uint8_t> out;
        out.push_back(big_ ? 'M' : 'I');
        out.push_back(big_ ? 'M' : 'I');
        put16(out, 42);
        put32(out, 8);
        for (size_t p = 0; p < pages_.size(); ++p) {
            auto& page = pages_[p];
            // Strip data first, after the header, then the directory.
            std::vector<uint32_t> offsets, counts;
            for (auto& s : page.strips) {
                offsets.push_back(static_cast<uint32_t>(out.size()));
                counts.push_back(static_cast<uint32_t>(s.size()));
                out.insert(out.end(), s.begin(), s.end());
            }
            if (!page.strips.empty()) {
                Entry o{273, 4, static_cast<uint32_t>(offsets.size()), {}};
                for (auto v : offsets) put32(o.data, v);
                Entry c{279, 4, static_cast<uint32_t>(counts.size()), {}};
                for (auto v : counts) put32(c.data, v);
                page.entries.push_back(std::move(o));
                page.entries.push_back(std::move(c));
            }
            std::sort(page.entries.begin(), page.entries.end(),
                      [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
            if (out.size() % 2) out.push_back(0);
            // Data of long entries.
            std::vector<uint32_t> where(page.entries.size());
            for (size_t i = 0; i < page.entries.size(); ++i) {
                if (page.entries[i].data.size() > 4) {
                    where[i] = static_cast<uint32_t>(out.size());
                    out.insert(out.end(), page.entries[i].data.begin(), page.entries[i].data.end());
                    if (out.size() % 2) out.push_back(0);
                }
            }
            uint32_t directory = static_cast<uint32_t>(out.size());
            patch32(out, p == 0 ? 4 : nextFieldOfPrevious_, directory);
            put16(out, static_cast<uint16_t>(page.entries.size()));
            for (size_t i = 0; i < page.entries.size(); ++i) {
                const Entry& e = page.entries[i];
                put16(out, e.tag);
                put16(out, e.type);
                put32(out, e.count);
                if (e.data.size() <= 4) {
                    std::vector<uint8_t> v = e.data;
                    v.resize(4, 0);
                    out.insert(out.end(), v.begin(), v.end());
                } else {
                    put32(out, where[i]);
                }
            }
            nextFieldOfPrevious_ = static_cast<uint32_t>(out.size());
            put32(out, 0);
        }
        return out;
    }

    void put16(std::vector<uint8_t>& v, uint16_t x) const {
        if (big_) {
            v.push_back(uint8_t(x >> 8));
            v.push_back(uint8_t(x));
        } else {
            v.push_back(uint8_t(x));
            v.push_back(uint8_t(x >> 8));
        }
    }
    void put32(std::vector<uint8_t>& v, uint32_t x) const {
        if (big_) {
            put16(v, uint16_t(x >> 16));
            put16(v, uint16_t(x));
        } else {
            put16(v, uint16_t(x));
            put16(v, uint16_t(x >> 16));
        }
    }
    void patch32(std::vector<uint8_t>& v, size_t at, uint32_t x) const {
        std::vector<uint8_t> b;
        put32(b, x);
        std::copy(b.begin(), b.end(), v.begin() + static_cast<ptrdiff_t>(at));
    }

private:
    struct Page {
        std::vector<Entry> entries;
        std::vector<std::vector<uint8_t>> strips;
    };
    bool big_;
    std::vector<Entry> entries_;
    std::vector<std::vector<uint8_t>> strips_;
    std::vector<Page> pages_;
    uint32_t nextFieldOfPrevious_ = 0;
};

/// Whether a command-line tool is on the path.
inline bool HaveTool(const std::string& name) {
    std::string command = "command -v " + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

/// Runs a shell command and gives its standard output; status in *status.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

/// A grid file written by hand: header, then the values row by row.
inline std::vector<uint8_t> HandGrid(uint16_t nx, uint16_t ny, double zlo, double zhi,
                              const std::vector<float>& values, double xlo = 1, double xhi = 2,
                              double ylo = 3, double yhi = 4) {
    ByteWriter w;
    w.raw("DSBB", 4);
    w.u16(nx);
    w.u16(ny);
    for (double v : {xlo, xhi, ylo, yhi, zlo, zhi}) w.f64(v);
    for (float v : values) w.f32(v);
    return std::move(w.bytes);
}

}  // namespace orvex::formats::testing
