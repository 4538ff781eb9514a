#include "app/history_viewer.h"

#include <algorithm>

#include "platform/ui.h"

namespace orvex::app {

using platform::ControlKind;

HistoryViewer::HistoryViewer(const std::string& title, const std::string& history)
    : DialogModel(title) {
    size_t start = 0;
    while (start < history.size()) {
        size_t end = history.find('\n', start);
        if (end == std::string::npos) end = history.size();
        lines_.push_back(history.substr(start, end - start));
        start = end + 1;
    }
    // Only so many lines are indexed; a longer history shows its latest lines.
    if (lines_.size() > static_cast<size_t>(kMaxLines))
        lines_.erase(lines_.begin(), lines_.end() - kMaxLines);

    add({.label = "History", .kind = ControlKind::ReadOut, .captioned = false});
    add({.label = "Lines:", .kind = ControlKind::ReadOut});
    add({.label = "Page", .kind = ControlKind::Spin, .min = 1, .max = std::max(1, lineCount()), .captioned = false});
    add({.label = "Previous", .kind = ControlKind::Button});
    add({.label = "Next", .kind = ControlKind::Button});
    add({.label = "Cancel", .kind = ControlKind::Button});
    bool paging = lineCount() > kPageLines;
    find("Previous")->enabled = paging;
    find("Next")->enabled = paging;
    find("Page")->enabled = paging;
    show(0);
}

void HistoryViewer::show(int first) {
    int n = lineCount();
    if (first > n - kPageLines) first = n - kPageLines;
    if (first < 0) first = 0;
    first_ = first;
    find("History")->text = shownText();
    find("Lines:")->text = linesText();
    find("Page")->value = first_ + 1;
}

std::string HistoryViewer::shownText() const {
    std::string text;
    int last = std::min(lineCount(), first_ + kPageLines);
    for (int i = first_; i < last; ++i) {
        if (i > first_) text += '\n';
        text += lines_[i];
    }
    return text;
}

std::string HistoryViewer::linesText() const {
    int last = std::min(lineCount(), first_ + kPageLines);
    return std::to_string(lineCount() ? first_ + 1 : 0) + " to " + std::to_string(last) + " of " +
           std::to_string(lineCount());
}

bool HistoryViewer::pressed(platform::DialogControl& control) {
    if (control.label == "Previous") {
        previous();
        return false;
    }
    if (control.label == "Next") {
        next();
        return false;
    }
    return DialogModel::pressed(control);
}

// The spin control pages like the buttons: up a step is "Next", down "Previous".
void HistoryViewer::changed(platform::DialogControl& control) {
    if (control.label != "Page") return;
    if (control.value > first_ + 1)
        next();
    else if (control.value < first_ + 1)
        previous();
    else
        show(first_);
}

void ShowHistory(const std::string& title, const std::string& history) {
    HistoryViewer viewer(title, history);
    platform::ui().runDialog(viewer);
}

}  // namespace orvex::app
