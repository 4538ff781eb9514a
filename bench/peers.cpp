// Orvex beside OpenCV and libtiff on the same 4096 x 4096 maps, in one process
// and on one thread. Each repetition runs Orvex's kernel, the peer and Orvex's
// whole command one after the other, so a busy machine slows all three alike;
// the table shows the median of the repetitions. Each of the three starts
// with the processor's caches emptied of its data, as a map in a lab's
// session is: a 16 MB map fits this machine's cache, so otherwise whichever
// ran after another on the same data would look faster.
//   kernel:  the row kernels over the picture in memory, as the command runs them
//   command: the menu command on an image window (new window, rows read and
//            written through the image, progress, history, redraw; not the
//            closing of the new window afterwards)
//   ratio:   kernel / peer; overhead: command / kernel - 1
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#include <hwy/aligned_allocator.h>
#include <hwy/highway.h>
#include <tiffio.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "formats/tiff.h"
#include "imagestore/image.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "processing/filters.h"
#include "processing/geometry.h"
#include "processing/histogram.h"
#include "processing/kernels/geometry_rows.h"
#include "processing/kernels/neighbourhood_rows.h"
#include "processing/kernels/point_rows.h"
#include "processing/mask.h"

using namespace orvex;
using formats::ReadTiff;
using formats::TiffRowsPerStrip;
using formats::WriteTiff;

