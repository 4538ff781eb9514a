#include "gui/image_view.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <cmath>

#include "gui/qt_surface.h"
#include "gui/qt_ui.h"
#include "imagestore/image_display.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"

namespace orvex::gui {

QString windowTitleOf(const std::string& name) {
    const QString text = QString::fromStdString(name);
    const qsizetype cut = std::max({text.lastIndexOf('/'), text.lastIndexOf('\\'), text.lastIndexOf(':')});
    return text.mid(cut + 1);
}

ImageView::ImageView(ImageHandle window, QWidget* parent)
    : QAbstractScrollArea(parent), handle_(window), registration_(this) {
    setObjectName(QString("ImageView%1").arg(window.number));
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setObjectName(QString("Picture%1").arg(window.number));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void ImageView::placePicture() {
    // The picture sits a margin in from the window's corner, so the palette
    // bar left of it and the labels above it can be seen.
    const QRectF picture = pictureRect();
    if (std::abs(picture.left()) < 0.5 && std::abs(picture.top()) < 0.5) moveMapping(margin_, margin_);
}

OrvexView* ImageView::view() const { return LiveView(handle_); }

QRectF ImageView::pictureRect() const {
    OrvexView* v = view();
    if (!v || !v->image) return {};
    RealPoint leftTop, rightBottom;
    v->image->GetCorners(true, leftTop, rightBottom);
    const auto& m = v->mapping;
    return QRectF(QPointF(m.ToWindowX(leftTop.x), m.ToWindowY(leftTop.y)),
                  QPointF(m.ToWindowX(rightBottom.x), m.ToWindowY(rightBottom.y)))
        .normalized();
}

QSize ImageView::imageSize() const {
    OrvexView* v = view();
    if (!v || !v->image) return {};
    return {v->image->Width(), v->image->Height()};
}

std::optional<QPointF> ImageView::imagePosition(QPoint p) const {
    OrvexView* v = view();
    if (!v || !v->image || v->image->Width() <= 0) return std::nullopt;
    const QRectF picture = pictureRect();
    if (picture.isEmpty()) return std::nullopt;
    double x = p.x() + 0.5, y = p.y() + 0.5;  // the centre of the screen pixel
    if (!picture.contains(x, y)) return std::nullopt;
    const RealPoint at = v->mapping.WindowToPixel(*v->image, x, y);
    // RealToPixel puts pixel centres on whole numbers; here pixel c covers c..c+1.
    const double column = std::clamp(at.x + 0.5, 0.0, v->image->Width() - 1e-6);
    const double row = std::clamp(at.y + 0.5, 0.0, v->image->Height() - 1e-6);
    return QPointF(column, row);
}

QPointF ImageView::widgetPosition(QPointF imagePoint) const {
    OrvexView* v = view();
    if (!v || !v->image) return {};
    const RealPoint at = v->mapping.PixelToWindow(*v->image, imagePoint.x() - 0.5, imagePoint.y() - 0.5);
    return {at.x, at.y};
}

void ImageView::moveMapping(double dx, double dy) {
    // Moves the picture by window pixels: the real position at the window's
    // corner shifts the other way.
    if (OrvexView* v = view()) v->mapping.Scroll(dx, dy);
}

void ImageView::syncScrollBars() {
    if (syncing_) return;
    syncing_ = true;
    const QRectF picture = pictureRect();
    const QSize port = viewport()->size();
    // The scrolled area: the picture with its margin; the position is where
    // the window's corner lies in it.
    const double contentW = picture.width() + 2 * margin_;
    const double contentH = picture.height() + 2 * margin_;
    const int posX = static_cast<int>(std::lround(margin_ - picture.left()));
    const int posY = static_cast<int>(std::lround(margin_ - picture.top()));
    auto set = [](QScrollBar* bar, double content, int page, int pos) {
        const int maximum = std::max(0, static_cast<int>(std::ceil(content)) - page);
        bar->setRange(std::min(0, pos), std::max(maximum, pos));
        bar->setPageStep(std::max(1, page));
        bar->setValue(pos);
    };
    set(horizontalScrollBar(), contentW, port.width(), posX);
    set(verticalScrollBar(), contentH, port.height(), posY);
    syncing_ = false;
}

void ImageView::scrollContentsBy(int dx, int dy) {
    if (syncing_) return;
    moveMapping(dx, dy);
    viewport()->update();
}

void ImageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (!placed_) {
        placed_ = true;
        placePicture();
    }
    syncScrollBars();
}

QSize ImageView::sizeHint() const {
    const QRectF picture = pictureRect();
    const int w = static_cast<int>(std::ceil(picture.width())) + 2 * margin_;
    const int h = static_cast<int>(std::ceil(picture.height())) + 2 * margin_;
    return QSize(std::clamp(w, 160, 900), std::clamp(h, 120, 700));
}

void ImageView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect clip = event->rect();
    // Everything beside the picture in the window's background colour.
    QRegion beside(clip);
    beside -= pictureRect().toAlignedRect();
    for (const QRect& r : beside) painter.fillRect(r, QColor(64, 68, 72));
    QtSurface surface(painter, clip);
    QtUi::PaintScope scope;
    PaintImageWindow(handle_, surface);
}

void ImageView::repaintNow() { viewport()->repaint(); }

void ImageView::updateRow(int row) {
    OrvexView* v = view();
    if (!v || !v->image || v->image->Height() <= 0) return;
    const QRectF picture = pictureRect();
    const double rowHeight = picture.height() / v->image->Height();
    int shown = row;
    if (v->mapping.mirrorVertical) shown = v->image->Height() - 1 - row;
    const QRectF band(picture.left(), picture.top() + shown * rowHeight, picture.width(),
                      std::max(1.0, rowHeight));
    viewport()->update(band.toAlignedRect().adjusted(0, -1, 0, 1));
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseMoveEvent(event);
}

void ImageView::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (onHover) onHover(*this, std::nullopt);
}

bool ImageView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseMove && onHover) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const auto at = imagePosition(mouse->position().toPoint());
        if (at)
            onHover(*this, QPoint(static_cast<int>(at->x()), static_cast<int>(at->y())));
        else
            onHover(*this, std::nullopt);
    } else if (event->type() == QEvent::Leave && onHover) {
        onHover(*this, std::nullopt);
    }
    return QAbstractScrollArea::viewportEvent(event);
}

ImageFrame::ImageFrame(ImageView* view) : view_(view) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString("ImageFrame%1").arg(view->imageNumber()));
    if (OrvexView* v = view->view()) setWindowTitle(windowTitleOf(v->name));
    setWindowIcon(QIcon(":/orvex/orvex.svg"));
}

void ImageFrame::dismiss() {
    dismissed_ = true;
    close();
}

void ImageFrame::closeEvent(QCloseEvent* event) {
    if (dismissed_ || !view_->view()) {
        event->accept();
        return;
    }
    const bool closes = closeRequest ? closeRequest(view_->handle())
                                     : CloseImageWindow(view_->handle()) == ImageDone;
    if (closes && !view_->view()) {
        event->accept();
        return;
    }
    event->ignore();
}

}  // namespace orvex::gui
