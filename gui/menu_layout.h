#pragma once
// Where each command of the command table goes in the menu bar: the order of
// the menus and of the entries in each, as the workstation shows them. Paths
// are split and compared by the command table's own functions
// (app::SplitMenuPath, app::NormalisedMenuPath), so a ">" inside a menu text
// ("Normalize(16->8)") never opens a submenu.
#include <string>
#include <vector>

namespace orvex::gui {

/// The position of a command in the menus (smaller first); commands the
/// layout does not know go after the known ones of their menu, in table order.
int menuRank(const std::string& path);

/// The top-level menus in menu-bar order.
const std::vector<std::string>& topMenus();

}  // namespace orvex::gui
