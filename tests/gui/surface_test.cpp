// The picture path: palette strips to screen pixels, with zoom, mirroring and
// clipping, and the QPainter surface the overlays draw with.
#include <QImage>
#include <QPainter>
#include <QTest>
#include <vector>

#include "gui/qt_surface.h"
#include "imagestore/image.h"
#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"
#include "platform/headless_ui.h"

using namespace orvex;
using orvex::gui::QtSurface;
using orvex::gui::renderStrip;
using orvex::windowList;

namespace {

// A strip of `rows` rows whose pixel (c, r) — r counted from the top — holds
// r * 16 + c, stored bottom-up as the image store keeps it.
struct TestStrip {
    int width, rows, rowBytes;
    std::vector<uint8_t> bits;
    std::vector<uint8_t> palette;
    TestStrip(int w, int h) : width(w), rows(h), rowBytes((w + 3) & ~3), bits(rowBytes * h), palette(1024) {
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) bits[(h - 1 - r) * rowBytes + c] = uint8_t(r * 16 + c);
        for (int i = 0; i < 256; ++i) {  // blue, green, red: a palette that tells indices apart
            palette[4 * i] = uint8_t(255 - i);
            palette[4 * i + 1] = uint8_t(i / 2);
            palette[4 * i + 2] = uint8_t(i);
        }
    }
    platform::BitmapStrip strip() const {
        return {bits.data(), width, rows, rowBytes, 8, palette.data()};
    }
};

int indexOf(QRgb pixel) { return qRed(pixel); }

// A grey 16-bit window whose pixels all have different, non-zero high bytes
// (the shift moves them on each fill).
ImageHandle sixteenBitWindow(int w, int h, int shift) {
    const ImageHandle window = CreateImage(w, h, PaletteGrey, true, 16);
    std::vector<uint16_t> row(w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) row[c] = uint16_t(((r * 7 + c * 3 + shift) % 250 + 1) << 8 | 0x5A);
        WriteLine16(window, r, row.data());
    }
    return window;
}

QImage paintWindow(ImageHandle window, QRect clip, QSize size) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    QtSurface surface(painter, clip);
    DrawImageWindow(window, surface);
    return canvas;
}

}  // namespace

