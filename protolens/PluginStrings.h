#pragma once

#include <cstdint>
#include <string>

namespace protolens {

// Column captions.
inline constexpr std::uint32_t kStrIndex = 5001;
inline constexpr std::uint32_t kStrTime = 5003;
inline constexpr std::uint32_t kStrFrameId = 5004;
inline constexpr std::uint32_t kStrFormat = 5005;
inline constexpr std::uint32_t kStrType = 5006;
inline constexpr std::uint32_t kStrDlc = 5007;
inline constexpr std::uint32_t kStrData = 5008;
inline constexpr std::uint32_t kStrAlias = 5009;
inline constexpr std::uint32_t kStrRemark = 5011;
// Frame words.
inline constexpr std::uint32_t kStrStandardFrame = 5021;
inline constexpr std::uint32_t kStrExtendedFrame = 5022;
inline constexpr std::uint32_t kStrDataFrame = 5023;
inline constexpr std::uint32_t kStrRemoteFrame = 5024;

// String id of the installed resource manager (the language the host loaded
// for the plug-in) when it has one, else of the plug-in's own Chinese table,
// else empty.
std::string LoadPluginString(std::uint32_t id);

// The four words that name a frame's format and type. They stay empty until
// the host announces its language (IOCtl 15) and are re-read each time.
struct FrameWords {
    std::string standard;
    std::string extended;
    std::string data;
    std::string remote;

    void Reload();
};

}  // namespace protolens
