#pragma once
// How an image window maps real positions to window pixels, and the rules by
// which it zooms and scrolls. The image drawing, the window's pixel and real
// conversions, the overlays and the zoom commands all go through it.
//
// Real positions map to the window unmirrored; the mirror settings mirror the
// picture within its own rectangle, so a pixel's real position (through
// PixelToReal) is the place in the window where that pixel is drawn.
#include "imagestore/image.h"

namespace orvex {

struct DisplayMapping {
    static constexpr double kMinZoom = 1.0 / 16;
    static constexpr double kMaxZoom = 32.0;
    /// "&Out" divides the zoom by this step.
    static constexpr double kZoomStep = 2.0;

    double originX = 0;          // real x at the window's left edge
    double originY = 0;          // real y at the window's top edge
    double pixelsPerUnitX = 1;   // window pixels per real unit (signed like the registration)
    double pixelsPerUnitY = 1;
    double zoom = 1;             // window pixels per image pixel
    bool mirrorHorizontal = false;
    bool mirrorVertical = false;

    /// Shows the whole image at the given zoom: the top-left pixel edge at
    /// the window's top-left corner.
    void ShowExtents(const Image& image, double zoomFactor = 1.0);
    /// Window position of a real position.
    double ToWindowX(double x) const { return (x - originX) * pixelsPerUnitX; }
    double ToWindowY(double y) const { return (originY - y) * pixelsPerUnitY; }
    /// Real position of a window position.
    double ToRealX(double windowX) const;
    double ToRealY(double windowY) const;
    /// A real length as window pixels (always positive).
    double LengthToWindowX(double length) const;
    double LengthToWindowY(double length) const;

    /// Real position of an image pixel (centres on whole numbers) as the
    /// display shows it: with a mirror setting the pixel counts from the
    /// other edge.
    RealPoint PixelToReal(const Image& image, double column, double row) const;
    /// Window position of an image pixel, mirrored like the drawn picture.
    RealPoint PixelToWindow(const Image& image, double column, double row) const;
    /// The image pixel (fractional, centres on whole numbers) drawn at a window position.
    RealPoint WindowToPixel(const Image& image, double windowX, double windowY) const;

    /// The zoom factor limited to kMinZoom..kMaxZoom; 1 for a factor that is no number.
    static double ClampZoom(double factor);
    /// The largest zoom at which the whole image fits a view (clamped).
    static double FitZoom(const Image& image, double viewWidth, double viewHeight);
    /// Zooms to the factor (clamped), keeping the real position under the
    /// window position (windowX, windowY) where it is.
    void ZoomAbout(const Image& image, double factor, double windowX, double windowY);
    /// Zooms so the pixel rectangle (inclusive columns and rows, either
    /// order, clamped to the image) fills a view, its top-left corner at the
    /// window's top-left.
    void ZoomToPixels(const Image& image, int left, int top, int right, int bottom, double viewWidth,
                      double viewHeight);
    /// Moves the picture by window pixels (right and down for positive values).
    void Scroll(double dx, double dy);
    /// The zoom as the status pane shows it: zoom x 100, rounded.
    int ZoomPercent() const;
};

/// The display's mirror settings: one pair for every window, taken by each
/// window's mapping when the window is made and whenever they change.
struct DisplayMirror {
    bool horizontal = false;  // left to right
    bool vertical = false;    // top to bottom
};
DisplayMirror& displayMirror();

}  // namespace orvex
