#pragma once
// The menu commands of the workstation as data: each command's menu path, what
// it runs, and whether it is enabled and checked right now. The Qt workstation
// builds its menus from this table and asks it for greying and check marks;
// macros run commands by their menu paths. One table serves both, so every
// command the workstation shows can be run without it.
#include <functional>
#include <string>
#include <vector>

namespace orvex::app {

struct Command {
    /// Menu texts from the menu bar down, joined by " > ", with their "&"
    /// mnemonics: "File > &Open...", "Basic > Contrast Enhancement > &Linear Stretch".
    std::string path;
    std::function<void()> run;
    /// Null: always enabled.
    std::function<bool()> enabled;
    /// Null: the command carries no check mark.
    std::function<bool()> checked;
    /// The status-bar text shown while the command is highlighted.
    std::string status;
    /// A separator line goes above this command in its menu.
    bool separatorBefore = false;
    /// Offered while a pick waits for the user: the command only changes how
    /// things are shown (bars, window arrangement, help), never picks, opens a
    /// dialog or closes a window. Every other command waits for the pick.
    bool duringPick = false;
};

/// The path without "&" mnemonics and with single blanks around " > ", compared
/// without regard to case: how macros and tests name commands.
std::string NormalisedMenuPath(const std::string& path);

/// The menu texts of a path, "&" kept: {"File", "&Open..."}.
std::vector<std::string> SplitMenuPath(const std::string& path);

/// The menu bar's menus in their order, with their mnemonics: "&File",
/// "&Basic", "&Advanced", "&Acquire", "&Setup", "&Modes", "&Window", "&Help".
const std::vector<std::string>& TopMenus();
/// The place of a path's top menu in TopMenus(); menus not there come last.
int TopMenuRank(const std::string& path);

class CommandTable {
public:
    /// Adds a command after the others of its top menu (the menus keep the
    /// menu bar's order whichever part registers first), or replaces the one
    /// with the same (normalised) path in place.
    void add(Command command);
    /// Removes a command; true when there was one.
    bool remove(const std::string& path);
    void clear() { commands_.clear(); }

    /// Commands in menu order: by top menu, and within one in the order they
    /// were added.
    const std::vector<Command>& all() const { return commands_; }
    /// The command with this path (with or without "&", any case), or null.
    const Command* find(const std::string& path) const;

    /// Enabled: it has a handler, its own test allows it, and no pick is
    /// waiting unless the command may run during one.
    bool isEnabled(const std::string& path) const;
    static bool isEnabled(const Command& command);
    bool isChecked(const std::string& path) const;

    enum class RunResult { Done, Unknown, Disabled };
    /// Runs an enabled command to completion.
    RunResult run(const std::string& path) const;

    /// Called with the command's path (as in the table) and its handler for
    /// every run, in place of the handler; it must run the handler once. The
    /// macro recorder watches the commands this way. Returns the previous one.
    using RunWrapper = std::function<void(const std::string& path, const std::function<void()>& handler)>;
    RunWrapper setRunWrapper(RunWrapper wrapper);

private:
    std::vector<Command> commands_;
    RunWrapper wrapper_;
};

/// The workstation's one command table.
CommandTable& commandTable();

/// Whether an image window is active: commands that work on an image are
/// offered only then.
bool HasActiveImage();

/// Adds a command that works on the active image, greyed without one.
void AddImageCommand(const std::string& path, std::function<void()> run, const std::string& status,
                     bool separatorBefore = false);

}  // namespace orvex::app
