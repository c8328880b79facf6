#include "app/shell/rules/ChannelChoiceMenu.h"

#include <string>
#include <utility>

#include "app/common/rules/NumberedFormat.h"

namespace korvex::shell {
namespace {

// The pop-up's own command numbers: the merge, then channel N at kMerge + N.
constexpr std::uint32_t kMerge = 0x10000;

XTPMenuItem Item(std::string text, std::uint32_t id) {
    XTPMenuItem item;
    item.text = std::move(text);
    item.id = id;
    return item;
}

}  // namespace

XTPMenuItem ChannelChoiceMenu(const std::vector<formats::ChannelCount>& channels) {
    XTPMenuItem popup;
    long long total = 0;
    for (const formats::ChannelCount& c : channels) total += c.frames;
    popup.popup.push_back(Item(
        FormatString(fmt::kStrMergeChannels, static_cast<int>(channels.size()), total), kMerge));
    popup.popup.push_back({});  // a separator
    for (const formats::ChannelCount& c : channels) {
        const auto id = kMerge + static_cast<std::uint32_t>(c.number);
        popup.popup.push_back(
            Item(c.name.empty()
                     ? FormatString(fmt::kStrOneChannel, c.number, c.frames)
                     : FormatString(fmt::kStrOneInterface, c.number, c.name.c_str(), c.frames),
                 id));
    }
    return popup;
}

std::optional<int> ChosenChannel(std::uint32_t command) {
    if (command < kMerge) return std::nullopt;
    return static_cast<int>(command - kMerge);
}

}  // namespace korvex::shell
