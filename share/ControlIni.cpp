#include "share/ControlIni.h"

#include <cstdlib>

#include "share/AtomicFile.h"
#include "share/IniFile.h"

namespace name_share {
namespace {

// The file as it stands; a missing or unreadable file reads as empty.
CIniFile Load(const std::string& path) {
    CIniFile ini;
    std::string text;
    if (!path.empty() && ReadWholeFile(path, text)) ini.Parse(text);
    return ini;
}

bool Store(const std::string& path, const std::string& section, const std::string& key,
           const std::string& value) {
    if (path.empty()) return false;
    CIniFile ini = Load(path);
    ini.Set(section, key, value);
    return WriteFileAtomic(path, ini.Text());
}

}  // namespace

std::int32_t CControlIni::ReadInt(const std::string& section, const std::string& key,
                                  std::int32_t def, bool* found) const {
    if (found != nullptr) *found = false;
    const std::optional<std::string> value = Load(iniPath).Get(section, key);
    if (!value || value->empty()) return def;
    // As "%d" reads: blanks, a sign, digits; the first other character ends it.
    const char* begin = value->c_str();
    char* end = nullptr;
    const long long n = std::strtoll(begin, &end, 10);
    if (end == begin) return def;
    if (found != nullptr) *found = true;
    return static_cast<std::int32_t>(n);
}

bool CControlIni::WriteInt(const std::string& section, const std::string& key, std::int32_t value) {
    return Store(iniPath, section, key, std::to_string(value));
}

std::string CControlIni::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
    const std::optional<std::string> value = Load(iniPath).Get(section, key);
    return value ? *value : def;
}

bool CControlIni::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
    return Store(iniPath, section, key, value);
}

bool CControlIni::ReadStruct(const std::string& section, const std::string& key, void* data,
                             std::size_t size) const {
    const std::optional<std::string> value = Load(iniPath).Get(section, key);
    return value && DecodeProfileStruct(*value, data, size);
}

bool CControlIni::WriteStruct(const std::string& section, const std::string& key, const void* data,
                              std::size_t size) {
    return Store(iniPath, section, key, EncodeProfileStruct(data, size));
}

}  // namespace name_share
