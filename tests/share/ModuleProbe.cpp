// A shared library carrying the settings library, as the plug-in does, so
// that a test can ask where such a library finds itself.
#include <cstring>
#include <string>

#include "share/CANGlobal.h"
#include "share/GenGlobal.h"

extern "C" __attribute__((visibility("default"))) int ShareModuleDir(char* out, int size) {
    const std::string dir = name_share::CGenGlobal::ModuleDir();
    if (size <= 0 || dir.size() >= static_cast<std::size_t>(size)) return 0;
    std::memcpy(out, dir.c_str(), dir.size() + 1);
    return 1;
}

// The settings file a settings object in this library reads and writes.
extern "C" __attribute__((visibility("default"))) int ShareSettingsPath(char* out, int size) {
    const CCANGlobal global;
    const std::string& path = global.settingsPath;
    if (size <= 0 || path.size() >= static_cast<std::size_t>(size)) return 0;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return 1;
}