namespace {

constexpr int kSide = 4096;
constexpr int kRepetitions = 15;

// The processor time of this thread: on a machine shared with other work the
// wall clock counts the time the thread waited for its turn too.
double threadMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Twice the largest last-level cache we run on, read and written once.
std::vector<uint8_t>& cacheSweeper() {
    static std::vector<uint8_t> sweeper(size_t{64} << 20, 1);
    return sweeper;
}

void emptyCaches() {
    std::vector<uint8_t>& sweeper = cacheSweeper();
    for (size_t i = 0; i < sweeper.size(); i += 64) sweeper[i] = static_cast<uint8_t>(sweeper[i] + 1);
}

double millisecondsOf(const std::function<void()>& run) {
    emptyCaches();
    const double start = threadMilliseconds();
    run();
    return threadMilliseconds() - start;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Op {
    std::string name;
    std::function<void()> kernel, peer;
    // The command returns the window it made, closed once the clock has stopped.
    std::function<ImageHandle()> command;
};

// A map like a scan: smooth relief under noise.
template <class T>
cv::Mat makeMap(int type, int top) {
    cv::Mat m(kSide, kSide, type);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> noise(-top / 16, top / 16);
    for (int r = 0; r < kSide; ++r) {
        T* row = m.ptr<T>(r);
        for (int c = 0; c < kSide; ++c) {
            const double relief = (std::sin(c * 0.01) * std::cos(r * 0.013) + 1) * 0.45 * top;
            row[c] = static_cast<T>(std::clamp(static_cast<int>(relief) + noise(random), 0, top));
        }
    }
    return m;
}

template <class T>
ImageHandle windowOf(const cv::Mat& m) {
    const ImageHandle w = CreateImage(m.cols, m.rows, PaletteGrey, false, sizeof(T) * 8);
    for (int r = 0; r < m.rows; ++r) {
        if (sizeof(T) == 2)
            WriteLine16(w, r, m.ptr<uint16_t>(r));
        else
            WriteLine8(w, r, m.ptr<uint8_t>(r));
    }
    return w;
}

// The picture with a border of zeros, as the neighbourhood commands see it:
// each padded row starts on a cache line.
template <class T>
struct Padded {
    size_t stride = 0;
    hwy::AlignedFreeUniquePtr<T[]> pixels;
    const T* row(int r) const { return pixels.get() + r * stride; }
};

template <class T>
Padded<T> padded(const cv::Mat& m) {
    Padded<T> p;
    const size_t perLine = 64 / sizeof(T);
    p.stride = (kSide + 2 + perLine - 1) / perLine * perLine;
    p.pixels = hwy::AllocateAligned<T>(p.stride * (kSide + 2));
    std::fill(p.pixels.get(), p.pixels.get() + p.stride * (kSide + 2), T{0});
    for (int r = 0; r < kSide; ++r) std::memcpy(p.pixels.get() + (r + 1) * p.stride + 1, m.ptr<T>(r), kSide * sizeof(T));
    return p;
}

template <class T, class RowOp>
void slide(const Padded<T>& p, cv::Mat& out, RowOp op) {
    for (int r = 0; r < kSide; ++r) op(p.row(r), p.row(r + 1), p.row(r + 2), kSide, out.ptr<T>(r));
}

// Result index i samples source position scale x (i + 0.5): the taps of the
// resampling command, written out the same way.
void bilinearTaps(int sourceSize, int resultSize, std::vector<int32_t>& index, std::vector<double>& weight) {
    index.resize(resultSize);
    weight.resize(resultSize);
    const double scale = static_cast<double>(sourceSize) / resultSize;
    for (int i = 0; i < resultSize; ++i) {
        const double position = scale * (i + 0.5);
        int lower = 0;
        if (position <= 0.5)
            lower = 0;
        else if (position >= sourceSize - 0.5)
            lower = sourceSize - 2;
        else
            lower = static_cast<int>(position - 0.5);
        index[i] = lower;
        weight[i] = position - 0.5 - lower;
    }
}

// As the command runs it: on scaled integers when the weights allow, which
// they do for halving and doubling.
void bilinearKernel(const cv::Mat& src, cv::Mat& dst) {
    std::vector<int32_t> columns, rows;
    std::vector<double> columnWeight, rowWeight;
    bilinearTaps(src.cols, dst.cols, columns, columnWeight);
    bilinearTaps(src.rows, dst.rows, rows, rowWeight);
    const int shift = ExactShift(columnWeight.data(), dst.cols, rowWeight.data(), dst.rows, 255);
    const int32_t scale = 1 << std::max(shift, 0);
    std::vector<int32_t> columnScaled(dst.cols);
    for (int c = 0; c < dst.cols; ++c) columnScaled[c] = static_cast<int32_t>(columnWeight[c] * scale);
    bool pairs = true;
    for (int c = 0; c < dst.cols; ++c) pairs = pairs && columns[c] == 2 * c && columnScaled[c] == columnScaled[0];
    std::vector<uint8_t> in(src.cols + 4);
    std::vector<double> along[2] = {std::vector<double>(dst.cols), std::vector<double>(dst.cols)};
    std::vector<int32_t> alongScaled[2] = {std::vector<int32_t>(dst.cols), std::vector<int32_t>(dst.cols)};
    int held[2] = {-1, -1};
    auto slotOf = [&](int row, int keep) {
        for (int k = 0; k < 2; ++k)
            if (held[k] == row) return k;
        const int slot = keep == 0 ? 1 : 0;
        std::memcpy(in.data(), src.ptr(row), src.cols);
        if (shift >= 0 && pairs)
            BlendPairsScaled(in.data(), columnScaled[0], shift, dst.cols, alongScaled[slot].data());
        else if (shift >= 0)
            BlendAlongRowScaled(in.data(), columns.data(), columnScaled.data(), shift, dst.cols, alongScaled[slot].data());
        else
            BlendAlongRow(in.data(), columns.data(), columnWeight.data(), dst.cols, along[slot].data());
        held[slot] = row;
        return slot;
    };
    for (int r = 0; r < dst.rows; ++r) {
        const int j = static_cast<int>(rows[r]);
        const int upper = slotOf(j, -1), lower = slotOf(j + 1, upper);
        if (shift >= 0)
            BlendBetweenRowsScaled(alongScaled[upper].data(), alongScaled[lower].data(),
                                   static_cast<int32_t>(rowWeight[r] * scale), shift, dst.cols, dst.ptr<uint8_t>(r));
        else
            BlendBetweenRows(along[upper].data(), along[lower].data(), rowWeight[r], dst.cols, dst.ptr<uint8_t>(r));
    }
}

void nearestKernel(const cv::Mat& src, cv::Mat& dst) {
    std::vector<int> columns(dst.cols), rows(dst.rows);
    for (int c = 0; c < dst.cols; ++c)
        columns[c] = std::min(static_cast<int>(static_cast<double>(src.cols) / dst.cols * (c + 0.5)), src.cols - 1);
    for (int r = 0; r < dst.rows; ++r)
        rows[r] = std::min(static_cast<int>(static_cast<double>(src.rows) / dst.rows * (r + 0.5)), src.rows - 1);
    for (int r = 0; r < dst.rows; ++r) {
        if (r > 0 && rows[r] == rows[r - 1])
            std::memcpy(dst.ptr(r), dst.ptr(r - 1), dst.cols);
        else
            NearestRow(src.ptr<uint8_t>(rows[r]), columns.data(), dst.cols, dst.ptr<uint8_t>(r));
    }
}

template <class T>
void turnKernel(const cv::Mat& src, cv::Mat& dst) {
    const int band = 64 / sizeof(T);
    for (int r0 = 0; r0 < kSide; r0 += band)
        TurnBand(src.ptr<T>(0), kSide, kSide, kSide, true, r0, std::min(band, kSide - r0), dst.ptr<T>(r0), kSide);
}

// libtiff with uncompressed strips of the size Orvex writes.
void libtiffWrite(const cv::Mat& m, const char* path, bool palette) {
    TIFF* t = TIFFOpen(path, "w");
    const int bits = m.depth() == CV_16U ? 16 : 8;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, m.cols);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, m.rows);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const int rowsPerStrip = TiffRowsPerStrip(m.cols, m.rows, bits);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<uint16_t> map(256);
    if (palette) {
        for (int i = 0; i < 256; ++i) map[i] = static_cast<uint16_t>(i * 257);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    } else {
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    }
    const size_t rowBytes = static_cast<size_t>(m.cols) * (bits / 8);
    for (int s = 0, r = 0; r < m.rows; ++s, r += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, m.rows - r);
        TIFFWriteEncodedStrip(t, s, const_cast<uint8_t*>(m.ptr(r)), static_cast<tmsize_t>(rows * rowBytes));
    }
    TIFFClose(t);
}

