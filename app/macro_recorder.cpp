#include "app/macro_recorder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "acquisition/acquire_commands.h"
#include "app/application.h"
#include "app/command_table.h"
#include "app/macro.h"
#include "app/shell_commands.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/clock.h"

namespace orvex::app {

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string answerWord(platform::Answer a) {
    switch (a) {
        case platform::Answer::Ok: return "ok";
        case platform::Answer::Cancel: return "cancel";
        case platform::Answer::Yes: return "yes";
        case platform::Answer::No: return "no";
    }
    return "ok";
}

// A path whose last word is a number would lend it to the filter of a "file" line.
bool endsInNumber(const std::string& path) {
    size_t blank = path.find_last_of(" \t");
    if (blank == std::string::npos || blank + 1 == path.size()) return false;
    return std::all_of(path.begin() + static_cast<std::ptrdiff_t>(blank) + 1, path.end(),
                       [](unsigned char c) { return std::isdigit(c); });
}

// The "open" line that opens the file as the chosen type does.
std::string openLine(const std::string& path, int type) {
    std::string line = "open " + path;
    if (type != MacroOpenType(path) || path.find(" as ") != std::string::npos ||
        path.find(" AS ") != std::string::npos)
        line += " as " + MacroOpenTypeWord(type);
    return line;
}

// A multi-line field keeps its line breaks as "\n" (and a backslash as "\\").
std::string escapedText(const platform::DialogControl& c) {
    const bool multiLine = c.kind == platform::ControlKind::Edit && c.height > 1;
    std::string out;
    for (char ch : c.text) {
        if (ch == '\r') continue;
        if (ch == '\n') out += multiLine ? "\\n" : " ";
        else if (ch == '\\' && multiLine) out += "\\\\";
        else out += ch;
    }
    return out;
}

bool isPath(const std::string& normalised, const char* path) { return normalised == NormalisedMenuPath(path); }

}  // namespace

