// TIFF files of 4096 x 4096 pixels, 8-bit palette and 16-bit, uncompressed
// strips: written and read by our own reader and writer, and by libtiff
// beside them when it is there (the same strips, the same folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/tiff.h"
#include "imagestore/image.h"
#include "platform/headless_ui.h"

#if defined(ORVEX_HAVE_LIBTIFF)
#include <tiffio.h>
#endif

namespace {

constexpr int kSide = 4096;

std::string BenchPath(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("orvex_bench_tiff_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

orvex::Image& SourceImage(int depth) {
    static orvex::Image* images[17] = {};
    if (!images[depth]) {
        static orvex::platform::HeadlessUi ui;
        orvex::platform::setUi(&ui);
        auto* image = new orvex::Image;
        image->Allocate(kSide, kSide, depth);
        std::vector<uint16_t> row(kSide);
        std::vector<uint8_t> eight(kSide);
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) {
                row[c] = static_cast<uint16_t>(c * 31 + r * 17);
                eight[c] = static_cast<uint8_t>(row[c]);
            }
            if (depth == 16)
                image->WriteLine(r, row.data(), 16);
            else
                image->WriteLine(r, eight.data(), 8);
        }
        for (int i = 0; i < 256; ++i) image->SetPaletteEntry(i, i, 255 - i, i / 2);
        image->SavePalette();
        images[depth] = image;
    }
    return *images[depth];
}

void OrvexWrite(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    orvex::Image& image = SourceImage(depth);
    const std::string path = BenchPath("orvex_write.tif");
    for (auto _ : state) benchmark::DoNotOptimize(orvex::formats::WriteTiff(image, path, depth));
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * depth / 8);
}

void OrvexRead(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const std::string path = BenchPath("orvex_read" + std::to_string(depth) + ".tif");
    orvex::formats::WriteTiff(SourceImage(depth), path, depth);
    for (auto _ : state) {
        orvex::Image image;
        benchmark::DoNotOptimize(orvex::formats::ReadTiff(image, path));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * depth / 8);
}

BENCHMARK(OrvexWrite)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(OrvexRead)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

#if defined(ORVEX_HAVE_LIBTIFF)

void LibtiffWrite(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    orvex::Image& image = SourceImage(depth);
    const std::string path = BenchPath("libtiff_write.tif");
    const int rowsPerStrip = orvex::formats::TiffRowsPerStrip(kSide, kSide, depth);
    const size_t rowBytes = size_t(kSide) * depth / 8;
    std::vector<uint16_t> map(3 * (size_t(1) << depth), 1);
    std::vector<uint8_t> strip(rowBytes * rowsPerStrip);
    TIFFSetWarningHandler(nullptr);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kSide);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kSide);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, depth);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, depth == 8 ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + map.size() / 3,
                     map.data() + 2 * map.size() / 3);
        // The rows come out of the image the way any caller of libtiff takes them.
        for (int s = 0; s * rowsPerStrip < kSide; ++s) {
            const int first = s * rowsPerStrip;
            const int rows = std::min(rowsPerStrip, kSide - first);
            for (int r = 0; r < rows; ++r) image.ReadLine(first + r, strip.data() + r * rowBytes, depth);
            TIFFWriteEncodedStrip(tif, static_cast<uint32_t>(s), strip.data(),
                                  static_cast<tmsize_t>(rows * rowBytes));
        }
        TIFFClose(tif);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * depth / 8);
}

void LibtiffRead(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const std::string path = BenchPath("libtiff_read" + std::to_string(depth) + ".tif");
    orvex::formats::WriteTiff(SourceImage(depth), path, depth);
    TIFFSetWarningHandler(nullptr);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        uint32_t width = 0, height = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        // Into a buffer of the whole image, as a caller that keeps the pixels must.
        std::vector<uint8_t> pixels(size_t(width) * height * depth / 8);
        const tstrip_t strips = TIFFNumberOfStrips(tif);
        const tmsize_t stripSize = TIFFStripSize(tif);
        uint8_t* at = pixels.data();
        for (tstrip_t s = 0; s < strips; ++s) {
            tmsize_t got = TIFFReadEncodedStrip(tif, s, at, stripSize);
            if (got > 0) at += got;
        }
        TIFFClose(tif);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * depth / 8);
}

BENCHMARK(LibtiffWrite)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(LibtiffRead)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

#endif

}  // namespace

BENCHMARK_MAIN();
