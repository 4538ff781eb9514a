#include "gui/info_bar.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "gui/qt_surface.h"

namespace orvex::gui {

namespace {

class HistogramWidget : public QWidget {
public:
    explicit HistogramWidget(InfoBar& bar) : QWidget(&bar), bar_(bar) {
        setObjectName("Histogram");
        setMouseTracking(true);
        setMinimumSize(64, 24);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        // A dark blue ground: grey and coloured bins both stand out on it.
        painter.fillRect(rect(), QColor(28, 32, 64));
        if (bar_.paintHistogram) {
            QtSurface surface(painter, event->rect());
            bar_.paintHistogram(surface, area());
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (bar_.hoverHistogram) bar_.hoverHistogram(int(event->position().x()), area());
    }
    void leaveEvent(QEvent*) override {
        if (bar_.hoverHistogram) bar_.hoverHistogram(-1, area());
    }

private:
    platform::Rect area() const { return {0, 0, width(), height()}; }
    InfoBar& bar_;
};

class ProgressWidget : public QWidget {
public:
    explicit ProgressWidget(InfoBar& bar) : QWidget(&bar), bar_(bar) {
        setObjectName("Progress");
        setMinimumSize(120, 18);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        const int percent = bar_.progressPercent();
        if (percent < 0) return;
        const platform::Rect area{0, 0, width(), height()};
        const std::string text = bar_.progressText().toStdString();
        QtSurface surface(painter, event->rect());
        if (bar_.paintProgress) {
            bar_.paintProgress(surface, area, percent, text);
            return;
        }
        // Black over the part done, grey over the rest, inside a 3-pixel margin.
        const QRect inner = rect().adjusted(3, 3, -3, -3);
        const int done = inner.width() * std::min(percent, 100) / 100;
        painter.fillRect(QRect(inner.left(), inner.top(), done, inner.height()), Qt::black);
        painter.fillRect(QRect(inner.left() + done, inner.top(), inner.width() - done, inner.height()),
                         QColor(128, 128, 128));
        painter.setPen(Qt::white);
        painter.drawText(inner, Qt::AlignCenter, bar_.progressText());
    }

private:
    InfoBar& bar_;
};

}  // namespace

InfoBar::InfoBar(QWidget* parent) : QWidget(parent) {
    setObjectName("InfoBar");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    histogram_ = new HistogramWidget(*this);
    layout->addWidget(histogram_, 1);
    auto* right = new QVBoxLayout;
    right->setSpacing(1);
    auto* paneRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        panes_[i] = new QLabel(this);
        panes_[i]->setObjectName(QString("Pane%1").arg(i));
        panes_[i]->setFrameShape(QFrame::StyledPanel);
        panes_[i]->setFrameShadow(QFrame::Sunken);
        panes_[i]->setTextFormat(Qt::PlainText);
        panes_[i]->setMinimumWidth(80);
        panes_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        paneRow->addWidget(panes_[i], 1);
    }
    right->addLayout(paneRow);
    progress_ = new ProgressWidget(*this);
    right->addWidget(progress_);
    layout->addLayout(right, 2);  // the histogram takes the left third
}

void InfoBar::setPane(int pane, const QString& text) {
    if (pane < 0 || pane > 2) return;
    panes_[pane]->setText(text);
    panes_[pane]->setToolTip(text);
}

QString InfoBar::pane(int pane) const {
    return pane >= 0 && pane <= 2 ? panes_[pane]->text() : QString();
}

void InfoBar::setProgress(int percent, const QString& text) {
    percent_ = percent;
    progressText_ = text;
    // Long operations report from inside their loop: draw now, not later.
    if (progress_->isVisible())
        progress_->repaint();
}

void InfoBar::refreshHistogram() { histogram_->update(); }

}  // namespace orvex::gui
