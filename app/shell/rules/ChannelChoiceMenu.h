#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/formats/FrameChannels.h"
#include "xtp/XTPResourceManager.h"

// The question the import of other formats asks before it reads a file of
// several channels into the one-channel frame list: all of them merged, or
// one alone.
namespace korvex::shell {

namespace fmt {
inline constexpr std::uint32_t kStrMergeChannels = 26030;  // "合并全部 %d 个通道导入（共 %lld 帧）"
inline constexpr std::uint32_t kStrOneChannel = 26031;    // "只导入通道 %d（%lld 帧）"
inline constexpr std::uint32_t kStrOneInterface = 26032;  // "只导入通道 %d：%s（%lld 帧）"
}  // namespace fmt

// The pop-up of the choices: merged first, then each channel by number.
XTPMenuItem ChannelChoiceMenu(const std::vector<formats::ChannelCount>& channels);

// The answer for formats::LoadRequest::chooseChannel to the command chosen
// from that pop-up: a channel number, 0 for all merged, none when it was
// dismissed.
std::optional<int> ChosenChannel(std::uint32_t command);

}  // namespace korvex::shell
