#include "app/macro.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <fstream>
#include <ostream>
#include <sstream>

#include "acquisition/acquire_commands.h"
#include "app/application.h"
#include "app/command_table.h"
#include "app/macro_recorder.h"
#include "config/profile_file.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"
#include "platform/dialog_model.h"

namespace orvex::app {

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot + 1));
}

std::vector<std::string> split(const std::string& s, char by) {
    std::vector<std::string> parts;
    std::string part;
    std::stringstream in(s);
    while (std::getline(in, part, by)) parts.push_back(trim(part));
    return parts;
}

// Whole numbers of a text, as many as asked for. Numbers no int holds (and
// infinities, not-a-numbers) are faults, since callers take them as ints.
bool numbers(const std::string& text, std::vector<double>& out, size_t count) {
    std::stringstream in(text);
    out.clear();
    double v;
    while (in >> v) {
        if (!(std::fabs(v) <= std::numeric_limits<int>::max())) return false;
        out.push_back(v);
    }
    return out.size() == count && (in.eof());
}

// A control by its label: as spelled, else without "&" mnemonics and case.
platform::DialogControl* findControl(platform::DialogModel& d, const std::string& label) {
    if (auto* c = d.find(label)) return c;
    std::string wanted = NormalisedMenuPath(label);
    for (auto& c : d.controls())
        if (NormalisedMenuPath(c.label) == wanted) return &c;
    return nullptr;
}

// A multi-line field takes "\n" as a line break and "\\" as a backslash;
// any other field takes the text as written.
std::string fieldText(const platform::DialogControl& c, const std::string& text) {
    if (c.kind != platform::ControlKind::Edit || c.height <= 1) return text;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out += text[++i] == 'n' ? '\n' : '\\';
            continue;
        }
        out += text[i];
    }
    return out;
}

int openTypeOf(const std::string& word) {
    static const std::pair<const char*, int> kTypes[] = {
        {"tif", OpenTiff},   {"tiff", OpenTiff},   {"pcx", OpenPcx},   {"bmp", OpenBmp},
        {"bmp24", OpenBmp24}, {"grd", OpenGrid8},  {"grd8", OpenGrid8}, {"grd16", OpenGrid16},
        {"fc", OpenPalette}};
    for (auto& [name, type] : kTypes)
        if (lower(word) == name) return type;
    return -1;
}

}  // namespace

std::string MessageLine(const std::string& caption, const std::string& text) {
    std::string line = caption + ": ";
    for (char c : text) {
        if (c == '\n') line += "\\n";
        else if (c != '\r') line += c;
    }
    return line;
}

int MacroFileFilter(const platform::FileRequest& request, const std::string& path) {
    const std::string ext = extensionOf(path);
    for (size_t i = 0; i < request.filters.size(); ++i)
        if (lower(request.filters[i].second) == "*." + ext) return static_cast<int>(i);
    return std::max(0, request.filterIndex);
}

int MacroOpenType(const std::string& path) {
    const int type = openTypeOf(extensionOf(path));
    return type < 0 ? OpenTiff : type;
}

std::string MacroOpenTypeWord(int type) {
    static const char* const kWords[] = {"tif", "pcx", "bmp", "bmp24", "grd8", "grd16", "fc"};
    return type >= 0 && type < 7 ? kWords[type] : "tif";
}

std::optional<platform::FileAnswer> MacroUi::chooseFile(const platform::FileRequest& request) {
    if (!answers.empty()) {
        if (auto* file = std::get_if<platform::FileAnswer>(&answers.front()); file && file->filterIndex < 0)
            file->filterIndex = MacroFileFilter(request, file->path);
    }
    return HeadlessUi::chooseFile(request);
}

MacroRunner::MacroRunner(MacroUi& ui, std::ostream& out, std::ostream& err) : ui_(ui), out_(out), err_(err) {
    ui_.onMessage = [this](const platform::RecordedMessage& m) { err_ << MessageLine(m.caption, m.text) << '\n'; };
}

bool MacroRunner::fail(const std::string& why) {
    const std::string fault = name_ + ":" + std::to_string(line_) + ": " + why;
    if (fault_.empty()) fault_ = fault;
    err_ << fault << '\n';
    return false;
}

bool MacroRunner::RunFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        name_ = path;
        return fail("cannot read the macro");
    }
    std::stringstream text;
    text << in.rdbuf();
    return RunText(text.str(), path);
}

