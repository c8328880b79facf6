// Feeds arbitrary bytes to the language list reader as language/config.ini.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/LanguageList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path =
        "/tmp/korvex-language-fuzz-" + std::to_string(getpid()) + ".ini";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::vector<name_share::LanguageEntry> list;
    std::int32_t current = 0;
    korvex::LoadLanguageList(path, list, current);
    if (list.size() > 256) __builtin_trap();
    for (const name_share::LanguageEntry& e : list) {
        if (e.strLocale.size() + e.strFileName.size() + e.strName.size() > 100) __builtin_trap();
    }
    return 0;
}
