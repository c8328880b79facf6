#include "share/GenGlobal.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace name_share {

std::uint32_t CGenGlobal::PopupMenu(std::uint32_t menuId, int subMenu, CWnd* window) {
    XTPMenu menu;
    if (!XTPResourceManager()->LoadMenu(menuId, menu)) return 0;
    if (subMenu < 0 || static_cast<std::size_t>(subMenu) >= menu.items.size()) return 0;
    const XTPMenuItem& popup = menu.items[static_cast<std::size_t>(subMenu)];
    if (!popup.IsPopup()) return 0;
    return XTPUiServices().TrackPopupMenu(popup, window);
}

int CGenGlobal::ShowMessage(CWnd* window, const std::string& text, int kind, std::uint32_t style) {
    // The title in the program's language; the English word where the
    // installed resources have none (a plug-in on its own).
    const char* fallback = nullptr;
    std::uint32_t captionId = 0;
    std::uint32_t icon = 0;
    switch (kind) {
        case kMsgInformation:
            fallback = "Information";
            captionId = kStrInformationTitle;
            icon = xtp_mb::kIconInformation;
            break;
        case kMsgWarning:
            fallback = "Warning";
            captionId = kStrWarningTitle;
            icon = xtp_mb::kIconQuestion;
            break;
        case kMsgError:
            fallback = "Error";
            captionId = kStrErrorTitle;
            icon = xtp_mb::kIconError;
            break;
        default:
            return 0;
    }
    std::string caption = XTPLoadString(captionId);
    if (caption.empty()) caption = fallback;
    return XTPUiServices().MessageBox(window, text, caption, style != 0 ? style : icon);
}

bool CGenGlobal::OpenFile(const std::string& name) {
    const std::string dir = ModuleDir();
    if (dir.empty()) return false;
    return XTPUiServices().OpenFile(dir + name);
}

std::string CGenGlobal::ModuleDir() {
    Dl_info info{};
    link_map* map = nullptr;
    std::string file;
    if (::dladdr1(reinterpret_cast<void*>(&CGenGlobal::ModuleDir), &info,
                  reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 &&
        map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
        file = map->l_name;
    } else {
        // The main program's link map has no name; ask the kernel instead.
        char buf[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return {};
        file.assign(buf, static_cast<std::size_t>(n));
    }
    char resolved[PATH_MAX];
    if (::realpath(file.c_str(), resolved) != nullptr) file = resolved;
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return {};
    return file.substr(0, slash + 1);
}

}  // namespace name_share
