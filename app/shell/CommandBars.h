#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/shell/rules/CommandTable.h"
#include "share/GenGlobal.h"
#include "xtp/XTPResourceManager.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace korvex::shell {

// The main window's command bars: the menu bar built from a menu resource,
// the "Standard" toolbar and the keyboard shortcuts. There is one QAction per
// command id, shared by the menu, the toolbar and the shortcut, so checking
// or disabling a command shows everywhere. Texts come through the installed
// resource manager and are taken again on every rebuild.
class CCommandBars : public QObject {
    Q_OBJECT

  public:
    // `route` runs a command; `update` tells a command's state before menus open.
    CCommandBars(QMainWindow& window, std::function<void(std::uint32_t)> route,
                 std::function<CommandState(const ShellCommand&)> update);

    // The menu bar from menu `menuId`; with `languages` (menu 129) the
    // "Language" pop-up is appended with item 40000 + index for each entry.
    void BuildMenuBar(std::uint32_t menuId, const std::vector<name_share::LanguageEntry>* languages,
                      int currentLanguage);
    // Toolbar 128 "Standard", 48 × 48 icons, the short names under them.
    void BuildToolbar();
    // Re-reads every action's status tip and toolbar text.
    void RelabelActions();
    // Applies the update rules to every action.
    void UpdateAll();

    // The action of command `id`, made on first use.
    QAction* Action(std::uint32_t id);
    QToolBar* Toolbar() const { return toolbar; }
    QMenu* LanguageMenu() const { return languageMenu; }

  private:
    void AddItems(QMenu& menu, const std::vector<XTPMenuItem>& items);
    void Relabel(std::uint32_t id, QAction& action);

    QMainWindow& window;
    std::function<void(std::uint32_t)> route;
    std::function<CommandState(const ShellCommand&)> update;
    std::map<std::uint32_t, QAction*> actions;
    QToolBar* toolbar = nullptr;
    QMenu* languageMenu = nullptr;
};

// The buttons of toolbar 128 in order; 0 is a separator.
const std::vector<std::uint32_t>& ToolbarButtons();

}  // namespace korvex::shell
