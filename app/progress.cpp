#include "app/progress.h"

#include <algorithm>
#include <cstdio>

#include "platform/clock.h"
#include "platform/ui.h"

namespace orvex::app {

ProgressDisplay& progressDisplay() {
    static ProgressDisplay instance;
    return instance;
}

void ReportProgress(int percent) { progressDisplay().Report(percent); }

int ProgressDisplay::RemainingSeconds(int p, uint32_t elapsedMs) {
    if (p <= 0) return 0;
    long long total = static_cast<long long>(elapsedMs / static_cast<double>(p) * 100 * 0.001);
    long long remaining = static_cast<long long>(total * (100 - p) * 0.01);
    if (remaining < 0) remaining = 0;
    if (remaining > 600)
        remaining -= remaining % 60;
    else if (remaining > 120)
        remaining -= remaining % 30;
    else if (remaining > 60)
        remaining -= remaining % 10;
    return static_cast<int>(std::min<long long>(remaining, 1000000000LL));
}

std::string ProgressDisplay::Text(int percent, int remaining) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d%% (Est. %02d:%02d)", percent, remaining / 60,
                  remaining % 60);
    return buffer;
}

void ProgressDisplay::Report(int p) {
    uint32_t now = platform::clock().ticks();
    if (p < last_) {
        platform::ui().setStatusText(2, "");
        start_ = now;
    }
    uint32_t elapsed = now - start_;  // the tick count wraps; the difference does not care
    text_ = Text(p, RemainingSeconds(p, elapsed));
    platform::ui().setProgress(p, text_);
    last_ = p;
    if (p >= 100) platform::ui().setStatusText(2, "");
}

void ProgressDisplay::DrawStrip(platform::Surface& surface, const platform::Rect& area, int percent,
                                const std::string& text) {
    const int margin = 3;
    platform::Rect inner{area.left + margin, area.top + margin, area.right - margin,
                         area.bottom - margin};
    if (inner.width() <= 0 || inner.height() <= 0) return;
    int p = std::clamp(percent, 0, 100);
    int split = inner.left + inner.width() * p / 100;
    const uint32_t grey = 0xC0C0C0;
    if (split > inner.left) surface.fillRect({inner.left, inner.top, split, inner.bottom}, 0x000000);
    if (split < inner.right) surface.fillRect({split, inner.top, inner.right, inner.bottom}, grey);
    platform::Size size = surface.textExtent(text);
    surface.setTextColour(0xFFFFFF);
    surface.text(inner.left + (inner.width() - size.width) / 2,
                 inner.top + (inner.height() - size.height) / 2, text);
}

}  // namespace orvex::app
