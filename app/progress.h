#pragma once
// The progress display of long operations: the percentage done and an
// estimate of the time left, in the information bar's progress strip.
#include <cstdint>
#include <string>

#include "platform/surface.h"

namespace orvex::app {

class ProgressDisplay {
public:
    /// Reports a percentage: restarts the clock when it went down, shows the
    /// strip's text through the Ui, clears pane 2 on restart and at 100.
    void Report(int percent);

    /// Seconds left for p percent done after `elapsedMs` milliseconds, rounded
    /// down to whole minutes above 600 s, 30 s above 120 s, 10 s above 60 s.
    static int RemainingSeconds(int percent, uint32_t elapsedMs);
    /// "%d%% (Est. %02d:%02d)"
    static std::string Text(int percent, int remainingSeconds);
    /// The strip: black over p % of the width inside a 3-pixel margin, grey over
    /// the rest, the text centred in white.
    static void DrawStrip(platform::Surface& surface, const platform::Rect& area, int percent,
                          const std::string& text);

    int lastPercent() const { return last_; }
    const std::string& text() const { return text_; }
    void reset() { *this = ProgressDisplay(); }

private:
    int last_ = 100;
    uint32_t start_ = 0;
    std::string text_;
};

/// The main window's progress display.
ProgressDisplay& progressDisplay();

/// What operations call: the main window's progress display.
void ReportProgress(int percent);

}  // namespace orvex::app
