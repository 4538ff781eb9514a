#include "app/scale_bar.h"

#include <cmath>
#include <cstdio>

namespace orvex::app {

ScaleBar& scaleBar() {
    static ScaleBar instance;
    return instance;
}

double ScaleBar::Length(double d) const {
    d = std::fabs(d);
    double e = 1e7;
    while (e > d && e > 1e-12) e /= 10;
    if (5 * e < d) e *= 5;
    if (2 * e < d) e *= 2;
    if (!large) e /= 10;
    return e;
}

RealPoint ScaleBar::Centre(double left, double top, double right, double bottom) const {
    int p = position, c, b;
    if (p <= 2) {
        c = p - 1;
        b = 2;
    } else if (p <= 17) {
        c = (p - 3) % 5 - 2;
        b = 1 - (p - 3) / 5;
    } else {
        c = p - 19;
        b = -2;
    }
    return {(left + right) / 2 + (right - left) * c / 3, (bottom + top) / 2 + (top - bottom) * b / 3};
}

std::string ScaleBar::LabelText(double length, const std::string& units) const {
    char buffer[64];
    // Below one unit the whole-number form would read 0; the length is shown as it is.
    if (length >= 1 || length <= 0)
        std::snprintf(buffer, sizeof buffer, "%ld %s", static_cast<long>(length), units.c_str());
    else
        std::snprintf(buffer, sizeof buffer, "%g %s", length, units.c_str());
    std::string text = buffer;
    if (text.size() > 20) text.resize(20);
    return text;
}

void ScaleBar::Draw(double left, double top, double right, double bottom, const std::string& units,
                    platform::Surface& surface, const DisplayMapping& mapping, bool printing) const {
    if (hide) return;
    double extent = horizontal ? std::fabs(right - left) : std::fabs(top - bottom);
    double e = Length(extent);
    RealPoint centre = Centre(left, top, right, bottom);
    WindowPoint at = mapping.realToWindow(centre);
    int x = static_cast<int>(std::lround(at.x)), y = static_cast<int>(std::lround(at.y));
    int l = static_cast<int>(std::lround(horizontal ? mapping.realToWindowLengthX(e / 2)
                                                    : mapping.realToWindowLengthY(e / 2)));
    int width = bold ? thick : thin;
    if (printing) width *= printFactor;
    uint32_t colour = black ? 0x000000 : 0xFFFFFF;
    surface.setPen({colour, width, platform::PenStyle::Solid});
    int tick = l / 10;
    if (horizontal) {
        surface.line(x - l, y, x + l, y);
        surface.line(x - l, y - tick, x - l, y + tick);
        surface.line(x + l, y - tick, x + l, y + tick);
    } else {
        surface.line(x, y - l, x, y + l);
        surface.line(x - tick, y - l, x + tick, y - l);
        surface.line(x - tick, y + l, x + tick, y + l);
    }
    if (!label) return;
    std::string text = LabelText(e, units);
    platform::Size size = surface.textExtent(text);
    surface.setTextColour(colour);
    int tx, ty;
    if (horizontal) {
        tx = x - size.width / 2;
        ty = position / 5 > 1 ? y + 10 : y - 10 - size.height;
    } else {
        ty = y - size.height / 2;
        tx = position % 5 < 3 ? x - 10 - size.width : x + 10;
    }
    surface.text(tx, ty, text);
}

}  // namespace orvex::app