class SurfaceTest : public QObject {
    Q_OBJECT
private slots:
    void stripIsDrawnTopRowFirstWithItsPalette() {
        TestStrip s(5, 3);
        QImage out;
        renderStrip(s.strip(), {0, 0, 5, 3}, {0, 0, 5, 3}, QRect(0, 0, 5, 3), out);
        QCOMPARE(out.size(), QSize(5, 3));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c) QCOMPARE(indexOf(out.pixel(c, r)), r * 16 + c);
        const QRgb p = out.pixel(2, 1);  // index 18
        QCOMPARE(qBlue(p), 255 - 18);
        QCOMPARE(qGreen(p), 9);
    }

    void mirrorSettingsFlipThePicture() {
        TestStrip s(4, 2);
        QImage out;
        // A negative width with the origin at the right edge mirrors left to right.
        renderStrip(s.strip(), {0, 0, 4, 2}, {4, 0, 0, 2}, QRect(0, 0, 4, 2), out);
        QCOMPARE(indexOf(out.pixel(0, 0)), 3);
        QCOMPARE(indexOf(out.pixel(3, 1)), 16);
        renderStrip(s.strip(), {0, 0, 4, 2}, {0, 2, 4, 0}, QRect(0, 0, 4, 2), out);
        QCOMPARE(indexOf(out.pixel(0, 0)), 16);
        QCOMPARE(indexOf(out.pixel(3, 1)), 3);
    }

    void zoomRepeatsOrDropsPixels() {
        TestStrip s(4, 4);
        QImage out;
        renderStrip(s.strip(), {0, 0, 4, 4}, {0, 0, 8, 8}, QRect(0, 0, 8, 8), out);
        QCOMPARE(indexOf(out.pixel(0, 0)), 0);
        QCOMPARE(indexOf(out.pixel(1, 1)), 0);
        QCOMPARE(indexOf(out.pixel(2, 0)), 1);
        QCOMPARE(indexOf(out.pixel(7, 7)), 3 * 16 + 3);
        renderStrip(s.strip(), {0, 0, 4, 4}, {0, 0, 2, 2}, QRect(0, 0, 2, 2), out);
        QCOMPARE(indexOf(out.pixel(1, 1)), 2 * 16 + 2);
    }

    void onlyTheVisiblePartIsConverted() {
        TestStrip s(8, 8);
        QImage out;
        // Target scrolled so the picture starts 3 pixels left of the window; clip 2x2 at (1, 1).
        renderStrip(s.strip(), {0, 0, 8, 8}, {-3, 0, 5, 8}, QRect(1, 1, 2, 2), out);
        QCOMPARE(out.size(), QSize(2, 2));
        QCOMPARE(indexOf(out.pixel(0, 0)), 1 * 16 + 4);
        QCOMPARE(indexOf(out.pixel(1, 1)), 2 * 16 + 5);
    }

    void subByteStripsAreUnpacked() {
        // Two rows of a 4-bit strip, stored bottom-up: top row 0x12 0x34, bottom row 0xAB 0xCD.
        std::vector<uint8_t> bits = {0xAB, 0xCD, 0, 0, 0x12, 0x34, 0, 0};
        TestStrip grey(1, 1);
        platform::BitmapStrip strip{bits.data(), 4, 2, 4, 4, grey.palette.data()};
        QImage out;
        renderStrip(strip, {0, 0, 4, 2}, {0, 0, 4, 2}, QRect(0, 0, 4, 2), out);
        QCOMPARE(indexOf(out.pixel(0, 0)), 1);
        QCOMPARE(indexOf(out.pixel(3, 0)), 4);
        QCOMPARE(indexOf(out.pixel(1, 1)), 0xB);
        std::vector<uint8_t> mono = {0x00, 0, 0, 0, 0xA0, 0, 0, 0};  // top row 1010
        platform::BitmapStrip one{mono.data(), 4, 2, 4, 1, grey.palette.data()};
        renderStrip(one, {0, 0, 4, 2}, {0, 0, 4, 2}, QRect(0, 0, 4, 2), out);
        QCOMPARE(indexOf(out.pixel(0, 0)), 1);
        QCOMPARE(indexOf(out.pixel(1, 0)), 0);
        QCOMPARE(indexOf(out.pixel(2, 0)), 1);
        QCOMPARE(indexOf(out.pixel(0, 1)), 0);
    }

    void sixteenBitWindowsConvertOnlyWhatTheyShowAndShowItRight() {
        // The 16-bit path converts the clipped part of each strip into the
        // display buffer; a clipped paint must show exactly what a whole
        // paint of the same pixels shows, zoomed in or out, mirrored, over
        // several strips, after the pixels changed under an old buffer.
        platform::HeadlessUi headless;
        platform::setUi(&headless);
        windowList().Reset();
        Image::SetMaxStripBytes(2 * 37 * 9);
        struct Case {
            double zoom;
            bool mirror;
            QRect clip;
        };
        const Case cases[] = {{3, false, QRect(17, 20, 9, 40)},
                              {3, true, QRect(50, 5, 31, 7)},
                              {0.5, true, QRect(3, 2, 11, 13)},
                              {1, false, QRect(36, 0, 1, 29)}};
        int shift = 0;
        for (const Case& c : cases) {
            const ImageHandle clipped = sixteenBitWindow(37, 29, shift);
            const ImageHandle whole = sixteenBitWindow(37, 29, shift);
            for (ImageHandle h : {clipped, whole}) {
                DisplayMapping& m = LiveView(h)->mapping;
                m.ShowExtents(*LiveImage(h), c.zoom);
                m.mirrorHorizontal = m.mirrorVertical = c.mirror;
            }
            const QSize size(130, 100);
            for (int round = 0; round < 2; ++round) {
                const QImage part = paintWindow(clipped, c.clip, size);
                const QImage all = paintWindow(whole, QRect(), size);
                for (int y = c.clip.top(); y <= c.clip.bottom(); ++y)
                    for (int x = c.clip.left(); x <= c.clip.right(); ++x)
                        QVERIFY2(part.pixel(x, y) == all.pixel(x, y),
                                 qPrintable(QString("zoom %1 at %2,%3").arg(c.zoom).arg(x).arg(y)));
                // New pixels in both: the clipped window's buffer is stale now.
                shift += 11;
                for (ImageHandle h : {clipped, whole}) {
                    std::vector<uint16_t> row(37);
                    for (int r = 0; r < 29; ++r) {
                        for (int col = 0; col < 37; ++col)
                            row[col] = uint16_t(((r * 7 + col * 3 + shift) % 250 + 1) << 8);
                        WriteLine16(h, r, row.data());
                    }
                }
            }
        }
        Image::SetMaxStripBytes(0);
        windowList().Reset();
        platform::setUi(nullptr);
    }

    void surfaceDrawsStripsAndOverlays() {
        TestStrip s(4, 4);
        QImage canvas(10, 10, QImage::Format_RGB32);
        canvas.fill(Qt::green);
        {
            QPainter painter(&canvas);
            QtSurface surface(painter);
            QCOMPARE(surface.clipBox().right, 10);
            surface.drawStrip(s.strip(), {0, 0, 4, 4}, {2, 2, 6, 6});
            surface.fillRect({8, 0, 10, 2}, 0x0000FF);  // red as 0x00BBGGRR
            surface.setXorMode(true);
            surface.fillRect({0, 8, 2, 10}, 0xFFFFFF);
        }
        QCOMPARE(canvas.pixel(0, 0), QColor(Qt::green).rgb());
        QCOMPARE(indexOf(canvas.pixel(2, 2)), 0);
        QCOMPARE(indexOf(canvas.pixel(5, 5)), 3 * 16 + 3);
        QCOMPARE(canvas.pixel(9, 1), qRgb(255, 0, 0));
        // Exclusive-or with white inverts the green background.
        QCOMPARE(canvas.pixel(1, 9), qRgb(255, 0, 255));
    }
};

QTEST_MAIN(SurfaceTest)
#include "surface_test.moc"
