#pragma once

#include <cstdint>
#include <string>

#include "core/frame/CanObj.h"
#include "share/ObjKey.h"

namespace name_share {

// 1 when frame matches key, else 0. A kind-7 range is clamped to the eight
// data bytes (bEnd at most 8, bStart at most bEnd) whatever the key holds.
int IsOBJKeyEqual(const OBJKEY& key, const _VCI_CAN_OBJ& frame);

// Caption string numbers that KeyToText hands out.
inline constexpr std::uint32_t kCaptionFrameId = 61493;
inline constexpr std::uint32_t kCaptionFrameFormat = 61494;
inline constexpr std::uint32_t kCaptionFrameType = 61495;
inline constexpr std::uint32_t kCaptionDataLength = 61496;
inline constexpr std::uint32_t kCaptionDataHex = 61497;
inline constexpr std::uint32_t kWordDataFrame = 61502;
inline constexpr std::uint32_t kWordRemoteFrame = 61503;
inline constexpr std::uint32_t kWordStandardFrame = 50289;
inline constexpr std::uint32_t kWordExtendedFrame = 50288;

// The readable form of a key for the alias window: its value text and the
// string number of the caption of the property it tests (0 and an empty text
// for an unknown kind). Words come from the installed resource manager.
void KeyToText(const OBJKEY& key, std::string& text, std::uint32_t& caption, bool plain,
               bool negate);

}  // namespace name_share
