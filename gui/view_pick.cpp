#include "gui/view_pick.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orvex::gui {

// A transparent layer over the picture that shows the band or the line.
class PickOverlay : public QWidget {
public:
    explicit PickOverlay(QWidget* picture) : QWidget(picture) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(picture->rect());
        show();
    }
    void setShape(bool line, QPoint a, QPoint b) {
        line_ = line;
        a_ = a;
        b_ = b;
        shown_ = true;
        setGeometry(parentWidget()->rect());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!shown_) return;
        QPainter p(this);
        // Drawn twice, light over dark, so the band shows on any palette.
        for (int pass = 0; pass < 2; ++pass) {
            QPen pen(pass ? Qt::white : Qt::black, 1, pass ? Qt::DashLine : Qt::SolidLine);
            p.setPen(pen);
            if (line_)
                p.drawLine(a_, b_);
            else
                p.drawRect(QRect(a_, b_).normalized());
        }
    }

private:
    bool line_ = false;
    bool shown_ = false;
    QPoint a_, b_;
};

static ViewPick* activePick = nullptr;

ViewPick* ViewPick::active() { return activePick; }

ViewPick::ViewPick(int imageNumber, Mode mode) : imageNumber_(imageNumber), mode_(mode) {
    if (PickableView* v = findPickableView(imageNumber)) picture_ = v->pictureWidget();
}

ViewPick::~ViewPick() {
    if (activePick == this) activePick = nullptr;
    delete overlay_.data();
}

PickableView* ViewPick::view() const {
    if (!picture_) return nullptr;
    PickableView* v = findPickableView(imageNumber_);
    return v && v->pictureWidget() == picture_.data() ? v : nullptr;
}

bool ViewPick::run() {
    if (!view() || activePick) return false;
    QWidget* picture = picture_.data();
    if (mode_ != Mode::Pixel) overlay_ = new PickOverlay(picture);
    picture->setCursor(Qt::CrossCursor);
    // The window closing under the pick ends it as cancelled.
    const QMetaObject::Connection gone = connect(picture, &QObject::destroyed, this, [this] { cancel(); });
    qApp->installEventFilter(this);
    activePick = this;
    done_ = false;
    loop_.exec();
    activePick = nullptr;
    qApp->removeEventFilter(this);
    disconnect(gone);
    if (picture_) picture_->unsetCursor();
    delete overlay_.data();
    // A pick whose window went away never counts as done.
    return done_ && view();
}

void ViewPick::cancel() {
    done_ = false;
    loop_.quit();
}

platform::PixelRect ViewPick::rect() const {
    return {std::min(from_.column, to_.column), std::min(from_.row, to_.row),
            std::max(from_.column, to_.column), std::max(from_.row, to_.row)};
}

platform::PixelPoint ViewPick::pixelAt(const PickableView& view, QPoint widgetPoint, bool clampInside) const {
    const QSize size = view.imageSize();
    auto at = view.imagePosition(widgetPoint);
    QPointF p;
    if (at) {
        p = *at;
    } else {
        // Outside the picture: the drag keeps to its edge.
        p = QPointF(0, 0);
        const QPointF tl = view.widgetPosition({0, 0});
        const QPointF br = view.widgetPosition({double(size.width()), double(size.height())});
        const double fx = (widgetPoint.x() - tl.x()) / std::max(1e-9, br.x() - tl.x());
        const double fy = (widgetPoint.y() - tl.y()) / std::max(1e-9, br.y() - tl.y());
        p = QPointF(fx * size.width(), fy * size.height());
    }
    int c = static_cast<int>(std::floor(p.x()));
    int r = static_cast<int>(std::floor(p.y()));
    if (clampInside) {
        c = std::clamp(c, 0, std::max(0, size.width() - 1));
        r = std::clamp(r, 0, std::max(0, size.height() - 1));
    }
    return {c, r};
}

void ViewPick::updateOverlay(QPoint current) {
    if (overlay_) overlay_->setShape(mode_ == Mode::Line, anchor_, current);
}

bool ViewPick::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancel();
        return true;
    }
    if (!watched->isWidgetType()) return false;
    PickableView* view = this->view();
    if (!view) {
        cancel();
        return false;
    }
    QWidget* picture = picture_.data();
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != picture && !picture->isAncestorOf(widget)) return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint local = picture->mapFromGlobal(mouse->globalPosition().toPoint());
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() == Qt::RightButton) {
            cancel();
            return true;
        }
        if (mouse->button() != Qt::LeftButton) return true;
        if (!view->imagePosition(local)) return true;  // must start on the picture
        from_ = to_ = pixelAt(*view, local, true);
        if (mode_ == Mode::Pixel) {
            done_ = true;
            loop_.quit();
            return true;
        }
        anchor_ = local;
        dragging_ = true;
        updateOverlay(local);
        return true;
    }
    if (!dragging_) return type != QEvent::MouseMove;
    to_ = pixelAt(*view, local, true);
    updateOverlay(local);
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        dragging_ = false;
        done_ = true;
        loop_.quit();
    }
    return true;
}

}  // namespace orvex::gui
