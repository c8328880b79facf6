// Feeds arbitrary bytes to the device configuration importer; every entry it
// accepts must carry a bare file name.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/KvsetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) return 0;
    korvex::ImportKvset(file, [](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        if (!korvex::IsSafeEntryName(name) || bytes.size() > korvex::kKvsetMaxUncompressed)
            __builtin_trap();
        return true;
    });
    std::fclose(file);
    return 0;
}
