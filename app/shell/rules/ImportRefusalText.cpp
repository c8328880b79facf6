#include "app/shell/rules/ImportRefusalText.h"

#include <cstring>

#include "app/common/rules/NumberedFormat.h"
#include "core/formats/ChannelChoice.h"
#include "core/formats/DataFormatTable.h"

namespace korvex::shell {
namespace {

constexpr std::uint32_t kStrCannotOpen = 31020;        // path, reason
constexpr std::uint32_t kStrNotDataFile = 31021;       // path
constexpr std::uint32_t kStrClockListDamaged = 31022;  // path
constexpr std::uint32_t kStrNoFrames = 31023;          // path
constexpr std::uint32_t kStrStoppedAtLine = 31024;     // path, line
constexpr std::uint32_t kStrSpansAtLine = 31025;       // path, line
constexpr std::uint32_t kStrSpansAtOffset = 31026;     // path, offset
constexpr std::uint32_t kStrTooManyFrames = 31027;     // path
constexpr std::uint32_t kStrCannotRead = 31028;        // path, reason
constexpr std::uint32_t kStrUnknownFormat = 31029;     // path, the formats read
constexpr std::uint32_t kStrDamagedAtOffset = 31030;   // path, offset, what was found
constexpr std::uint32_t kStrHoldsNoFrames = 31031;     // path
constexpr std::uint32_t kStrNoSuchChannel = 31032;     // path, channel, the file's channels
constexpr std::uint32_t kStrNoChannelChosen = 31033;   // path
constexpr std::uint32_t kStrNotCanCapture = 31034;     // path, the capture's link type

}  // namespace

std::string ImportRefusalText(const formats::ReadResult& result,
                              const std::filesystem::path& path) {
    const char* reason = std::strerror(result.error);
    const std::string name = path.string();
    const char* file = name.c_str();
    switch (result.status) {
        case formats::ReadStatus::kCannotOpen:
            return FormatString(kStrCannotOpen, file, reason);
        case formats::ReadStatus::kNotDataFile:
            return FormatString(kStrNotDataFile, file);
        case formats::ReadStatus::kDamaged:
            return FormatString(kStrClockListDamaged, file);
        case formats::ReadStatus::kNoFrames:
            return FormatString(kStrNoFrames, file);
        case formats::ReadStatus::kStrictStop:
            return FormatString(kStrStoppedAtLine, file, result.line);
        case formats::ReadStatus::kTooManySpans:
            if (result.damageOffset >= 0)
                return FormatString(kStrSpansAtOffset, file, result.damageOffset);
            return FormatString(kStrSpansAtLine, file, result.line);
        case formats::ReadStatus::kTooManyFrames:
            return FormatString(kStrTooManyFrames, file);
        case formats::ReadStatus::kReadError:
            return FormatString(kStrCannotRead, file, reason);
        case formats::ReadStatus::kUnknownFormat:
            return FormatString(kStrUnknownFormat, file, formats::ReadableFormatNames().c_str());
        case formats::ReadStatus::kDamagedAt:
            return FormatString(kStrDamagedAtOffset, file, result.damageOffset,
                                result.damage.c_str());
        case formats::ReadStatus::kHoldsNoFrames:
            return FormatString(kStrHoldsNoFrames, file);
        case formats::ReadStatus::kNoSuchChannel:
            if (result.channels.empty()) break;
            return FormatString(kStrNoSuchChannel, file, result.channel,
                                formats::ChannelListText(result.channels).c_str());
        case formats::ReadStatus::kNotImported:
            return FormatString(kStrNoChannelChosen, file);
        case formats::ReadStatus::kNotCanCapture:
            return FormatString(kStrNotCanCapture, file, result.damage.c_str());
        default:
            break;
    }
    return formats::ReadResultText(result, path);
}

}  // namespace korvex::shell