void libtiffRead(const char* path, cv::Mat& into) {
    TIFF* t = TIFFOpen(path, "r");
    uint8_t* at = into.ptr(0);
    const tstrip_t strips = TIFFNumberOfStrips(t);
    for (tstrip_t s = 0; s < strips; ++s) {
        const tmsize_t got = TIFFReadEncodedStrip(t, s, at, -1);
        if (got > 0) at += got;
    }
    TIFFClose(t);
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);
    // "--no-avx512" keeps the kernels to 256-bit vectors, to compare; any
    // other argument runs only the ops whose names contain it.
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-avx512")
            hwy::DisableTargets(HWY_AVX3 | HWY_AVX3_DL);
        else
            only = argv[i];
    }
    const int64_t usable = hwy::SupportedTargets() & HWY_TARGETS;
    std::printf("Orvex kernels on %s\n", hwy::TargetName(usable & -usable));
    const cv::Mat map8 = makeMap<uint8_t>(CV_8U, 255);
    const cv::Mat map16 = makeMap<uint16_t>(CV_16U, 65535);
    const Padded<uint8_t> padded8 = padded<uint8_t>(map8);
    const Padded<uint16_t> padded16 = padded<uint16_t>(map16);
    const ImageHandle window8 = windowOf<uint8_t>(map8), window16 = windowOf<uint16_t>(map16);
    cv::Mat out8(kSide, kSide, CV_8U), out16(kSide, kSide, CV_16U), peer8(kSide, kSide, CV_8U),
        peer16(kSide, kSide, CV_16U), scratch8 = map8.clone();
    cv::Mat big8(2 * kSide, 2 * kSide, CV_8U), bigPeer(2 * kSide, 2 * kSide, CV_8U);
    cv::Mat small8(kSide / 2, kSide / 2, CV_8U), smallPeer(kSide / 2, kSide / 2, CV_8U);
    const cv::Rect cut(500, 600, 3000, 3000);
    cv::Mat crop8(cut.size(), CV_8U), cropPeer(cut.size(), CV_8U);

    const Kernel sharpen{"sharpen", {0, -1, 0, -1, 5, -1, 0, -1, 0}};
    const Kernel blur{"blur", {0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f, 0.111f}};
    const ConvolutionWeights sharpenWeights = PrepareConvolution(sharpen.weights);
    const ConvolutionWeights blurWeights = PrepareConvolution(blur.weights);
    auto filter2D = [&](const Kernel& k) {
        const cv::Mat weights(3, 3, CV_32F, const_cast<float*>(k.weights.data()));
        cv::filter2D(map8, peer8, -1, weights, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
    };
    uint32_t counts[256];
    cv::Mat peerHist;

    const char* orvexTiff = "/tmp/orvex_peers_orvex.tif";
    const char* peerTiff = "/tmp/orvex_peers_libtiff.tif";
    Image tiff8, tiff16, readBack;
    tiff8.Allocate(kSide, kSide, 8);
    tiff16.Allocate(kSide, kSide, 16);
    for (int r = 0; r < kSide; ++r) {
        tiff8.WriteLine(r, map8.ptr(r), 8);
        tiff16.WriteLine(r, map16.ptr(r), 16);
    }
    WriteTiff(tiff8, std::string(orvexTiff) + "8", 8);
    WriteTiff(tiff16, std::string(orvexTiff) + "16", 16);
    libtiffWrite(map8, (std::string(peerTiff) + "8").c_str(), true);
    libtiffWrite(map16, (std::string(peerTiff) + "16").c_str(), false);

    std::vector<Op> ops = {
        {"median 3x3 8-bit",
         [&] {
             slide(padded8, out8,
                   [](auto a, auto r, auto b, int w, auto o) { MedianRow(a, r, b, w, o); });
         },
         [&] { cv::medianBlur(map8, peer8, 3); }, [&] { return Median(window8); }},
        {"median 3x3 16-bit",
         [&] {
             slide(padded16, out16,
                   [](auto a, auto r, auto b, int w, auto o) { MedianRow(a, r, b, w, o); });
         },
         [&] { cv::medianBlur(map16, peer16, 3); }, [&] { return Median(window16); }},
        {"convolution 3x3 whole weights",
         [&] {
             slide(padded8, out8, [&](auto a, auto r, auto b, int w, auto o) {
                 ConvolveRow(a, r, b, w, sharpenWeights, o);
             });
         },
         [&] { filter2D(sharpen); }, [&] { return Convolve(window8, sharpen); }},
        {"convolution 3x3 fractions",
         [&] {
             slide(padded8, out8, [&](auto a, auto r, auto b, int w, auto o) {
                 ConvolveRow(a, r, b, w, blurWeights, o);
             });
         },
         [&] { filter2D(blur); }, [&] { return Convolve(window8, blur); }},
        {"erode",
         [&] {
             slide(padded8, out8,
                   [](auto a, auto r, auto b, int w, auto o) { MinimumRow(a, r, b, w, o); });
         },
         [&] { cv::erode(map8, peer8, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, 0); },
         [&] { return Erode(window8); }},
        {"dilate",
         [&] {
             slide(padded8, out8,
                   [](auto a, auto r, auto b, int w, auto o) { MaximumRow(a, r, b, w, o); });
         },
         [&] { cv::dilate(map8, peer8, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, 0); },
         [&] { return Dilate(window8); }},
        {"flip top-bottom",
         [&] {
             // In runs of 20 rows, each read in the order its source rows lie.
             for (int first = 0; first < kSide; first += 20)
                 for (int r = std::min(first + 19, kSide - 1); r >= first; --r)
                     CopyRow(map8.ptr(kSide - 1 - r), kSide, out8.ptr(r), RowStores::Streamed);
             FinishStreamedRows();
         },
         [&] { cv::flip(map8, peer8, 0); },
         [&] { return RotateFlipImage(window8, RotateFlip::TopToBottom); }},
        {"flip left-right",
         [&] {
             for (int r = 0; r < kSide; ++r)
                 ReverseRow(map8.ptr<uint8_t>(r), kSide, out8.ptr<uint8_t>(r));
         },
         [&] { cv::flip(map8, peer8, 1); },
         [&] { return RotateFlipImage(window8, RotateFlip::LeftToRight); }},
        {"crop 3000x3000",
         [&] {
             for (int r = 0; r < cut.height; ++r)
                 CopyRow(map8.ptr(cut.y + r) + cut.x, cut.width, crop8.ptr(r), RowStores::Streamed);
             FinishStreamedRows();
         },
         [&] { map8(cut).copyTo(cropPeer); },
         [&] {
             return CropImage(window8,
                              {cut.x, cut.y, cut.x + cut.width - 1, cut.y + cut.height - 1});
         }},
        {"rotate 90 8-bit", [&] { turnKernel<uint8_t>(map8, out8); },
         [&] { cv::rotate(map8, peer8, cv::ROTATE_90_CLOCKWISE); },
         [&] { return RotateFlipImage(window8, RotateFlip::Clockwise90); }},
        {"rotate 90 16-bit", [&] { turnKernel<uint16_t>(map16, out16); },
         [&] { cv::rotate(map16, peer16, cv::ROTATE_90_CLOCKWISE); },
         [&] { return RotateFlipImage(window16, RotateFlip::Clockwise90); }},
        {"resize nearest x2", [&] { nearestKernel(map8, big8); },
         [&] { cv::resize(map8, bigPeer, bigPeer.size(), 0, 0, cv::INTER_NEAREST); },
         [&] {
             return ResampleImage(window8, 2 * kSide, 2 * kSide, ResampleMethod::NearestNeighbor);
         }},
        {"resize bilinear x2", [&] { bilinearKernel(map8, big8); },
         [&] { cv::resize(map8, bigPeer, bigPeer.size(), 0, 0, cv::INTER_LINEAR); },
         [&] { return ResampleImage(window8, 2 * kSide, 2 * kSide, ResampleMethod::Bilinear); }},
        {"resize bilinear 1/2", [&] { bilinearKernel(map8, small8); },
         [&] { cv::resize(map8, smallPeer, smallPeer.size(), 0, 0, cv::INTER_LINEAR); },
         [&] { return ResampleImage(window8, kSide / 2, kSide / 2, ResampleMethod::Bilinear); }},
        {"histogram 8-bit",
         [&] {
             SplitCounts split;
             for (int r = 0; r < kSide; ++r) CountRow(map8.ptr<uint8_t>(r), kSide, split);
             SumCounts(split, counts);
         },
         [&] {
             const int channels[] = {0}, bins[] = {256};
             const float range[] = {0, 256};
             const float* ranges[] = {range};
             cv::calcHist(&map8, 1, channels, cv::Mat(), peerHist, 1, bins, ranges);
         },
         [&] { return OVP_Histogram8(window8, counts), ImageHandle{}; }},
        {"threshold",
         [&] {
             for (int r = 0; r < kSide; ++r)
                 ThresholdRow(map8.ptr<uint8_t>(r), kSide, 128, out8.ptr<uint8_t>(r),
                              RowStores::Streamed);
             FinishStreamedRows();
         },
         [&] { cv::threshold(map8, peer8, 127, 255, cv::THRESH_BINARY); },
         [&] { return OV_Threshold(window8, 128); }},
        {"negate",
         [&] {
             for (int r = 0; r < kSide; ++r) NegateRow(scratch8.ptr<uint8_t>(r), kSide);
         },
         [&] { cv::bitwise_not(map8, peer8); }, [&] { return OV_Negate(window8), ImageHandle{}; }},
        {"TIFF write 8-bit palette",
         {},
         [&] { libtiffWrite(map8, (std::string(peerTiff) + "8").c_str(), true); },
         [&] { return WriteTiff(tiff8, std::string(orvexTiff) + "8", 8), ImageHandle{}; }},
        {"TIFF write 16-bit",
         {},
         [&] { libtiffWrite(map16, (std::string(peerTiff) + "16").c_str(), false); },
         [&] { return WriteTiff(tiff16, std::string(orvexTiff) + "16", 16), ImageHandle{}; }},
        {"TIFF read 8-bit palette",
         {},
         [&] { libtiffRead((std::string(peerTiff) + "8").c_str(), peer8); },
         [&] { return ReadTiff(readBack, std::string(orvexTiff) + "8"), ImageHandle{}; }},
        {"TIFF read 16-bit",
         {},
         [&] { libtiffRead((std::string(peerTiff) + "16").c_str(), peer16); },
         [&] { return ReadTiff(readBack, std::string(orvexTiff) + "16"), ImageHandle{}; }},
    };

    ops.erase(std::remove_if(ops.begin(), ops.end(),
                             [&](const Op& op) { return op.name.find(only) == std::string::npos; }),
              ops.end());
    std::vector<std::vector<double>> kernel(ops.size()), peer(ops.size()), command(ops.size());
    for (int rep = 0; rep < kRepetitions; ++rep)
        for (size_t i = 0; i < ops.size(); ++i) {
            if (ops[i].kernel) kernel[i].push_back(millisecondsOf(ops[i].kernel));
            peer[i].push_back(millisecondsOf(ops[i].peer));
            ImageHandle made;
            command[i].push_back(millisecondsOf([&] { made = ops[i].command(); }));
            if (made) CloseImageWindow(made);
        }

    std::printf("%d x %d, one thread, median of %d repetitions (ms of thread processor time)\n", kSide, kSide, kRepetitions);
    std::printf("%-30s %10s %10s %10s %8s %10s %10s\n", "op", "kernel", "command", "peer", "ratio", "cmd ratio",
                "overhead");
    for (size_t i = 0; i < ops.size(); ++i) {
        const double p = median(peer[i]), c = median(command[i]);
        if (ops[i].kernel.operator bool()) {
            const double k = median(kernel[i]);
            std::printf("%-30s %10.2f %10.2f %10.2f %8.2f %10.2f %9.0f%%\n", ops[i].name.c_str(), k, c, p, k / p,
                        c / p, (c / k - 1) * 100);
        } else {
            std::printf("%-30s %10s %10.2f %10.2f %8s %10.2f %10s\n", ops[i].name.c_str(), "-", c, p, "-", c / p, "-");
        }
    }
    for (const char* path : {orvexTiff, peerTiff})
        for (const char* depth : {"8", "16"}) std::remove((std::string(path) + depth).c_str());
    windowList().Reset();
    return 0;
}
