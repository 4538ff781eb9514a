#pragma once
// What the pickers need of an image window: its number, the pixel under a
// point, and a way to find the window under the mouse. Image windows register
// themselves here while they live.
#include <QPointF>
#include <QWidget>
#include <optional>
#include <vector>

namespace orvex::gui {

class PickableView {
public:
    virtual ~PickableView() = default;
    /// The image number of the window this view shows.
    virtual int imageNumber() const = 0;
    /// The widget that shows the picture and takes the mouse.
    virtual QWidget* pictureWidget() = 0;
    /// The image position under a point of the picture widget, in pixels
    /// (pixel c covers c to c + 1); nothing outside the picture.
    virtual std::optional<QPointF> imagePosition(QPoint widgetPoint) const = 0;
    /// The widget position of an image position (the inverse of the above).
    virtual QPointF widgetPosition(QPointF imagePoint) const = 0;
    /// Width and height of the image in pixels.
    virtual QSize imageSize() const = 0;
};

/// Every live pickable view, in creation order.
std::vector<PickableView*>& pickableViews();
/// The view showing this image number, or null.
PickableView* findPickableView(int imageNumber);
/// The view whose picture widget is `widget` or contains it, or null.
PickableView* pickableViewOf(QWidget* widget);

/// Registers a view for its lifetime.
class PickableRegistration {
public:
    explicit PickableRegistration(PickableView* view);
    ~PickableRegistration();
    PickableRegistration(const PickableRegistration&) = delete;
    PickableRegistration& operator=(const PickableRegistration&) = delete;

private:
    PickableView* view_;
};

}  // namespace orvex::gui
