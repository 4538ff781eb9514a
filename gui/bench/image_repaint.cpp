// Repainting a 4096 x 4096 8-bit image window at 100 %: the palette strip
// turned into screen pixels, the whole window painted through the core's
// drawing onto a window-sized picture, and a screen-sized window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <vector>

#include "gui/image_view.h"
#include "gui/qt_surface.h"
#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"

using namespace orvex;

namespace {

constexpr int kSide = 4096;

ImageHandle makeImage() {
    static ImageHandle window = [] {
        ImageHandle w = CreateImage(kSide, kSide, PaletteGrey, true, 8);
        std::vector<uint8_t> row(kSide);
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) row[c] = uint8_t((r ^ c) & 0xFF);
            WriteLine8(w, r, row.data());
        }
        return w;
    }();
    return window;
}

void StripToScreenPixels(benchmark::State& state) {
    std::vector<uint8_t> bits(size_t(kSide) * kSide), palette(1024);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i * 7);
    const platform::BitmapStrip strip{bits.data(), kSide, kSide, kSide, 8, palette.data()};
    QImage out;
    for (auto _ : state) {
        gui::renderStrip(strip, {0, 0, kSide, kSide}, {0, 0, kSide, kSide}, QRect(0, 0, kSide, kSide), out);
        benchmark::DoNotOptimize(out.bits());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(StripToScreenPixels)->Unit(benchmark::kMillisecond);

void WholeWindowRepaint(benchmark::State& state) {
    const ImageHandle window = makeImage();
    LiveView(window)->mapping.ShowExtents(*LiveImage(window), 1.0);
    QImage device(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&device);
        gui::QtSurface surface(painter, device.rect());
        PaintImageWindow(window, surface);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(WholeWindowRepaint)->Unit(benchmark::kMillisecond);

void ScreenSizedWindowRepaint(benchmark::State& state) {
    const ImageHandle window = makeImage();
    gui::ImageView view(window);
    view.resize(1600, 1000);
    QImage target(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        // What a repaint of the window does: the picture widget paints itself.
        view.viewport()->render(&target);
    }
}
BENCHMARK(ScreenSizedWindowRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