bool MacroRunner::RunText(const std::string& text, const std::string& name) {
    name_ = name;
    line_ = 0;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        ++line_;
        if (!statement(trim(line))) return false;
        if (ended_) return true;
    }
    if (inBlock_) return fail("\"dialog\" without \"end\"");
    return true;
}

// Runs one command of the workstation: the answers queued before it are its
// own; what it asks without an answer and what it leaves unused is reported.
bool MacroRunner::command(const std::string& what, const std::function<bool()>& run) {
    lastCommandMessages_ = ui_.messages.size();
    dialogFault_.clear();
    bool ok = run();
    for (size_t i = unansweredSeen_; i < ui_.unanswered.size(); ++i)
        err_ << name_ << ":" << line_ << ": not answered: " << MessageLine("", ui_.unanswered[i]).substr(2) << '\n';
    unansweredSeen_ = ui_.unanswered.size();
    if (!ui_.answers.empty()) {
        err_ << name_ << ":" << line_ << ": " << ui_.answers.size() << " answer(s) not used by " << what << '\n';
        ui_.answers.clear();
    }
    if (!dialogFault_.empty()) return fail(dialogFault_);
    return ok;
}

bool MacroRunner::dialogAnswer(const std::vector<std::string>& steps) {
    struct Step {
        std::string op, label, text;
    };
    std::vector<Step> parsed;
    for (const auto& raw : steps) {
        if (raw.empty()) continue;
        size_t space = raw.find(' ');
        std::string op = lower(raw.substr(0, space));
        std::string rest = space == std::string::npos ? "" : trim(raw.substr(space + 1));
        Step s{op, rest, ""};
        if (op == "set" || op == "value") {
            size_t eq = rest.find('=');
            if (eq == std::string::npos) return fail("\"" + op + "\" needs LABEL = VALUE");
            s.label = trim(rest.substr(0, eq));
            s.text = trim(rest.substr(eq + 1));
        } else if (op != "check" && op != "uncheck" && op != "choose" && op != "press") {
            return fail("unknown dialog step \"" + op + "\"");
        }
        parsed.push_back(s);
    }
    platform::DialogScript script;
    script.inspect = [this, parsed](platform::DialogModel& d) {
        for (const auto& s : parsed) {
            if (d.closed()) {
                dialogFault_ = "dialog \"" + d.caption() + "\" closed before \"" + s.op + " " + s.label + "\"";
                return;
            }
            platform::DialogControl* c = findControl(d, s.label);
            if (!c) {
                dialogFault_ = "dialog \"" + d.caption() + "\" has no control \"" + s.label + "\"";
                return;
            }
            std::string label = c->label;
            bool done = true;
            if (s.op == "set") done = d.setText(label, fieldText(*c, s.text));
            else if (s.op == "value") done = d.setValue(label, config::LeadingInteger(s.text));
            else if (s.op == "check") done = d.setValue(label, 1);
            else if (s.op == "uncheck") done = d.setValue(label, 0);
            else if (s.op == "choose") done = d.choose(label);
            else if (s.op == "press") {
                if (c->kind != platform::ControlKind::Button || !c->enabled || !c->visible) done = false;
                else d.press(label);
            }
            if (!done) {
                dialogFault_ = "dialog \"" + d.caption() + "\": cannot " + s.op + " \"" + label + "\"";
                return;
            }
        }
    };
    ui_.queue(script);
    return true;
}

