#pragma once

#include <cstdint>
#include <string_view>

namespace korvex {

// Numbered texts of the remark column: event codes 225 to 230 take 22000 to
// 22005, every other non-zero code 22006 ("没有错误"). EventText
// (core/FrameRowText.h) gives them in the language read last by
// ReloadEventTexts, the built-in Chinese before the first call; its texts stay
// valid for the program's life and may be asked for from any thread.
inline constexpr std::uint32_t kStrEventFirst = 22000;

// Reads the remarks again from the installed resource manager, after a
// language was applied; a text the manager lacks keeps its built-in word.
void ReloadEventTexts();

// The event code whose remark is `text` (with or without its line feed) in
// the built-in language or any language read so far: 225 to 230, 0xFE for
// the remark of every other code, 0 for a text that is no remark.
std::uint8_t EventCodeOfText(std::string_view text);

}  // namespace korvex
