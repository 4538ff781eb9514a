// The picture path: palette strips to screen pixels, with zoom, mirroring and
// clipping, and the QPainter surface the overlays draw with.
#include <QImage>
#include <QPainter>
#include <QTest>
#include <vector>

#include "gui/qt_surface.h"

using namespace orvex;
using orvex::gui::QtSurface;
using orvex::gui::renderStrip;

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