bool MacroRunner::statement(const std::string& line) {
    if (inBlock_) {
        if (lower(line) == "end") {
            inBlock_ = false;
            return dialogAnswer(block_);
        }
        if (!line.empty() && line[0] != '#') block_.push_back(line);
        return true;
    }
    if (line.empty() || line[0] == '#') return true;
    size_t space = line.find_first_of(" \t");
    std::string word = lower(line.substr(0, space));
    std::string rest = space == std::string::npos ? "" : trim(line.substr(space + 1));
    Application& a = application();
    std::vector<double> n;

    // --- Answers for the next command ---
    if (word == "answer") {
        static const std::pair<const char*, platform::Answer> kAnswers[] = {
            {"yes", platform::Answer::Yes}, {"no", platform::Answer::No},
            {"ok", platform::Answer::Ok}, {"cancel", platform::Answer::Cancel}};
        for (auto& [text, answer] : kAnswers)
            if (lower(rest) == text) {
                ui_.queue(answer);
                return true;
            }
        return fail("answer yes, no, ok or cancel");
    }
    if (word == "cancel") {
        ui_.queue(platform::CancelAnswer{});
        return true;
    }
    if (word == "file") {
        if (rest.empty()) return fail("\"file\" needs a path");
        int filter = -1;
        size_t last = rest.find_last_of(" \t");
        if (last != std::string::npos) {
            std::string tail = rest.substr(last + 1);
            if (!tail.empty() && std::all_of(tail.begin(), tail.end(), ::isdigit)) {
                if (tail.size() > 9) return fail("file PATH [FILTER]: no such filter " + tail);
                filter = std::stoi(tail);
                rest = trim(rest.substr(0, last));
            }
        }
        ui_.queue(platform::FileAnswer{rest, filter});
        return true;
    }
    if (word == "pick") {
        using Kind = platform::ImagePickEvent::Kind;
        if (lower(rest) == "ok") ui_.queue(platform::ImagePickEvent{Kind::Ok});
        else if (lower(rest) == "cancel") ui_.queue(platform::ImagePickEvent{Kind::Cancel});
        else if (numbers(rest, n, 1)) ui_.queue(platform::ImagePickEvent{Kind::Picked, static_cast<int>(n[0])});
        else if (numbers(rest, n, 3))
            ui_.queue(platform::ImagePickEvent{Kind::Picked, static_cast<int>(n[0]), n[1], n[2]});
        else return fail("pick WINDOW [COLUMN ROW], pick ok or pick cancel");
        return true;
    }
    if (word == "pixel") {
        if (!numbers(rest, n, 2)) return fail("pixel COLUMN ROW");
        ui_.queue(platform::PixelPoint{static_cast<int>(n[0]), static_cast<int>(n[1])});
        return true;
    }
    if (word == "rect" || word == "rectangle") {
        if (!numbers(rest, n, 4)) return fail("rect LEFT TOP RIGHT BOTTOM");
        ui_.queue(platform::PixelRect{static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2]),
                                      static_cast<int>(n[3])});
        return true;
    }
    if (word == "line") {
        if (!numbers(rest, n, 4)) return fail("line COLUMN1 ROW1 COLUMN2 ROW2");
        ui_.queue(platform::PixelLine{{static_cast<int>(n[0]), static_cast<int>(n[1])},
                                      {static_cast<int>(n[2]), static_cast<int>(n[3])}});
        return true;
    }
    if (word == "colour" || word == "color") {
        char* end = nullptr;
        unsigned long v = std::strtoul(rest.c_str(), &end, 0);
        if (rest.empty() || *end) return fail("colour 0xBBGGRR");
        ui_.queue(static_cast<uint32_t>(v & 0xFFFFFF));
        return true;
    }
    if (word == "item") {
        if (!numbers(rest, n, 1)) return fail("item INDEX");
        ui_.queue(static_cast<int>(n[0]));
        return true;
    }
    if (word == "values") {
        std::vector<std::string> values = split(rest, ';');
        platform::DialogScript script;
        script.inspect = [values](platform::DialogModel& d) {
            size_t i = 0;
            for (auto& c : d.controls()) {
                if (i >= values.size()) break;
                if (c.visible && c.enabled &&
                    (c.kind == platform::ControlKind::Edit || c.kind == platform::ControlKind::IntEdit ||
                     c.kind == platform::ControlKind::RealEdit))
                    d.setText(c.label, values[i++]);
            }
            d.press("OK");
        };
        ui_.queue(script);
        return true;
    }
    if (word == "passes") {
        if (!numbers(rest, n, 1) || n[0] < 1) return fail("passes COUNT");
        passes_ = static_cast<int>(n[0]);
        return true;
    }
    if (word == "dialog") {
        if (rest.empty()) {
            inBlock_ = true;
            block_.clear();
            return true;
        }
        return dialogAnswer(split(rest, ';'));
    }

    // --- Checks ---
    if (word == "expect") {
        std::vector<std::string> shown;
        for (size_t i = lastCommandMessages_; i < ui_.messages.size(); ++i)
            shown.push_back(MessageLine(ui_.messages[i].caption, ui_.messages[i].text));
        if (lower(rest) == "nothing") {
            if (!shown.empty()) return fail("expected no message, got \"" + shown.front() + "\"");
            return true;
        }
        if (std::find(shown.begin(), shown.end(), rest) == shown.end())
            return fail("expected the message \"" + rest + "\"");
        return true;
    }
    if (word == "expect-windows") {
        if (!numbers(rest, n, 1)) return fail("expect-windows COUNT");
        if (windowList().Count() != static_cast<int>(n[0]))
            return fail("expected " + rest + " image windows, there are " + std::to_string(windowList().Count()));
        return true;
    }
    if (word == "echo") {
        out_ << rest << '\n';
        return true;
    }
    if (word == "commands") {
        for (const auto& c : commandTable().all())
            out_ << c.path << (commandTable().isEnabled(c.path) ? "" : " (disabled)")
                 << (commandTable().isChecked(c.path) ? " (checked)" : "") << '\n';
        return true;
    }

    // --- Commands ---
    if (word == "menu") {
        bool wasRunning = a.running;
        // Nobody presses Finish during a macro: a continuous run gets it from
        // the message pump once its last pass has begun.
        auto previousPump = ui_.onPump;
        ui_.onPump = [this, previousPump] {
            if (previousPump) previousPump();
            const AcquireMenuState& s = acquireMenuState();
            // Through the table, as the Finish button goes: a recording sees it.
            if (AcquisitionRunning() && s.continuousChecked && s.pass + 1 >= passes_)
                if (commandTable().run("Acquire > Finish") != CommandTable::RunResult::Done) OnAcquireFinish();
        };
        struct RestorePump {
            MacroUi& ui;
            std::function<void()> pump;
            ~RestorePump() { ui.onPump = pump; }
        } restore{ui_, previousPump};
        bool ok = command(rest, [&] {
            switch (commandTable().run(rest)) {
                case CommandTable::RunResult::Done: return true;
                case CommandTable::RunResult::Unknown: return fail("no menu command \"" + rest + "\"");
                case CommandTable::RunResult::Disabled: return fail("menu command \"" + rest + "\" is disabled");
            }
            return false;
        });
        if (wasRunning && !a.running) ended_ = true;  // the command ended the program
        return ok;
    }
    if (word == "open") {
        std::string path = rest;
        int type = -1;
        size_t as = lower(rest).rfind(" as ");
        if (as != std::string::npos) {
            type = openTypeOf(trim(rest.substr(as + 4)));
            if (type < 0) return fail("open PATH as tif|pcx|bmp|bmp24|grd8|grd16|fc");
            path = trim(rest.substr(0, as));
        } else {
            type = openTypeOf(extensionOf(path));
            if (type < 0) type = OpenTiff;
        }
        if (path.empty()) return fail("\"open\" needs a path");
        return command("open", [&] {
            const size_t shown = ui_.messages.size();
            const ImageHandle first = macroRecorder().OpenFile(path, type);
            // The file a batch run is about must open, or the run has nothing to work on.
            if (!input_.empty() && path == input_ && !first && type != OpenPalette) {
                std::string why = "the input " + path + " did not open";
                if (ui_.messages.size() > shown)
                    why += ": " + MessageLine(ui_.messages[shown].caption, ui_.messages[shown].text);
                return fail(why);
            }
            return true;
        });
    }
    if (word == "save") {
        return command("save", [&] {
            ImageHandle w = ActiveImageWindow();
            if (!w) return fail("no active image window to save");
            if (!rest.empty()) ui_.queue(platform::FileAnswer{rest, -1});
            macroRecorder().SaveWindow(w, !rest.empty());
            return true;
        });
    }
    if (word == "close") {
        return command("close", [&] {
            if (lower(rest) == "all") {
                macroRecorder().CloseAll();
                return true;
            }
            ImageHandle w = ActiveImageWindow();
            if (!rest.empty()) {
                if (!numbers(rest, n, 1)) return fail("close [WINDOW|all]");
                w = FindImageWindow(static_cast<int>(n[0]));
            }
            if (!w) return fail("no such image window");
            macroRecorder().CloseWindow(w);
            return true;
        });
    }
    if (word == "activate") {
        ImageHandle w;
        if (lower(rest) == "last") {
            auto all = windowList().Windows();
            if (!all.empty()) w = all.back();
        } else if (numbers(rest, n, 1)) {
            w = FindImageWindow(static_cast<int>(n[0]));
        }
        if (!w) return fail("no image window " + rest);
        windowList().SetActive(w);
        a.RefreshStatus();
        return true;
    }
    if (word == "quit") {
        ended_ = true;
        return true;
    }
    return fail("unknown statement \"" + word + "\"");
}

}  // namespace orvex::app
