#pragma once
// Where each command of the command table goes in the menu bar: the order of
// the menus and of the entries in each, as the workstation shows them.
#include <string>
#include <vector>

namespace orvex::gui {

/// A menu path reduced for comparison: no "&", single blanks around ">", lower case.
std::string menuKey(const std::string& path);

/// The position of a command in the menus (smaller first); commands the
/// layout does not know go after the known ones of their menu, in table order.
int menuRank(const std::string& path);

/// The top-level menus in menu-bar order.
const std::vector<std::string>& topMenus();

/// The menu texts of a path, "&" kept: {"File", "&Open..."}.
std::vector<std::string> splitPath(const std::string& path);

}  // namespace orvex::gui
