#pragma once
// Interactive picks on one image window: a pixel (one click), a rectangle
// (rubber band) or a line, each with its own event loop. The right button or
// Esc cancels, and so does the window going away: the pick keeps the image
// number and a guarded pointer to the picture, never the view itself, since
// the window may close while the loop runs.
#include <QEventLoop>
#include <QObject>
#include <QPointF>
#include <QPointer>
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

    /// A pick on the view showing this image number (none: the run ends at once).
    ViewPick(int imageNumber, Mode mode);
    ~ViewPick() override;

    /// Runs until the pick is done or cancelled; true when done.
    bool run();
    /// Ends a pending run as cancelled.
    void cancel();
    /// The image number picked on.
    int imageNumber() const { return imageNumber_; }

    platform::PixelPoint from() const { return from_; }
    platform::PixelPoint to() const { return to_; }
    platform::PixelRect rect() const;

    /// The pick in progress, if any (one at a time).
    static ViewPick* active();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::PixelPoint pixelAt(const PickableView& view, QPoint widgetPoint, bool clampInside) const;
    void updateOverlay(QPoint current);
    /// The view picked on while it lives, else null.
    PickableView* view() const;

    int imageNumber_;
    QPointer<QWidget> picture_;
    Mode mode_;
    QEventLoop loop_;
    QPointer<PickOverlay> overlay_;  // a child of the picture: it goes with it
    bool dragging_ = false;
    bool done_ = false;
    QPoint anchor_;
    platform::PixelPoint from_, to_;
};

}  // namespace orvex::gui
