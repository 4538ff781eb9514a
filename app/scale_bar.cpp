#include "app/scale_bar.h"

#include <cmath>
#include <cstdio>

#include "acquisition/calmag.h"
#include "app/palette_bar.h"
#include "config/profile_file.h"
#include "config/settings_order.h"
#include "config/software_settings.h"
#include "imagestore/image_interface.h"

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

orvex::RealPoint ScaleBar::Centre(double left, double top, double right, double bottom) const {
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
                    platform::Surface& surface, const DisplayMapping* mapping, bool printing) const {
    if (hide || !mapping) return;
    double extent = horizontal ? std::fabs(right - left) : std::fabs(top - bottom);
    double e = Length(extent);
    orvex::RealPoint centre = Centre(left, top, right, bottom);
    int x = static_cast<int>(std::lround(mapping->ToWindowX(centre.x)));
    int y = static_cast<int>(std::lround(mapping->ToWindowY(centre.y)));
    int l = static_cast<int>(std::lround(horizontal ? mapping->LengthToWindowX(e / 2) : mapping->LengthToWindowY(e / 2)));
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

void DrawScaleBar(ImageHandle window, platform::Surface& surface, const DisplayMapping* printMapping) {
    const ScaleBar& bar = scaleBar();
    if (bar.hide) return;
    const Image* image = LiveImage(window);
    if (!image || !image->IsPositionRegistered()) return;
    orvex::RealPoint lowerLeft, upperRight;
    image->GetLowerLeftUpperRight(lowerLeft, upperRight);
    bar.Draw(lowerLeft.x, upperRight.y, upperRight.x, lowerLeft.y, calmag().units, surface,
             OverlayMapping(window, printMapping), printMapping != nullptr);
}

void ScaleBar::ReadBarSettings(const std::string& ini) {
    hide = config::ReadProfileBool(ini, "scalebar", "hide", "false");
    large = config::ReadProfileBool(ini, "scalebar", "large", "false");
    label = config::ReadProfileBool(ini, "scalebar", "label", "true");
    horizontal = config::ReadProfileBool(ini, "scalebar", "horizontal", "true");
    black = config::ReadProfileBool(ini, "scalebar", "black", "false");
    position = config::ReadProfileInt(ini, "scalebar", "position", 15);
    thick = config::ReadProfileInt(ini, "scalebar", "thick", 3);
    thin = config::ReadProfileInt(ini, "scalebar", "thin", 0);
    printFactor = config::ReadProfileInt(ini, "scalebar", "print factor", 4);
}

void ScaleBar::WriteBarSettings(const std::string& ini) const {
    config::WriteProfileBool(ini, "scalebar", "hide", hide);
    config::WriteProfileBool(ini, "scalebar", "large", large);
    config::WriteProfileBool(ini, "scalebar", "label", label);
    config::WriteProfileBool(ini, "scalebar", "horizontal", horizontal);
    config::WriteProfileBool(ini, "scalebar", "black", black);
    config::WriteProfileInt(ini, "scalebar", "position", position);
    config::WriteProfileInt(ini, "scalebar", "thick", thick);
    config::WriteProfileInt(ini, "scalebar", "thin", thin);
    config::WriteProfileInt(ini, "scalebar", "print factor", printFactor);
}

void PALFILE::ReadBarSettings(const std::string& ini) {
    label = config::ReadProfileBool(ini, "palettebar", "label", "false");
    hide = config::ReadProfileBool(ini, "palettebar", "hide", "false");
    black = config::ReadProfileBool(ini, "palettebar", "black", "false");
    units = config::ReadProfileString(ini, "palettebar", "units", "counts");
    position = config::ReadProfileInt(ini, "palettebar", "position", kDefaultPosition);
    CheckPosition();
    defaultPalettePath = config::LocalPath(config::ReadProfileString(ini, "software", "default palette", ""));
}

void PALFILE::WriteBarSettings(const std::string& ini) const {
    config::WriteProfileBool(ini, "palettebar", "label", label);
    config::WriteProfileBool(ini, "palettebar", "hide", hide);
    config::WriteProfileBool(ini, "palettebar", "black", black);
    config::WriteProfileString(ini, "palettebar", "units", units);
    config::WriteProfileInt(ini, "palettebar", "position", position);
    config::WriteProfileString(ini, "software", "default palette", defaultPalettePath);
}

void installBarSettings() {
    config::SetSettingsHandlers(
        config::SettingsSlot::Bars,
        [](const std::string& ini) {
            scaleBar().ReadBarSettings(ini);
            palfile().ReadBarSettings(ini);
            palfile().LoadDefaultPalette();
        },
        [](const std::string& path) {
            scaleBar().WriteBarSettings(path);
            palfile().WriteBarSettings(path);
        });
}

}  // namespace orvex::app
