#pragma once
// An image window: shows one OrvexView of the core through its display
// mapping, with scroll bars that move the mapping, and forwards the mouse
// (status read-out, picks). The core owns the OrvexView; this widget holds
// only its image number and looks it up on every use.
#include <QAbstractScrollArea>
#include <QMdiSubWindow>
#include <functional>

#include "gui/pickable_view.h"
#include "imagestore/image_handle.h"

namespace orvex {
class OrvexView;
}

namespace orvex::gui {

/// The title of an image window: its name without the folder part.
QString windowTitleOf(const std::string& name);

class ImageView : public QAbstractScrollArea, public PickableView {
    Q_OBJECT
public:
    explicit ImageView(ImageHandle window, QWidget* parent = nullptr);

    ImageHandle handle() const { return handle_; }
    /// The core's window, or null when it has closed.
    OrvexView* view() const;

    int imageNumber() const override { return handle_.number; }
    QWidget* pictureWidget() override { return viewport(); }
    std::optional<QPointF> imagePosition(QPoint widgetPoint) const override;
    QPointF widgetPosition(QPointF imagePoint) const override;
    QSize imageSize() const override;

    /// Where the picture's outer edges lie in the viewport (normalised).
    QRectF pictureRect() const;
    /// Brings the scroll bars in line with the display mapping.
    void syncScrollBars();
    /// Repaints the band of one image row (a line was written).
    void updateRow(int row);
    /// Draws the picture with its overlays now.
    void repaintNow();
    /// Puts a picture shown from the window's corner a margin in (the
    /// display mapping was reset to the extents).
    void placePicture();

    /// The size the window asks for: the picture at its zoom, within limits.
    QSize sizeHint() const override;

    /// Called with (column, row) under the mouse, or nothing when it left the picture.
    std::function<void(ImageView&, std::optional<QPoint>)> onHover;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void moveMapping(double dx, double dy);

    ImageHandle handle_;
    bool syncing_ = false;
    bool placed_ = false;
    int margin_ = 24;  // room beside the picture for the palette bar and labels
    PickableRegistration registration_;
};

/// The MDI child frame of an image window; closing it asks the core.
class ImageFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit ImageFrame(ImageView* view);
    ImageView* imageView() const { return view_; }
    /// Asked when the user closes the frame: true lets it close (the core
    /// has closed its window). Set by the main window.
    std::function<bool(ImageHandle)> closeRequest;
    /// Closes the frame without asking (the core's window is gone).
    void dismiss();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ImageView* view_;
    bool dismissed_ = false;
};

}  // namespace orvex::gui
