#include "imagestore/history.h"

#include <cstdio>

#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"

namespace orvex {

namespace {

std::string& GlobalHistory() {
    static std::string text;
    return text;
}

}  // namespace

std::string TimeText(const platform::LocalTime& t) {
    static const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* weekday = kWeekdays[((t.weekday % 7) + 7) % 7];
    const char* month = kMonths[((t.month - 1) % 12 + 12) % 12];
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s %s %02d %02d:%02d:%02d %04d\n", weekday, month,
                  t.day, t.hour, t.minute, t.second, t.year);
    return buffer;
}

std::string TimeText() { return TimeText(platform::clock().now()); }

void LogHistory(ImageHandle window, const std::string& text, bool withTime) {
    const std::string line = text + (withTime ? TimeText() : std::string("\n"));
    if (OrvexView* view = windowList().Find(window)) view->history += line;
    GlobalHistory() += line;
}

const std::string& GlobalHistoryText() { return GlobalHistory(); }

void ResetGlobalHistory() { GlobalHistory().clear(); }

}  // namespace orvex