std::string MacroMenuPath(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '&') {
            out += path[i];
        } else if (i + 1 < path.size() && path[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    // A text the macro would read back as another command is written as in the table.
    return NormalisedMenuPath(out) == NormalisedMenuPath(path) ? out : path;
}

MacroRecorder& macroRecorder() {
    static MacroRecorder recorder;
    return recorder;
}

void MacroRecorder::Start() {
    if (inner_) return;
    inner_ = platform::setUi(this);
    commandTable().setRunWrapper(
        [this](const std::string& path, const std::function<void()>& handler) { command(path, handler); });
    platform::setDialogActionObserver(
        [this](const platform::DialogModel& d, const platform::DialogControl& c) { dialogAction(d, c); });
    if (lines_.empty()) Clear();
}

void MacroRecorder::Stop() {
    if (!inner_) return;
    if (&platform::ui() == this) platform::setUi(inner_);
    commandTable().setRunWrapper(nullptr);
    platform::setDialogActionObserver(nullptr);
    inner_ = nullptr;
    depth_ = 0;
    answers_.clear();
}

void MacroRecorder::Clear() {
    lines_.clear();
    answers_.clear();
    firstWindow_ = windowList().ImageCounter();
    settleActive();
}

std::string MacroRecorder::Text() const {
    std::string text;
    for (const auto& line : lines_) text += line + "\n";
    return text;
}

bool MacroRecorder::Save(const std::string& path) const {
    const platform::LocalTime t = platform::clock().now();
    char header[96];
    std::snprintf(header, sizeof header, "# recorded %04d-%02d-%02d %02d:%02d:%02d by %s\n", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, ProgramVersion());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out << header << Text();
    if (!out || !out.flush()) {
        platform::ui().message("Unable to write the macro to " + path, "Save Macro", platform::Buttons::Ok,
                               platform::Icon::Warning);
        return false;
    }
    return true;
}

std::string MacroRecorder::window(int imageNumber) const {
    // Windows made before the recording started keep their numbers: a run
    // of the macro does not have them.
    return std::to_string(imageNumber > firstWindow_ ? imageNumber - firstWindow_ : imageNumber);
}

void MacroRecorder::writeLine(const std::string& line) { lines_.push_back(line); }

size_t MacroRecorder::place(std::string line) {
    Answer a;
    a.line = std::move(line);
    answers_.push_back(std::move(a));
    return answers_.size() - 1;
}

std::string MacroRecorder::dialogLines(const Answer& a) const {
    if (a.steps.empty()) return "cancel";
    const bool block = std::any_of(a.steps.begin(), a.steps.end(),
                                   [](const std::string& s) { return s.find(';') != std::string::npos; });
    std::string text = block ? "dialog\n" : "dialog ";
    for (size_t i = 0; i < a.steps.size(); ++i) text += (i && !block ? "; " : "") + a.steps[i] + (block ? "\n" : "");
    return block ? text + "end" : text;
}

void MacroRecorder::writeAnswers(size_t from) {
    for (size_t i = from; i < answers_.size(); ++i)
        writeLine(answers_[i].line.empty() ? dialogLines(answers_[i]) : answers_[i].line);
    answers_.clear();
}

// A click that picks may also activate the window clicked, which a run of
// the macro does not do: the next command then names its window.
void MacroRecorder::noteActivation(int before) {
    if (answering() && ActiveImageWindow().number != before) activeUnknown_ = true;
}

void MacroRecorder::settleActive() {
    active_ = activeUnknown_ ? 0 : ActiveImageWindow().number;
    activeUnknown_ = false;
}

void MacroRecorder::activateIfChanged() {
    const int active = ActiveImageWindow().number;
    if (active && active != active_) writeLine("activate " + window(active));
    active_ = active;
}

void MacroRecorder::command(const std::string& path, const std::function<void()>& handler) {
    const std::string key = NormalisedMenuPath(path);
    if (depth_ > 0) {
        // Pressed while another command runs (Finish or Halt during an
        // acquisition): a run of the macro finishes by its pass count.
        const AcquireMenuState& s = acquireMenuState();
        const bool continuous = s.continuousChecked;
        const int pass = s.pass;
        handler();
        if (isPath(key, "Acquire > Finish") && continuous) {
            finished_ = true;
            finishedPasses_ = std::max(1, pass + 1);
        } else if (isPath(key, "Acquire > Halt")) {
            halted_ = true;
        }
        return;
    }
    if (isPath(key, "File > Save Macro...") || isPath(key, "File > Clear Macro")) {
        handler();
        return;
    }
    if (replayable && !replayable(path)) {
        ++depth_;
        handler();
        --depth_;
        answers_.clear();
        writeLine("# menu " + MacroMenuPath(path) + " (runs only in the workstation)");
        settleActive();
        return;
    }
    activateIfChanged();
    answers_.clear();
    finished_ = halted_ = false;

    Application& a = application();
    std::optional<RecentFile> recent;
    const int typeBefore = a.lastFileType;
    if (key.rfind("file > recent file ", 0) == 0) {
        const int index = std::atoi(key.substr(19).c_str()) - 1;
        if (index >= 0 && index < static_cast<int>(a.recentFiles.size())) recent = a.recentFiles[index];
    }

    ++depth_;
    handler();
    --depth_;

    const bool onlyFile = answers_.size() == 1 && answers_[0].file && answers_[0].filterImplied;
    if (isPath(key, "File > Open...") && !answers_.empty() && answers_[0].file) {
        const std::string line = openLine(answers_[0].path, std::clamp(answers_[0].filter, 0, 6));
        writeAnswers(1);
        writeLine(line);
    } else if (recent && typeBefore == recent->type) {
        // "open" sets the type of the next save as "&Open..." does: the
        // same only when the recent file's type was that type already.
        writeAnswers();
        writeLine(openLine(recent->path, recent->type));
    } else if (isPath(key, "File > Save") || (isPath(key, "File > Save As...") && onlyFile)) {
        writeSave(isPath(key, "File > Save As..."));
    } else if (isPath(key, "File > Close")) {
        writeAnswers();
        writeLine("close");
    } else if (isPath(key, "File > Close All")) {
        writeAnswers();
        writeLine("close all");
    } else {
        if (finished_) writeLine("passes " + std::to_string(finishedPasses_));
        writeAnswers();
        writeLine("menu " + MacroMenuPath(path));
        if (halted_) writeLine("# Halt was pressed during the command: a run of the macro is not halted");
    }
    settleActive();
}

void MacroRecorder::action(const std::function<void()>& run, const std::function<void()>& writeStatement) {
    if (!recording() || depth_ > 0) {
        run();
        return;
    }
    activateIfChanged();
    answers_.clear();
    ++depth_;
    run();
    --depth_;
    writeStatement();
    settleActive();
}

void MacroRecorder::writeSave(bool saveAs) {
    if (answers_.size() == 1 && answers_[0].file && answers_[0].filterImplied) {
        writeLine("save " + answers_[0].path);
        answers_.clear();
        return;
    }
    writeAnswers();
    writeLine(saveAs ? "menu File > Save As..." : "save");
}

bool MacroRecorder::CloseWindow(ImageHandle w) {
    bool closed = false;
    const bool active = w == ActiveImageWindow();
    action([&] { closed = application().CloseImage(w); },
           [&] {
               writeAnswers();
               writeLine(active ? std::string("close") : "close " + window(w.number));
           });
    return closed;
}

bool MacroRecorder::CloseAll() {
    bool closed = false;
    action([&] { closed = application().CloseAllImages(); },
           [&] {
               writeAnswers();
               writeLine("close all");
           });
    return closed;
}

void MacroRecorder::OpenCommandLineFile(const std::string& file) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(file, error);
    const std::string name = error ? file : full.lexically_normal().string();
    action(
        [&] {
            // As "&Open..." and a macro's "open": the type becomes that of the next save.
            application().lastFileType = OpenTypeOf(name);
            application().OpenCommandLineFiles({file});
        },
        [&] {
            writeAnswers();
            writeLine(openLine(name, OpenTypeOf(name)));
        });
}

