#include "platform/surface.h"

#include <cstdio>

namespace orvex::platform {

static std::string format(const char* pattern, auto... values) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

void RecordingSurface::setPen(const Pen& pen) {
    calls.push_back(format("pen %06x %d %d", pen.colour, pen.width, static_cast<int>(pen.style)));
}
void RecordingSurface::setBrush(const Brush& brush) {
    calls.push_back(brush.hollow ? std::string("brush hollow") : format("brush %06x", brush.colour));
}
void RecordingSurface::setTextColour(uint32_t colour) {
    calls.push_back(format("textcolour %06x", colour));
}
void RecordingSurface::setFont(const std::string& family, int pixelHeight) {
    calls.push_back("font " + family + format(" %d", pixelHeight));
}
void RecordingSurface::setXorMode(bool on) { calls.push_back(on ? "xor on" : "xor off"); }
void RecordingSurface::line(int x1, int y1, int x2, int y2) {
    calls.push_back(format("line %d %d %d %d", x1, y1, x2, y2));
}
void RecordingSurface::rectangle(const Rect& r) {
    calls.push_back(format("rect %d %d %d %d", r.left, r.top, r.right, r.bottom));
}
void RecordingSurface::fillRect(const Rect& r, uint32_t colour) {
    calls.push_back(format("fill %d %d %d %d %06x", r.left, r.top, r.right, r.bottom, colour));
}
void RecordingSurface::text(int x, int y, const std::string& text) {
    calls.push_back(format("text %d %d ", x, y) + text);
}
Size RecordingSurface::textExtent(const std::string& text) {
    return {static_cast<int>(text.size()) * charWidth, charHeight};
}
void RecordingSurface::drawStrip(const BitmapStrip& strip, const Rect& s, const Rect& t) {
    calls.push_back(format("strip %dx%d@%d src %d %d %d %d dst %d %d %d %d", strip.width,
                           strip.rows, strip.bitCount, s.left, s.top, s.right, s.bottom, t.left,
                           t.top, t.right, t.bottom));
}

}  // namespace orvex::platform
