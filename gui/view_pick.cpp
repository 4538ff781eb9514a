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

ViewPick::ViewPick(PickableView& view, Mode mode) : view_(view), mode_(mode) {}

ViewPick::~ViewPick() {
    if (activePick == this) activePick = nullptr;
    delete overlay_;
}

bool ViewPick::run() {
    QWidget* picture = view_.pictureWidget();
    if (mode_ != Mode::Pixel) overlay_ = new PickOverlay(picture);
    picture->setCursor(Qt::CrossCursor);
    qApp->installEventFilter(this);
    activePick = this;
    loop_.exec();
    activePick = nullptr;
    qApp->removeEventFilter(this);
    picture->unsetCursor();
    delete overlay_;
    overlay_ = nullptr;
    return done_;
}

void ViewPick::cancel() {
    done_ = false;
    loop_.quit();
}

platform::PixelRect ViewPick::rect() const {
    return {std::min(from_.column, to_.column), std::min(from_.row, to_.row),
            std::max(from_.column, to_.column), std::max(from_.row, to_.row)};
}

platform::PixelPoint ViewPick::pixelAt(QPoint widgetPoint, bool clampInside) const {
    const QSize size = view_.imageSize();
    auto at = view_.imagePosition(widgetPoint);
    QPointF p;
    if (at) {
        p = *at;
    } else {
        // Outside the picture: the drag keeps to its edge.
        p = QPointF(0, 0);
        const QPointF tl = view_.widgetPosition({0, 0});
        const QPointF br = view_.widgetPosition({double(size.width()), double(size.height())});
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
    QWidget* picture = view_.pictureWidget();
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
        if (!view_.imagePosition(local)) return true;  // must start on the picture
        from_ = to_ = pixelAt(local, true);
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
    to_ = pixelAt(local, true);
    updateOverlay(local);
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        dragging_ = false;
        done_ = true;
        loop_.quit();
    }
    return true;
}

}  // namespace orvex::gui
