#pragma once
// How an image window shows its image: real coordinates of the position
// registration to window pixels, with the zoom factor, the scroll position and
// the horizontal and vertical mirror settings. Overlays (palette bar, scale bar,
// markers) draw through the same mapping, so they stay on the specimen at any
// zoom; printing uses a second mapping of the same kind for the printer.
#include "platform/surface.h"

namespace orvex::app {

struct RealPoint {
    double x = 0;
    double y = 0;
};

struct WindowPoint {
    double x = 0;
    double y = 0;
};

class DisplayMapping {
public:
    static constexpr double kMinZoom = 1.0 / 16;
    static constexpr double kMaxZoom = 32.0;

    /// Sets the image the mapping shows: its corners as pixel centres (the
    /// position registration's left, top, right, bottom) and its size in pixels.
    /// Keeps the zoom and mirror settings, puts the image's top-left at the
    /// window's top-left.
    void setFromCorners(double left, double top, double right, double bottom, int width, int height);

    /// The size of the window's client area; Extents fits the image into it.
    void setViewSize(int width, int height);
    platform::Size viewSize() const { return view_; }

    double zoom() const { return zoom_; }
    /// Zoom percentage as the status pane shows it (zoom × 100, rounded).
    int zoomPercent() const;
    /// Sets the zoom factor (clamped to kMinZoom..kMaxZoom), keeping the real
    /// point at the centre of the view where it is.
    void setZoom(double factor);
    /// Zooms so that the image rectangle (pixel columns/rows, inclusive) fills the view.
    void zoomToPixels(int left, int top, int right, int bottom);
    /// One step out: half the zoom.
    void zoomOut();
    /// Shows the whole image: fitted into the view when its size is known, else at 100 %.
    void extents();

    bool mirrorHorizontal = false;
    bool mirrorVertical = false;

    /// Moves the picture by whole window pixels (scroll bars).
    void scrollTo(int x, int y);
    int scrollX() const { return scrollX_; }
    int scrollY() const { return scrollY_; }

    WindowPoint realToWindow(RealPoint p) const;
    RealPoint windowToReal(WindowPoint p) const;
    /// Image pixel (column, row; fractions allowed, pixel centres at whole numbers).
    WindowPoint pixelToWindow(double column, double row) const;
    RealPoint windowToPixel(WindowPoint p) const;  // x = column, y = row
    /// A real length along x (or y) as window pixels, always positive.
    double realToWindowLengthX(double length) const;
    double realToWindowLengthY(double length) const;

    /// Where the whole image (outer pixel edges) lands in the window. With a
    /// mirror setting the width or height is negative and the origin lies at the
    /// opposite edge, as the bitmap stretch expects.
    platform::Rect imageTarget() const;

    /// Image corners as given, and the size in pixels.
    double left() const { return left_; }
    double top() const { return top_; }
    double right() const { return right_; }
    double bottom() const { return bottom_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    double unitsPerPixelX() const;
    double unitsPerPixelY() const;

    double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    int width_ = 1, height_ = 1;
    double zoom_ = 1.0;
    int scrollX_ = 0, scrollY_ = 0;
    platform::Size view_{0, 0};
};

}  // namespace orvex::app
