#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "share/WinTypes.h"

namespace name_share {

// One language of the language list.
struct LanguageEntry {
    std::int32_t iPrimaryId = 0;  // LANGID primary part
    std::int32_t iSubId = 0;      // LANGID sub-language part
    std::string strLocale;        // C run-time locale name
    std::string strFileName;      // main resource file in language/
    std::string strName;          // text of the language menu item
};

// Message kinds of ShowMessage.
inline constexpr int kMsgInformation = 0;
inline constexpr int kMsgWarning = 1;
inline constexpr int kMsgError = 2;
// The titles of ShowMessage's boxes, by kind.
inline constexpr std::uint32_t kStrInformationTitle = 31010;
inline constexpr std::uint32_t kStrWarningTitle = 31011;
inline constexpr std::uint32_t kStrErrorTitle = 31012;

// The language list and small desktop operations, all done through the
// installed user-interface services and resource manager.
class CGenGlobal {
  public:
    virtual ~CGenGlobal() = default;

    // Loads menu `menuId` from the installed resource manager and tracks its
    // submenu `subMenu` with window as owner. Returns the chosen command id, or
    // 0 when the menu or submenu does not exist or nothing was chosen.
    std::uint32_t PopupMenu(std::uint32_t menuId, int subMenu, CWnd* window);

    // Message box with the caption "Information" (kind 0), "Warning" (1) or
    // "Error" (2); style 0 picks the kind's icon, another style is used as the
    // box type. Any other kind shows nothing and returns 0.
    int ShowMessage(CWnd* window, const std::string& text, int kind, std::uint32_t style);

    // Opens name, relative to ModuleDir(), with the desktop's default application.
    bool OpenFile(const std::string& name);

    // The folder of the program or shared library that holds this code, ending
    // in '/'; empty when it cannot be found.
    static std::string ModuleDir();

    std::vector<LanguageEntry> vecLanguage;
    std::int32_t iCurLanguage = 0;
};

}  // namespace name_share
