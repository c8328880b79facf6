#include "app/shell/LanguageSwitch.h"

#include "app/resources/BuiltInResources.h"
#include "core/KorvexGlobal.h"

namespace korvex::shell {

bool ApplyProgramLanguage(CKorvexGlobal& global, int index) {
    if (index < 0 || index >= static_cast<int>(global.vecLanguage.size())) return false;
    InstallBuiltInResources();
    global.iCurLanguage = index;
    return true;
}

}  // namespace korvex::shell