bool MacroRecorder::SaveWindow(ImageHandle w, bool saveAs) {
    bool saved = false;
    const bool active = w == ActiveImageWindow();
    action([&] { saved = application().SaveImage(w, saveAs); },
           [&] {
               // "save" works on the active window; another is activated first.
               if (!active) writeLine("activate " + window(w.number));
               writeSave(saveAs);
               if (!active && ActiveImageWindow()) writeLine("activate " + window(ActiveImageWindow().number));
           });
    return saved;
}

ImageHandle MacroRecorder::OpenFile(const std::string& path, int type) {
    ImageHandle first;
    action(
        [&] {
            application().lastFileType = type;
            first = application().OpenImageFile(path, type);
        },
        [&] {
            writeAnswers();
            writeLine(openLine(path, type));
        });
    return first;
}

// --- The answers ---

platform::Answer MacroRecorder::message(const std::string& text, const std::string& caption,
                                        platform::Buttons buttons, platform::Icon icon) {
    const platform::Answer answer = inner_->message(text, caption, buttons, icon);
    if (answering()) place("answer " + answerWord(answer));
    return answer;
}

std::optional<platform::FileAnswer> MacroRecorder::chooseFile(const platform::FileRequest& request) {
    auto answer = inner_->chooseFile(request);
    if (!answering()) return answer;
    if (!answer) {
        place("cancel");
        return answer;
    }
    Answer a;
    a.file = true;
    a.path = answer->path;
    a.filter = answer->filterIndex;
    a.filterImplied = answer->filterIndex == MacroFileFilter(request, answer->path) && !endsInNumber(a.path);
    a.line = "file " + a.path + (a.filterImplied ? "" : " " + std::to_string(answer->filterIndex));
    answers_.push_back(std::move(a));
    return answer;
}

std::optional<uint32_t> MacroRecorder::chooseColour(uint32_t initial) {
    auto colour = inner_->chooseColour(initial);
    if (answering()) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%06X", colour ? *colour & 0xFFFFFFu : 0u);
        place(colour ? std::string("colour ") + text : "cancel");
    }
    return colour;
}

std::optional<int> MacroRecorder::chooseFromList(const std::string& caption, const std::vector<std::string>& items) {
    auto index = inner_->chooseFromList(caption, items);
    if (answering()) place(index ? "item " + std::to_string(*index) : "cancel");
    return index;
}

