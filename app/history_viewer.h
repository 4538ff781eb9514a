#pragma once
// The history viewer: twenty lines of a history text at a time, paged with
// "Previous", "Next" and a spin control.
#include <string>
#include <vector>

#include "platform/dialog_model.h"

namespace orvex::app {

class HistoryViewer : public platform::DialogModel {
public:
    static constexpr int kPageLines = 20;
    static constexpr int kMaxLines = 256;

    /// `title` is the window's name or "Global History List".
    HistoryViewer(const std::string& title, const std::string& history);

    bool pressed(platform::DialogControl& control) override;
    void changed(platform::DialogControl& control) override;

    int lineCount() const { return static_cast<int>(lines_.size()); }
    int firstShown() const { return first_; }  // 0-based
    /// The lines on show, joined by newlines.
    std::string shownText() const;
    /// "1 to 20 of 45"
    std::string linesText() const;

    void previous() { show(first_ - kPageLines); }
    void next() { show(first_ + kPageLines); }

private:
    void show(int first);

    std::vector<std::string> lines_;
    int first_ = 0;
};

/// Shows a history in the viewer.
void ShowHistory(const std::string& title, const std::string& history);

}  // namespace orvex::app
