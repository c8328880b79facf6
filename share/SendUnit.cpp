#include <cstring>

#include "share/SettingsTypes.h"

std::string_view tagSendUint::Name() const {
    const void* zero = std::memchr(szname, 0, kNameSize);
    const std::size_t n = zero != nullptr
                              ? static_cast<std::size_t>(static_cast<const char*>(zero) - szname)
                              : kNameSize;
    return {szname, n};
}

void tagSendUint::SetName(std::string_view name) {
    std::size_t n = name.size() < kNameSize - 1 ? name.size() : kNameSize - 1;
    // Never leave half a UTF-8 character: back off over continuation bytes.
    if (n < name.size()) {
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    }
    std::memset(szname, 0, kNameSize);
    std::memcpy(szname, name.data(), n);
}