bool MacroRecorder::runDialog(platform::DialogModel& dialog) {
    if (!answering()) return inner_->runDialog(dialog);
    const size_t slot = place("");
    answers_[slot].dialog = &dialog;
    const bool accepted = inner_->runDialog(dialog);
    if (slot >= answers_.size()) return accepted;  // the recording was cleared meanwhile
    Answer& a = answers_[slot];
    a.dialog = nullptr;
    // Accepted by the window system's default button rather than a press we saw.
    if (accepted && (a.steps.empty() || a.steps.back().rfind("press ", 0) != 0) && dialog.find("OK"))
        a.steps.push_back("press OK");
    return accepted;
}

void MacroRecorder::dialogAction(const platform::DialogModel& dialog, const platform::DialogControl& c) {
    auto open = std::find_if(answers_.rbegin(), answers_.rend(), [&](const Answer& a) { return a.dialog == &dialog; });
    if (open == answers_.rend()) return;
    using platform::ControlKind;
    std::string step, key;
    switch (c.kind) {
        case ControlKind::Button: step = "press " + c.label; break;
        case ControlKind::CheckBox:
            step = (c.value ? "check " : "uncheck ") + c.label;
            key = "box " + c.label;
            break;
        case ControlKind::Radio:
            step = "choose " + c.label;
            key = "radio " + c.group;
            break;
        case ControlKind::Edit:
        case ControlKind::IntEdit:
        case ControlKind::RealEdit:
            step = "set " + c.label + " = " + escapedText(c);
            key = "text " + c.label;
            break;
        case ControlKind::List:
        case ControlKind::DropDown:
        case ControlKind::Spin:
        case ControlKind::ScrollBar:
            step = "value " + c.label + " = " + std::to_string(c.value);
            key = "value " + c.label;
            break;
        default: return;  // read-outs, labels and canvases take no answers
    }
    // Typing and dragging change a control many times over: the last change counts.
    if (!key.empty() && !open->stepLabels.empty() && open->stepLabels.back() == key) {
        open->steps.back() = step;
    } else {
        open->steps.push_back(step);
        open->stepLabels.push_back(key);
    }
}

platform::ImagePickEvent MacroRecorder::awaitImagePick(const platform::PickPrompt& prompt) {
    const int before = ActiveImageWindow().number;
    const platform::ImagePickEvent event = inner_->awaitImagePick(prompt);
    noteActivation(before);
    if (answering()) {
        using Kind = platform::ImagePickEvent::Kind;
        if (event.kind == Kind::Ok) place("pick ok");
        else if (event.kind == Kind::Cancel) place("pick cancel");
        else place("pick " + window(event.imageNumber) + " " + number(event.column) + " " + number(event.row));
    }
    return event;
}

std::optional<platform::PixelPoint> MacroRecorder::pickPixel(int imageNumber, const std::string& prompt) {
    const int before = ActiveImageWindow().number;
    auto p = inner_->pickPixel(imageNumber, prompt);
    noteActivation(before);
    if (answering()) place(p ? "pixel " + std::to_string(p->column) + " " + std::to_string(p->row) : "cancel");
    return p;
}

std::optional<platform::PixelRect> MacroRecorder::pickRectangle(int imageNumber, const std::string& prompt) {
    const int before = ActiveImageWindow().number;
    auto r = inner_->pickRectangle(imageNumber, prompt);
    noteActivation(before);
    if (answering())
        place(r ? "rect " + std::to_string(r->left) + " " + std::to_string(r->top) + " " + std::to_string(r->right) +
                      " " + std::to_string(r->bottom)
                : "cancel");
    return r;
}

std::optional<platform::PixelLine> MacroRecorder::pickLine(int imageNumber, const std::string& prompt) {
    const int before = ActiveImageWindow().number;
    auto l = inner_->pickLine(imageNumber, prompt);
    noteActivation(before);
    if (answering())
        place(l ? "line " + std::to_string(l->from.column) + " " + std::to_string(l->from.row) + " " +
                      std::to_string(l->to.column) + " " + std::to_string(l->to.row)
                : "cancel");
    return l;
}

}  // namespace orvex::app
