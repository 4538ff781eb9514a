#pragma once
// The drawing surface of the workstation: the core's overlays and pictures
// drawn through a QPainter.
#include <QImage>
#include <QPainter>
#include <vector>

#include "platform/surface.h"

namespace orvex::gui {

/// 0x00BBGGRR as a QColor.
QColor toQColor(uint32_t colour);
/// A QColor as 0x00BBGGRR.
uint32_t fromQColor(const QColor& colour);

/// Converts the part of a bottom-up palette strip that lands in `visible`
/// (target coordinates, already clipped) into a 32-bit picture of exactly
/// that size, nearest neighbour, mirrored when the target is. Exposed for the
/// benchmark and the tests; drawStrip uses it.
void renderStrip(const platform::BitmapStrip& strip, const platform::Rect& source,
                 const platform::Rect& target, const QRect& visible, QImage& out);

class QtSurface : public platform::Surface {
public:
    /// Draws on `painter`; `clip` is the part that needs drawing (the paint
    /// event's rectangle), the whole device when empty.
    explicit QtSurface(QPainter& painter, QRect clip = {});

    void setPen(const platform::Pen& pen) override;
    void setBrush(const platform::Brush& brush) override;
    void setTextColour(uint32_t colour) override;
    void setFont(const std::string& family, int pixelHeight) override;
    void setXorMode(bool on) override;
    void line(int x1, int y1, int x2, int y2) override;
    void rectangle(const platform::Rect& rect) override;
    void fillRect(const platform::Rect& rect, uint32_t colour) override;
    void text(int x, int y, const std::string& text) override;
    platform::Size textExtent(const std::string& text) override;
    void drawStrip(const platform::BitmapStrip& strip, const platform::Rect& source,
                   const platform::Rect& target) override;
    platform::Rect clipBox() override;

private:
    QPainter& painter_;
    QRect clip_;
    QColor textColour_{Qt::black};
};

}  // namespace orvex::gui
