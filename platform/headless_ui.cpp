#include "platform/headless_ui.h"

#include "platform/dialog_model.h"

namespace orvex::platform {

namespace {
HeadlessUi& builtIn() {
    static HeadlessUi instance;
    return instance;
}
Ui* current = nullptr;
}  // namespace

Ui& ui() { return current ? *current : builtIn(); }

Ui* setUi(Ui* replacement) {
    Ui* previous = current ? current : &builtIn();
    current = replacement;
    return previous;
}

Answer neutralAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::YesNo: return Answer::No;
        case Buttons::OkCancel:
        case Buttons::YesNoCancel: return Answer::Cancel;
    }
    return Answer::Ok;
}

static bool allowed(Answer answer, Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return answer == Answer::Ok;
        case Buttons::OkCancel: return answer == Answer::Ok || answer == Answer::Cancel;
        case Buttons::YesNo: return answer == Answer::Yes || answer == Answer::No;
        case Buttons::YesNoCancel: return answer != Answer::Ok;
    }
    return false;
}

template <class T>
std::optional<T> HeadlessUi::take(const std::string& what) {
    if (!answers.empty()) {
        if (auto* value = std::get_if<T>(&answers.front())) {
            T result = std::move(*value);
            answers.pop_front();
            return result;
        }
    }
    unanswered.push_back(what);
    return std::nullopt;
}

bool HeadlessUi::takeCancel() {
    if (!answers.empty() && std::holds_alternative<CancelAnswer>(answers.front())) {
        answers.pop_front();
        return true;
    }
    return false;
}

Answer HeadlessUi::message(const std::string& text, const std::string& caption, Buttons buttons,
                           Icon icon) {
    Answer answer = neutralAnswer(buttons);
    if (buttons != Buttons::Ok) {
        if (takeCancel()) {
            answer = neutralAnswer(buttons);
        } else if (!answers.empty() && std::holds_alternative<Answer>(answers.front()) &&
                   allowed(std::get<Answer>(answers.front()), buttons)) {
            answer = std::get<Answer>(answers.front());
            answers.pop_front();
        } else {
            unanswered.push_back(caption + ": " + text);
        }
    } else if (!answers.empty() && std::holds_alternative<Answer>(answers.front()) &&
               std::get<Answer>(answers.front()) == Answer::Ok) {
        answers.pop_front();  // an explicit OK for an OK box is simply used up
    }
    messages.push_back({caption, text, buttons, icon, answer});
    if (onMessage) onMessage(messages.back());
    return answer;
}

std::optional<FileAnswer> HeadlessUi::chooseFile(const FileRequest& request) {
    fileRequests.push_back(request);
    if (takeCancel()) return std::nullopt;
    return take<FileAnswer>((request.save ? "save file: " : "open file: ") + request.title);
}

std::optional<uint32_t> HeadlessUi::chooseColour(uint32_t) {
    if (takeCancel()) return std::nullopt;
    return take<uint32_t>("colour");
}

std::optional<int> HeadlessUi::chooseFromList(const std::string& caption,
                                              const std::vector<std::string>& items) {
    if (takeCancel()) return std::nullopt;
    auto index = take<int>("list: " + caption);
    if (index && (*index < 0 || *index >= static_cast<int>(items.size()))) return std::nullopt;
    return index;
}

bool HeadlessUi::runDialog(DialogModel& dialog) {
    dialogsRun.push_back(dialog.caption());
    dialog.initialize();
    if (takeCancel()) {
        if (!dialog.press("Cancel")) return false;
        return dialog.accepted();
    }
    auto script = take<DialogScript>("dialog: " + dialog.caption());
    if (script) {
        for (const auto& step : script->steps) {
            if (dialog.closed()) break;
            switch (step.op) {
                case DialogStep::Op::SetText: dialog.setText(step.label, step.text); break;
                case DialogStep::Op::SetValue: dialog.setValue(step.label, step.value); break;
                case DialogStep::Op::Choose: dialog.choose(step.label); break;
                case DialogStep::Op::Press: dialog.press(step.label); break;
            }
        }
        if (script->inspect) script->inspect(dialog);
    }
    // A dialog left open by its script is cancelled: that changes nothing.
    if (!dialog.closed() && !dialog.press("Cancel")) return false;
    return dialog.closed() && dialog.accepted();
}

ImagePickEvent HeadlessUi::awaitImagePick(const PickPrompt& prompt) {
    if (takeCancel()) return {};
    auto event = take<ImagePickEvent>("pick: " + prompt.prompt);
    return event ? *event : ImagePickEvent{};
}

std::optional<PixelPoint> HeadlessUi::pickPixel(int, const std::string& prompt) {
    if (takeCancel()) return std::nullopt;
    return take<PixelPoint>("pixel: " + prompt);
}

std::optional<PixelRect> HeadlessUi::pickRectangle(int, const std::string& prompt) {
    if (takeCancel()) return std::nullopt;
    return take<PixelRect>("rectangle: " + prompt);
}

std::optional<PixelLine> HeadlessUi::pickLine(int, const std::string& prompt) {
    if (takeCancel()) return std::nullopt;
    return take<PixelLine>("line: " + prompt);
}

void HeadlessUi::setProgress(int percent, const std::string& text) {
    progress.push_back(percent);
    progressText = text;
}

bool HeadlessUi::pumpMessages() {
    ++pumps;
    if (onPump) onPump();
    return !quitting;
}

bool HeadlessUi::takeEscape() {
    if (pendingEscapes <= 0) return false;
    --pendingEscapes;
    return true;
}

int HeadlessUi::count(const std::string& caption, const std::string& text) const {
    int n = 0;
    for (const auto& m : messages)
        if (m.caption == caption && m.text == text) ++n;
    return n;
}

std::vector<std::string> HeadlessUi::messageLines() const {
    std::vector<std::string> lines;
    for (const auto& m : messages) lines.push_back(m.caption + ": " + m.text);
    return lines;
}

void HeadlessUi::clear() {
    answers.clear();
    messages.clear();
    fileRequests.clear();
    dialogsRun.clear();
    unanswered.clear();
    status.clear();
    progress.clear();
    progressText.clear();
    pendingEscapes = 0;
    pumps = 0;
    quitting = false;
    onPump = nullptr;
}

}  // namespace orvex::platform
