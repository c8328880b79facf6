#include "core/ProgramGlobal.h"

#include "core/SettingsFolder.h"

CKorvexGlobal& ProgramGlobal() {
    static CKorvexGlobal global(korvex::SettingsFolder(),
                                korvex::InstalledLanguageFolder(korvex::ProgramFolder()));
    return global;
}
