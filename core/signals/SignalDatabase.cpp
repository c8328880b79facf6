#include "core/signals/SignalDatabase.h"

#include <algorithm>

namespace korvex::signaldb {

const DbcSignal* DbcMessage::FindSignal(const std::string& signalName) const {
    for (const DbcSignal& s : signalList)
        if (s.name == signalName) return &s;
    return nullptr;
}

const DbcMessage* DbcDatabase::FindMessage(std::uint32_t id, bool isExtended) const {
    for (const DbcMessage& m : messages)
        if (m.id == id && m.extended == isExtended) return &m;
    return nullptr;
}

const std::string* ValueText(const ValueTable& table, std::int64_t raw) {
    const auto it =
        std::lower_bound(table.begin(), table.end(), raw,
                         [](const auto& entry, std::int64_t v) { return entry.first < v; });
    if (it == table.end() || it->first != raw) return nullptr;
    return &it->second;
}

}  // namespace korvex::signaldb
