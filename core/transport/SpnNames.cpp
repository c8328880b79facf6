#include "core/transport/SpnNames.h"

#include <charconv>

namespace korvex::transport {

CSpnNames::CSpnNames(const signaldb::CSignalDecoder& decoder) {
    for (const signaldb::CompiledMessage& m : decoder.Messages()) {
        for (const signaldb::DbcSignal& s : m.message->signalList) {
            const auto spn = s.attributes.find("SPN");
            if (spn == s.attributes.end()) continue;
            const std::string& text = spn->second;
            std::uint32_t number = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), number);
            if (error == std::errc() && end == text.data() + text.size() && number != 0)
                names.emplace(number, s.name);
        }
    }
}

std::string CSpnNames::Find(std::uint32_t spn) const {
    const auto found = names.find(spn);
    return found == names.end() ? std::string() : found->second;
}

}  // namespace korvex::transport
