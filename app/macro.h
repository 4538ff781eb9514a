#pragma once
// Macros: text files of workstation commands, one per line, with the answers
// to what the next command will ask queued before it. They run headless, on
// the same command table and dialog models the workstation shows.
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/headless_ui.h"

namespace orvex::app {

/// The headless Ui of macros: a file answer without a filter takes the
/// dialog's filter that matches the file's extension.
class MacroUi : public platform::HeadlessUi {
public:
    std::optional<platform::FileAnswer> chooseFile(const platform::FileRequest& request) override;
};

class MacroRunner {
public:
    /// Messages go to `err` as "caption: text" (a newline in the text as "\n"),
    /// reports of unanswered questions and macro faults too; `echo` goes to `out`.
    MacroRunner(MacroUi& ui, std::ostream& out, std::ostream& err);

    /// Runs every line; false at the first fault (reported with its line number).
    bool RunText(const std::string& text, const std::string& name = "macro");
    bool RunFile(const std::string& path);

    /// Whether the macro ended the program itself (E&xit, quit).
    bool ended() const { return ended_; }
    int line() const { return line_; }
    /// The first fault, as reported ("MACRO:LINE: what went wrong"); empty when none.
    const std::string& fault() const { return fault_; }
    /// The file a batch run is about: an "open" of it that opens no window is a fault.
    void setInput(const std::string& path) { input_ = path; }

private:
    bool statement(const std::string& line);
    bool command(const std::string& what, const std::function<bool()>& run);
    bool fail(const std::string& why);
    bool dialogAnswer(const std::vector<std::string>& steps);

    MacroUi& ui_;
    std::ostream& out_;
    std::ostream& err_;
    std::string name_;
    int line_ = 0;
    size_t lastCommandMessages_ = 0;  // index of the first message of the last command
    size_t unansweredSeen_ = 0;
    bool ended_ = false;
    int passes_ = 1;  // a continuous acquisition finishes after this many passes
    std::vector<std::string> block_;  // the steps of a "dialog" block being read
    bool inBlock_ = false;
    std::string dialogFault_;
    std::string fault_;
    std::string input_;
};

/// The filter a `file` answer without one takes: the request's filter whose
/// pattern matches the path's extension, else the one the dialog shows first.
int MacroFileFilter(const platform::FileRequest& request, const std::string& path);
/// The open type `open PATH` takes without "as": by the extension, TIFF when it tells nothing.
int MacroOpenType(const std::string& path);
/// The word that names an open type in `open PATH as WORD`.
std::string MacroOpenTypeWord(int type);

/// "caption: text" with newlines written as "\n".
std::string MessageLine(const std::string& caption, const std::string& text);

}  // namespace orvex::app
