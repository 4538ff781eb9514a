#include "gui/info_bar.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "app/progress.h"
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
        setMinimumSize(120, 8);
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
        // The core's own drawing of the strip, the one its tests check.
        QtSurface surface(painter, event->rect());
        app::ProgressDisplay::DrawStrip(surface, area, percent, text);
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
        // The bar keeps the height the user gave it, however small: the
        // panes and the strip share what there is.
        panes_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
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
