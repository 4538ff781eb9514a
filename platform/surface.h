#pragma once
// What overlays and pictures are drawn with. The workstation draws through
// QPainter; tests record the calls.
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::platform {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct Size {
    int width = 0;
    int height = 0;
};

enum class PenStyle { Solid, Dash, Dot, None };

struct Pen {
    uint32_t colour = 0;  // 0x00BBGGRR
    int width = 1;
    PenStyle style = PenStyle::Solid;
};

struct Brush {
    uint32_t colour = 0;
    bool hollow = false;
};

/// A bottom-up device-independent bitmap strip: `rows` rows of `rowBytes`
/// bytes, the last row of the strip first; 1-, 4- or 8-bit palette indices
/// into `palette` (entries blue, green, red, 0).
struct BitmapStrip {
    const uint8_t* bits = nullptr;
    int width = 0;
    int rows = 0;
    int rowBytes = 0;
    int bitCount = 8;
    const uint8_t* palette = nullptr;  // 256 entries of 4 bytes
};

class Surface {
public:
    virtual ~Surface() = default;
    virtual void setPen(const Pen& pen) = 0;
    virtual void setBrush(const Brush& brush) = 0;
    virtual void setTextColour(uint32_t colour) = 0;
    virtual void setFont(const std::string& family, int pixelHeight) = 0;
    /// Exclusive-or drawing: drawing the same thing twice restores the picture.
    virtual void setXorMode(bool on) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    virtual void rectangle(const Rect& rect) = 0;  // outlined with the pen, filled with the brush
    virtual void fillRect(const Rect& rect, uint32_t colour) = 0;
    virtual void text(int x, int y, const std::string& text) = 0;
    virtual Size textExtent(const std::string& text) = 0;
    /// Stretches the strip's source rectangle (rows counted from the strip's
    /// top) into the target; a negative target width or height mirrors it.
    virtual void drawStrip(const BitmapStrip& strip, const Rect& source, const Rect& target) = 0;
    /// The part of the surface that needs drawing.
    virtual Rect clipBox() = 0;
};

/// Records every call as a line of text, for tests.
class RecordingSurface : public Surface {
public:
    void setPen(const Pen& pen) override;
    void setBrush(const Brush& brush) override;
    void setTextColour(uint32_t colour) override;
    void setFont(const std::string& family, int pixelHeight) override;
    void setXorMode(bool on) override;
    void line(int x1, int y1, int x2, int y2) override;
    void rectangle(const Rect& rect) override;
    void fillRect(const Rect& rect, uint32_t colour) override;
    void text(int x, int y, const std::string& text) override;
    Size textExtent(const std::string& text) override;
    void drawStrip(const BitmapStrip& strip, const Rect& source, const Rect& target) override;
    Rect clipBox() override { return clip; }

    std::vector<std::string> calls;
    Rect clip{0, 0, 1 << 20, 1 << 20};
    int charWidth = 8;  // the fixed text metrics of the recording
    int charHeight = 16;
};

}  // namespace orvex::platform
