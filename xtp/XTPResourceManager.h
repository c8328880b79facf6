#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xtp/XtpExport.h"

// One item of a menu resource. An item with popup children is a submenu; an
// item with command id 0 and no children is a separator.
struct XTPMenuItem {
    std::string text;
    std::uint32_t id = 0;
    std::vector<XTPMenuItem> popup;
    // Set by the menu's owner on its copy before tracking it: the item shows
    // a check mark. Resources never set it.
    bool checked = false;
    // A pop-up even without items, as the "Language" menu of an empty list is.
    bool emptyPopup = false;

    bool IsPopup() const { return emptyPopup || !popup.empty(); }
    bool IsSeparator() const { return id == 0 && !IsPopup(); }
};

// A menu resource: the items of its top level (a menu bar or a set of pop-ups).
struct XTPMenu {
    std::vector<XTPMenuItem> items;
};

// One control of a dialog template. Positions are in dialog units; the Qt
// dialogs lay themselves out and use only the caption, looked up by id.
struct XTPDialogControl {
    int id = -1;
    std::string caption;
    std::string className = "STATIC";
    std::uint32_t style = 0x50020000;  // child, visible, group
    std::uint32_t styleEx = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int resource = 0;
};

struct XTPDialogTemplate {
    std::string caption;
    std::uint32_t style = 0;
    std::uint32_t styleEx = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string fontFace = "MS Sans Serif";
    int fontSize = 8;
    std::vector<XTPDialogControl> controls;  // in template order

    // The caption of the first control with this id, or null.
    KORVEX_XTP_API const std::string* ControlCaption(int id) const;
};

// The built-in resources of one module: its string table (UTF-8), its menus
// and its dialog templates, each keyed by resource number.
struct XTPResourceTable {
    std::map<std::uint32_t, std::string> strings;
    std::map<std::uint32_t, XTPMenu> menus;
    std::map<std::uint32_t, XTPDialogTemplate> dialogs;
};

// The resource manager: serves strings, menus and dialog templates by number.
// This base serves the built-in table it was given; a language manager derives
// from it, answers from its own file and falls back to the base.
class KORVEX_XTP_API CXTPResourceManager {
  public:
    CXTPResourceManager();
    explicit CXTPResourceManager(XTPResourceTable builtIn);
    CXTPResourceManager(const CXTPResourceManager&) = delete;
    CXTPResourceManager& operator=(const CXTPResourceManager&) = delete;
    virtual ~CXTPResourceManager();

    // Each returns false, leaving `out` untouched, when the number is unknown.
    virtual bool LoadString(std::uint32_t id, std::string& out);
    virtual bool LoadMenu(std::uint32_t id, XTPMenu& out);
    virtual bool LoadDialogTemplate(std::uint32_t id, XTPDialogTemplate& out);
    // Releases what the manager built or loaded; built-in resources stay served.
    virtual void Close();

    const XTPResourceTable& BuiltIn() const { return builtIn_; }

  private:
    XTPResourceTable builtIn_;
};

// The installed manager, shared by the program and the plug-in through this
// library. Never null: before anything is installed it is an empty manager.
// Installing and asking happen on the user-interface thread only.
KORVEX_XTP_API CXTPResourceManager* XTPResourceManager();

// Replaces the installed manager (the previous one is destroyed). Returns
// false, changing nothing, for a null manager.
KORVEX_XTP_API bool XTPSetResourceManager(std::unique_ptr<CXTPResourceManager> manager);

// The text of string `id` from the installed manager, or empty.
KORVEX_XTP_API std::string XTPLoadString(std::uint32_t id);
