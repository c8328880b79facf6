#include "core/formats/FrameChannels.h"

#include <algorithm>

namespace korvex::formats {
namespace {

// can2 before can10: a trailing number compares by its value.
bool NameBefore(const std::string& a, const std::string& b) {
    const auto digitsAt = [](const std::string& s) {
        std::size_t i = s.size();
        while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') --i;
        return i;
    };
    const std::size_t da = digitsAt(a);
    const std::size_t db = digitsAt(b);
    const std::string_view stemA(a.data(), da);
    const std::string_view stemB(b.data(), db);
    if (stemA != stemB) return stemA < stemB;
    const std::string_view numA = std::string_view(a).substr(da);
    const std::string_view numB = std::string_view(b).substr(db);
    if (numA.size() != numB.size()) return numA.size() < numB.size();
    return numA < numB;
}

}  // namespace

void CFrameChannels::AddEntry(std::uint16_t entry) {
    if (entry != 0 && entryOfFrame.empty())
        entryOfFrame.assign(static_cast<std::size_t>(frames), std::uint16_t{0});
    if (!entryOfFrame.empty()) entryOfFrame.push_back(entry);
    ++entries[entry].frames;
    ++frames;
    last = entry;
}

void CFrameChannels::AddNumbered(std::uint16_t number) {
    if (!entries.empty() && entries[last].number == number && entries[last].name.empty()) {
        AddEntry(last);
        return;
    }
    auto [at, added] = byNumber.try_emplace(number, static_cast<std::uint16_t>(entries.size()));
    if (added) entries.push_back({number, {}, 0});
    AddEntry(at->second);
}

bool CFrameChannels::AddNamed(std::string_view name) {
    if (!entries.empty() && entries[last].name == name) {
        AddEntry(last);
        return true;
    }
    auto at = byName.find(name);
    if (at == byName.end()) {
        if (entries.size() >= kMaxChannels) return false;
        at = byName.emplace(std::string(name), static_cast<std::uint16_t>(entries.size())).first;
        entries.push_back({0, std::string(name), 0});
    }
    AddEntry(at->second);
    return true;
}

void CFrameChannels::Seal() {
    if (byName.empty()) return;
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return NameBefore(entries[a].name, entries[b].name);
    });
    for (std::size_t rank = 0; rank < order.size(); ++rank)
        entries[order[rank]].number = static_cast<int>(rank + 1);
}

std::vector<ChannelCount> CFrameChannels::Counts() const {
    std::vector<ChannelCount> counts = entries;
    std::sort(counts.begin(), counts.end(),
              [](const ChannelCount& a, const ChannelCount& b) { return a.number < b.number; });
    return counts;
}

bool CFrameChannels::Has(int number) const {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const ChannelCount& c) { return c.number == number; });
}

int CFrameChannels::NumberOfNamed(std::string_view name) const {
    const auto at = byName.find(name);
    return at == byName.end() ? 0 : entries[at->second].number;
}

void CFrameChannels::KeepOnly(const std::vector<bool>& keep) {
    for (ChannelCount& c : entries) c.frames = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < keep.size(); ++i) {
        if (!keep[i]) continue;
        const std::size_t entry = EntryOf(static_cast<std::int64_t>(i));
        ++entries[entry].frames;
        if (!entryOfFrame.empty()) entryOfFrame[kept] = entryOfFrame[i];
        ++kept;
    }
    if (!entryOfFrame.empty()) entryOfFrame.resize(kept);
    frames = static_cast<long long>(kept);
    // A channel left without frames is no longer one of the file's.
    std::vector<std::uint16_t> renumber(entries.size());
    std::vector<ChannelCount> left;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        renumber[e] = static_cast<std::uint16_t>(left.size());
        if (entries[e].frames > 0) left.push_back(entries[e]);
    }
    for (std::uint16_t& entry : entryOfFrame) entry = renumber[entry];
    entries = std::move(left);
    if (entries.size() <= 1) entryOfFrame.clear();
    byNumber.clear();
    byName.clear();
    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (entries[e].name.empty()) {
            byNumber.emplace(static_cast<std::uint16_t>(entries[e].number),
                             static_cast<std::uint16_t>(e));
        } else {
            byName.emplace(entries[e].name, static_cast<std::uint16_t>(e));
        }
    }
    last = 0;
}

std::vector<std::string> CFrameChannels::InterfaceNames(std::string_view iface) const {
    std::vector<std::string> names;
    std::size_t digits = iface.size();
    while (digits > 0 && iface[digits - 1] >= '0' && iface[digits - 1] <= '9') --digits;
    long long base = 0;
    for (std::size_t i = digits; i < iface.size() && i < digits + 9; ++i)
        base = base * 10 + (iface[i] - '0');
    for (const ChannelCount& c : entries) {
        if (!c.name.empty()) {
            names.push_back(c.name);
        } else if (entries.size() == 1) {
            names.emplace_back(iface);
        } else {
            names.push_back(std::string(iface.substr(0, digits)) +
                            std::to_string(base + c.number - 1));
        }
    }
    return names;
}

}  // namespace korvex::formats
