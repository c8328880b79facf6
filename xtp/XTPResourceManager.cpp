#include "xtp/XTPResourceManager.h"

#include <utility>

namespace {

std::unique_ptr<CXTPResourceManager>& Installed() {
    static std::unique_ptr<CXTPResourceManager> installed = std::make_unique<CXTPResourceManager>();
    return installed;
}

}  // namespace

const std::string* XTPDialogTemplate::ControlCaption(int id) const {
    for (const XTPDialogControl& control : controls) {
        if (control.id == id) return &control.caption;
    }
    return nullptr;
}

CXTPResourceManager::CXTPResourceManager() = default;

CXTPResourceManager::CXTPResourceManager(XTPResourceTable builtIn) : builtIn_(std::move(builtIn)) {}

CXTPResourceManager::~CXTPResourceManager() = default;

bool CXTPResourceManager::LoadString(std::uint32_t id, std::string& out) {
    const auto it = builtIn_.strings.find(id);
    if (it == builtIn_.strings.end()) return false;
    out = it->second;
    return true;
}

bool CXTPResourceManager::LoadMenu(std::uint32_t id, XTPMenu& out) {
    const auto it = builtIn_.menus.find(id);
    if (it == builtIn_.menus.end()) return false;
    out = it->second;
    return true;
}

bool CXTPResourceManager::LoadDialogTemplate(std::uint32_t id, XTPDialogTemplate& out) {
    const auto it = builtIn_.dialogs.find(id);
    if (it == builtIn_.dialogs.end()) return false;
    out = it->second;
    return true;
}

void CXTPResourceManager::Close() {}

CXTPResourceManager* XTPResourceManager() {
    return Installed().get();
}

bool XTPSetResourceManager(std::unique_ptr<CXTPResourceManager> manager) {
    if (!manager) return false;
    Installed() = std::move(manager);
    return true;
}

std::string XTPLoadString(std::uint32_t id) {
    std::string text;
    if (!XTPResourceManager()->LoadString(id, text)) text.clear();
    return text;
}
