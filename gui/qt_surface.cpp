#include "gui/qt_surface.h"

#include <QFontMetrics>
#include <algorithm>

namespace orvex::gui {

QColor toQColor(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

uint32_t fromQColor(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}

namespace {

// The palette as ready-made 32-bit pixels; entries are blue, green, red, 0.
void buildLookup(const uint8_t* palette, uint32_t (&lut)[256]) {
    for (int i = 0; i < 256; ++i) {
        if (!palette) {
            lut[i] = 0xFF000000u | (i << 16) | (i << 8) | i;
            continue;
        }
        const uint8_t* e = palette + 4 * i;
        lut[i] = 0xFF000000u | (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
    }
}

inline uint8_t indexAt(const uint8_t* row, int column, int bitCount) {
    switch (bitCount) {
        case 1: return (row[column >> 3] >> (7 - (column & 7))) & 1;
        case 4: return (column & 1) ? (row[column >> 1] & 0x0F) : (row[column >> 1] >> 4);
        default: return row[column];
    }
}

}  // namespace

void renderStrip(const platform::BitmapStrip& strip, const platform::Rect& source,
                 const platform::Rect& target, const QRect& visible, QImage& out) {
    if (visible.isEmpty() || !strip.bits || strip.rows <= 0 || strip.width <= 0) return;
    if (out.size() != visible.size() || out.format() != QImage::Format_RGB32)
        out = QImage(visible.size(), QImage::Format_RGB32);

    const bool mirrorX = target.width() < 0;
    const bool mirrorY = target.height() < 0;
    const int tx0 = std::min(target.left, target.right);
    const int ty0 = std::min(target.top, target.bottom);
    const int tw = std::abs(target.width());
    const int th = std::abs(target.height());
    const int sw = source.width();
    const int sh = source.height();
    if (tw == 0 || th == 0 || sw <= 0 || sh <= 0) return;

    uint32_t lut[256];
    buildLookup(strip.palette, lut);

    // Source column for every visible target column, computed once per strip
    // so the row loop is a plain table walk.
    const int vw = visible.width();
    std::vector<int> columns(vw);
    for (int i = 0; i < vw; ++i) {
        long dx = visible.left() + i - tx0;
        if (mirrorX) dx = tw - 1 - dx;
        long c = source.left + dx * sw / tw;
        columns[i] = static_cast<int>(std::clamp<long>(c, 0, strip.width - 1));
    }
    const bool straight = !mirrorX && sw == tw && strip.bitCount == 8 &&
                          columns.front() + vw - 1 == columns.back();

    for (int j = 0; j < visible.height(); ++j) {
        long dy = visible.top() + j - ty0;
        if (mirrorY) dy = th - 1 - dy;
        long r = source.top + dy * sh / th;  // counted from the strip's top row
        r = std::clamp<long>(r, 0, strip.rows - 1);
        // Rows are stored bottom-up: the strip's top row is its last stored row.
        const uint8_t* row = strip.bits + (strip.rows - 1 - r) * static_cast<long>(strip.rowBytes);
        auto* dst = reinterpret_cast<uint32_t*>(out.scanLine(j));
        if (straight) {
            const uint8_t* s = row + columns.front();
            for (int i = 0; i < vw; ++i) dst[i] = lut[s[i]];
        } else if (strip.bitCount == 8) {
            for (int i = 0; i < vw; ++i) dst[i] = lut[row[columns[i]]];
        } else {
            for (int i = 0; i < vw; ++i) dst[i] = lut[indexAt(row, columns[i], strip.bitCount)];
        }
    }
}

QtSurface::QtSurface(QPainter& painter, QRect clip) : painter_(painter), clip_(clip) {
    if (clip_.isEmpty() && painter_.device())
        clip_ = QRect(0, 0, painter_.device()->width(), painter_.device()->height());
}

static Qt::PenStyle toQtStyle(platform::PenStyle style) {
    switch (style) {
        case platform::PenStyle::Dash: return Qt::DashLine;
        case platform::PenStyle::Dot: return Qt::DotLine;
        case platform::PenStyle::None: return Qt::NoPen;
        default: return Qt::SolidLine;
    }
}

void QtSurface::setPen(const platform::Pen& pen) {
    QPen p(toQColor(pen.colour));
    p.setWidth(std::max(0, pen.width));
    p.setStyle(toQtStyle(pen.style));
    p.setCapStyle(Qt::FlatCap);
    painter_.setPen(p);
}

void QtSurface::setBrush(const platform::Brush& brush) {
    if (brush.hollow)
        painter_.setBrush(Qt::NoBrush);
    else
        painter_.setBrush(toQColor(brush.colour));
}

void QtSurface::setTextColour(uint32_t colour) { textColour_ = toQColor(colour); }

void QtSurface::setFont(const std::string& family, int pixelHeight) {
    QFont font(QString::fromStdString(family));
    if (pixelHeight > 0) font.setPixelSize(pixelHeight);
    painter_.setFont(font);
}

void QtSurface::setXorMode(bool on) {
    painter_.setCompositionMode(on ? QPainter::RasterOp_SourceXorDestination
                                   : QPainter::CompositionMode_SourceOver);
}

void QtSurface::line(int x1, int y1, int x2, int y2) { painter_.drawLine(x1, y1, x2, y2); }

void QtSurface::rectangle(const platform::Rect& r) {
    // The rectangle's right and bottom are exclusive, as the outline is drawn inside.
    painter_.drawRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)).normalized());
}

void QtSurface::fillRect(const platform::Rect& r, uint32_t colour) {
    painter_.fillRect(QRect(r.left, r.top, r.width(), r.height()).normalized(), toQColor(colour));
}

void QtSurface::text(int x, int y, const std::string& text) {
    const QPen saved = painter_.pen();
    painter_.setPen(textColour_);
    // The system places text by its top-left corner.
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), QString::fromStdString(text));
    painter_.setPen(saved);
}

platform::Size QtSurface::textExtent(const std::string& text) {
    const QFontMetrics m = painter_.fontMetrics();
    return {m.horizontalAdvance(QString::fromStdString(text)), m.height()};
}

void QtSurface::drawStrip(const platform::BitmapStrip& strip, const platform::Rect& source,
                          const platform::Rect& target) {
    const QRect normal(std::min(target.left, target.right), std::min(target.top, target.bottom),
                       std::abs(target.width()), std::abs(target.height()));
    const QRect visible = normal.intersected(clip_);
    if (visible.isEmpty()) return;
    // One picture buffer for every surface: a fresh buffer of window size on
    // each repaint would cost more in page faults than the drawing itself.
    static QImage scratch;
    renderStrip(strip, source, target, visible, scratch);
    painter_.drawImage(visible.topLeft(), scratch);
}

platform::Rect QtSurface::clipBox() {
    return {clip_.left(), clip_.top(), clip_.right() + 1, clip_.bottom() + 1};
}

}  // namespace orvex::gui
