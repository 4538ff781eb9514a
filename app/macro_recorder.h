#pragma once
// The macro recorder: while it records, every command run through the command
// table is written down as a macro line, after the answers it received from
// the Ui (message boxes, files, picks, colours, list items, every dialog's
// control changes and closing button), in the order it asked for them. So the
// macro queues the same answers in the same order when it runs again.
// Opening, saving and closing become "open", "save" and "close" lines, a
// change of the active window an "activate" line; windows are named by the
// image numbers a run of the macro gives them (1 for the first window made
// after the recording started).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imagestore/image_handle.h"
#include "platform/dialog_model.h"
#include "platform/ui.h"

namespace orvex::app {

class MacroRecorder : public platform::Ui {
public:
    /// Starts recording over the installed Ui: the recorder becomes the Ui and
    /// passes every question on to the one it replaced.
    void Start();
    /// Stops, putting the replaced Ui back. What was recorded stays.
    void Stop();
    bool recording() const { return inner_ != nullptr; }

    /// The statements recorded since the start or the last Clear, a line each.
    std::string Text() const;
    /// Forgets what was recorded; windows made from now on count from 1.
    void Clear();
    /// The macro file: a comment line with the date and the program version,
    /// then Text(). False (after telling the user) when it cannot be written.
    bool Save(const std::string& path) const;

    /// Whether a command runs without windows on a screen. The workstation
    /// names its own commands (printing, arranging windows, the bars); those
    /// are written as comments. Null: every command does.
    std::function<bool(const std::string& path)> replayable;

    /// Closing a window by its frame, recorded as "close WINDOW" after the
    /// answers the close took; true when the window closed.
    bool CloseWindow(ImageHandle window);
    /// Opening a file that was not chosen through "&Open..." (the command
    /// line, a file dropped, a macro's "open"), recorded as "open PATH"; the
    /// type becomes the type of the next save as with "&Open...".
    ImageHandle OpenFile(const std::string& path, int type);
    /// A file named on the workstation's command line, opened as
    /// Application::OpenCommandLineFiles opens it and recorded as "open PATH".
    void OpenCommandLineFile(const std::string& path);
    /// "&Save" or "Save &As..." of a window, recorded as "save [PATH]".
    bool SaveWindow(ImageHandle window, bool saveAs);
    /// "Close &All", recorded as "close all".
    bool CloseAll();

    // --- platform::Ui: passed on, the answers written down ---
    platform::Answer message(const std::string& text, const std::string& caption, platform::Buttons buttons,
                             platform::Icon icon) override;
    std::optional<platform::FileAnswer> chooseFile(const platform::FileRequest& request) override;
    std::optional<uint32_t> chooseColour(uint32_t initial) override;
    std::optional<int> chooseFromList(const std::string& caption, const std::vector<std::string>& items) override;
    bool runDialog(platform::DialogModel& dialog) override;
    platform::ImagePickEvent awaitImagePick(const platform::PickPrompt& prompt) override;
    std::optional<platform::PixelPoint> pickPixel(int imageNumber, const std::string& prompt) override;
    std::optional<platform::PixelRect> pickRectangle(int imageNumber, const std::string& prompt) override;
    std::optional<platform::PixelLine> pickLine(int imageNumber, const std::string& prompt) override;
    void setWaitCursor(bool on) override { inner_->setWaitCursor(on); }
    void setStatusText(int pane, const std::string& text) override { inner_->setStatusText(pane, text); }
    void setProgress(int percent, const std::string& text) override { inner_->setProgress(percent, text); }
    bool pumpMessages() override { return inner_->pumpMessages(); }
    bool takeEscape() override { return inner_->takeEscape(); }
    bool pickPending() const override { return inner_ && inner_->pickPending(); }

private:
    // One answer of the command being recorded. A dialog's steps arrive while
    // it is open, after the answers of dialogs it opened itself have their
    // places: each answer takes its place when it is asked for.
    struct Answer {
        std::string line;                      // the statement, or empty for a dialog
        const platform::DialogModel* dialog = nullptr;  // while open
        std::vector<std::string> steps;
        std::vector<std::string> stepLabels;   // the control each step set
        bool file = false;                     // a chosen file: path and filter as below
        std::string path;
        int filter = 0;
        bool filterImplied = false;            // a macro answer without a filter takes the same
    };

    void command(const std::string& path, const std::function<void()>& handler);
    // Runs a user action with its answers recorded; `line` gives its statement after it ran.
    void action(const std::function<void()>& run, const std::function<void()>& writeStatement);
    void writeSave(bool saveAs);
    void dialogAction(const platform::DialogModel& dialog, const platform::DialogControl& control);
    void writeAnswers(size_t from = 0);
    void writeLine(const std::string& line);
    void activateIfChanged();
    void noteActivation(int activeBefore);
    void settleActive();  // after a recorded statement
    std::string window(int imageNumber) const;
    std::string dialogLines(const Answer& answer) const;
    bool answering() const { return depth_ > 0; }
    size_t place(std::string line);

    platform::Ui* inner_ = nullptr;
    std::vector<std::string> lines_;
    std::vector<Answer> answers_;
    int depth_ = 0;             // commands (and recorded actions) under way
    int firstWindow_ = 0;       // image counter when the recording (re)started
    int active_ = 0;            // the active window a run of the macro has at this point
    bool activeUnknown_ = false;  // a pick's click activated a window
    bool finished_ = false;     // Finish pressed during the command
    int finishedPasses_ = 0;
    bool halted_ = false;
};

/// The workstation's one recorder.
MacroRecorder& macroRecorder();

/// The text a menu path is written with in a macro: without the "&" mnemonics.
std::string MacroMenuPath(const std::string& path);

}  // namespace orvex::app
