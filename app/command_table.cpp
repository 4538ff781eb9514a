#include "app/command_table.h"

#include <cctype>
#include <iterator>

#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex::app {

std::vector<std::string> SplitMenuPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t at = path.find(" > ", start);
        std::string part = path.substr(start, at == std::string::npos ? std::string::npos : at - start);
        size_t b = part.find_first_not_of(' ');
        size_t e = part.find_last_not_of(' ');
        parts.push_back(b == std::string::npos ? std::string() : part.substr(b, e - b + 1));
        if (at == std::string::npos) break;
        start = at + 3;
    }
    return parts;
}

std::string NormalisedMenuPath(const std::string& path) {
    std::string out;
    for (const auto& part : SplitMenuPath(path)) {
        if (!out.empty()) out += " > ";
        for (size_t i = 0; i < part.size(); ++i) {
            char c = part[i];
            // "&&" stands for a literal ampersand in a menu text, as does a
            // lone "&" before a blank (how a macro writes it).
            if (c == '&') {
                if (i + 1 < part.size() && part[i + 1] == '&') {
                    out += '&';
                    ++i;
                } else if (i + 1 == part.size() || part[i + 1] == ' ') {
                    out += '&';
                }
                continue;
            }
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

const std::vector<std::string>& TopMenus() {
    static const std::vector<std::string> menus = {"&File",  "&Basic", "&Advanced", "&Acquire",
                                                   "&Setup", "&Modes", "&Window",   "&Help"};
    return menus;
}

int TopMenuRank(const std::string& path) {
    const std::string top = NormalisedMenuPath(SplitMenuPath(path).front());
    const auto& menus = TopMenus();
    for (size_t i = 0; i < menus.size(); ++i)
        if (NormalisedMenuPath(menus[i]) == top) return static_cast<int>(i);
    return static_cast<int>(menus.size());
}

void CommandTable::add(Command command) {
    std::string key = NormalisedMenuPath(command.path);
    for (auto& existing : commands_) {
        if (NormalisedMenuPath(existing.path) == key) {
            existing = std::move(command);
            return;
        }
    }
    // After the last command of the same or an earlier menu.
    const int rank = TopMenuRank(command.path);
    auto at = commands_.end();
    while (at != commands_.begin() && TopMenuRank(std::prev(at)->path) > rank) --at;
    commands_.insert(at, std::move(command));
}

bool CommandTable::remove(const std::string& path) {
    std::string key = NormalisedMenuPath(path);
    for (auto it = commands_.begin(); it != commands_.end(); ++it) {
        if (NormalisedMenuPath(it->path) == key) {
            commands_.erase(it);
            return true;
        }
    }
    return false;
}

const Command* CommandTable::find(const std::string& path) const {
    std::string key = NormalisedMenuPath(path);
    for (const auto& c : commands_)
        if (NormalisedMenuPath(c.path) == key) return &c;
    return nullptr;
}

bool CommandTable::isEnabled(const Command& command) {
    if (!command.run) return false;
    // A pick runs its own event loop: a command started from inside it would
    // start a second pick the first could never return from, or close the
    // window being picked on.
    if (!command.duringPick && platform::ui().pickPending()) return false;
    return !command.enabled || command.enabled();
}

bool CommandTable::isEnabled(const std::string& path) const {
    const Command* c = find(path);
    return c && isEnabled(*c);
}

bool CommandTable::isChecked(const std::string& path) const {
    const Command* c = find(path);
    return c && c->checked && c->checked();
}

CommandTable::RunResult CommandTable::run(const std::string& path) const {
    const Command* c = find(path);
    if (!c) return RunResult::Unknown;
    if (!isEnabled(*c)) return RunResult::Disabled;
    // A copy: the handler may change the table (commands that appear with their Parts).
    auto handler = c->run;
    if (wrapper_) {
        auto wrapper = wrapper_;  // the command may replace the wrapper
        const std::string fullPath = c->path;
        wrapper(fullPath, handler ? handler : std::function<void()>([] {}));
    } else if (handler) {
        handler();
    }
    return RunResult::Done;
}

CommandTable::RunWrapper CommandTable::setRunWrapper(RunWrapper wrapper) {
    RunWrapper previous = std::move(wrapper_);
    wrapper_ = std::move(wrapper);
    return previous;
}

CommandTable& commandTable() {
    static CommandTable table;
    return table;
}

bool HasActiveImage() { return LiveView(ActiveImageWindow()) != nullptr; }

void AddImageCommand(const std::string& path, std::function<void()> run, const std::string& status,
                     bool separatorBefore) {
    Command c;
    c.path = path;
    c.run = std::move(run);
    c.status = status;
    c.enabled = HasActiveImage;
    c.separatorBefore = separatorBefore;
    commandTable().add(std::move(c));
}

}  // namespace orvex::app
