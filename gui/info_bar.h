#pragma once
// The "Histogram/Info" bar: a histogram of the active image over the left
// third, three text panes and the progress strip of long operations.
#include <QLabel>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "platform/surface.h"

namespace orvex::gui {

class InfoBar : public QWidget {
    Q_OBJECT
public:
    explicit InfoBar(QWidget* parent = nullptr);

    /// Text of pane 0, 1 or 2.
    void setPane(int pane, const QString& text);
    QString pane(int pane) const;
    /// The progress strip: percent < 0 hides the bar's progress.
    void setProgress(int percent, const QString& text);
    int progressPercent() const { return percent_; }
    QString progressText() const { return progressText_; }

    /// Paints the histogram into the area (null: an empty histogram).
    std::function<void(platform::Surface&, const platform::Rect&)> paintHistogram;
    /// The mouse moved over the histogram at x (within the area); -1 on leave.
    std::function<void(int x, const platform::Rect& area)> hoverHistogram;

    /// Asks for the histogram to be drawn again.
    void refreshHistogram();

    QWidget* histogramWidget() const { return histogram_; }
    QWidget* progressWidget() const { return progress_; }

private:
    QWidget* histogram_;
    std::array<QLabel*, 3> panes_{};
    QWidget* progress_;
    int percent_ = -1;
    QString progressText_;
};

}  // namespace orvex::gui
