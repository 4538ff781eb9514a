#pragma once
// A Ui without windows: questions are answered from a queue of scripted
// answers, every message is recorded. A question whose answer is not at the
// front of the queue takes the answer that changes nothing.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui.h"

namespace orvex::platform {

struct RecordedMessage {
    std::string caption;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Answer answer = Answer::Ok;
};

/// One step of a scripted dialog: set a control, choose a radio button or press a button.
struct DialogStep {
    enum class Op { SetText, SetValue, Choose, Press } op = Op::Press;
    std::string label;
    std::string text;
    int value = 0;
};

struct DialogScript {
    std::vector<DialogStep> steps;
    /// Called with the model after the steps, for tests that inspect it.
    std::function<void(DialogModel&)> inspect;
};

struct CancelAnswer {};  // cancels whatever is asked next

using ScriptedAnswer = std::variant<Answer, FileAnswer, uint32_t, int, DialogScript, ImagePickEvent,
                                    PixelPoint, PixelRect, PixelLine, CancelAnswer>;

class HeadlessUi : public Ui {
public:
    Answer message(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
    std::optional<FileAnswer> chooseFile(const FileRequest& request) override;
    std::optional<uint32_t> chooseColour(uint32_t initial) override;
    std::optional<int> chooseFromList(const std::string& caption,
                                      const std::vector<std::string>& items) override;
    bool runDialog(DialogModel& dialog) override;
    ImagePickEvent awaitImagePick(const PickPrompt& prompt) override;
    std::optional<PixelPoint> pickPixel(int imageNumber, const std::string& prompt) override;
    std::optional<PixelRect> pickRectangle(int imageNumber, const std::string& prompt) override;
    std::optional<PixelLine> pickLine(int imageNumber, const std::string& prompt) override;
    void setWaitCursor(bool on) override { waitCursor = on; }
    void setStatusText(int pane, const std::string& text) override { status[pane] = text; }
    void setProgress(int percent, const std::string& text) override;
    bool pumpMessages() override;
    bool takeEscape() override;

    /// Queues the answer to a later question, in order.
    void queue(ScriptedAnswer answer) { answers.push_back(std::move(answer)); }
    /// Messages whose caption and text match.
    int count(const std::string& caption, const std::string& text) const;
    /// "caption: text" of every message, in order.
    std::vector<std::string> messageLines() const;
    void clear();

    std::deque<ScriptedAnswer> answers;
    std::vector<RecordedMessage> messages;
    std::vector<FileRequest> fileRequests;
    std::vector<std::string> dialogsRun;       // captions of the dialogs run
    std::vector<std::string> unanswered;       // what was asked without a scripted answer
    std::map<int, std::string> status;
    std::vector<int> progress;                 // every percentage reported
    std::string progressText;
    bool waitCursor = false;
    int pendingEscapes = 0;
    int pumps = 0;
    bool quitting = false;
    /// Called on every pump: tests deliver Halt, Finish or closings here, as
    /// the window system would between two scan points.
    std::function<void()> onPump;
    /// Called after every message is recorded (orvex-cli prints it).
    std::function<void(const RecordedMessage&)> onMessage;

private:
    template <class T>
    std::optional<T> take(const std::string& what);
    bool takeCancel();
};

}  // namespace orvex::platform
