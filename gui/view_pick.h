#pragma once
// Interactive picks on one image window: a pixel (one click), a rectangle
// (rubber band) or a line, each with its own event loop. The right button or
// Esc cancels.
#include <QEventLoop>
#include <QObject>
#include <QPointF>
#include <QWidget>
#include <optional>

#include "gui/pickable_view.h"
#include "platform/ui.h"

namespace orvex::gui {

class PickOverlay;

class ViewPick : public QObject {
    Q_OBJECT
public:
    enum class Mode { Pixel, Rectangle, Line };

    ViewPick(PickableView& view, Mode mode);
    ~ViewPick() override;

    /// Runs until the pick is done or cancelled; true when done.
    bool run();
    /// Ends a pending run as cancelled.
    void cancel();

    platform::PixelPoint from() const { return from_; }
    platform::PixelPoint to() const { return to_; }
    platform::PixelRect rect() const;

    /// The pick in progress, if any (one at a time).
    static ViewPick* active();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::PixelPoint pixelAt(QPoint widgetPoint, bool clampInside) const;
    void updateOverlay(QPoint current);

    PickableView& view_;
    Mode mode_;
    QEventLoop loop_;
    PickOverlay* overlay_ = nullptr;
    bool dragging_ = false;
    bool done_ = false;
    QPoint anchor_;
    platform::PixelPoint from_, to_;
};

}  // namespace orvex::gui
