#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/frame/CanObj.h"
#include "logport/include/logport.h"

// What the device dialogs and korvex-cli do to a recorder, each action opening
// and closing it. False when the recorder cannot be opened or a command fails.
namespace korvex::device {

using PresetFrames = std::array<_VCI_CAN_OBJ, LGP_PRESET_FRAMES>;

// Read: the base configuration, then the filter record. `base` changes only
// when its read succeeds; `filter` only when both reads succeed.
enum class ConfigReadOutcome { kFailed, kBaseOnly, kDone };
ConfigReadOutcome ReadRecorderConfig(std::uint32_t index, BaseInfo& base, FilterInfo& filter);

// One filter range and the channel whose lists it goes to.
struct ChannelRange {
    std::uint32_t channel = 0;
    FilterRange range{};
};

// Config: every filter range is given its place in the library's filter
// lists first, so that a range the table refuses (start above end, a full
// table) stops the action before anything is written. Then the recorder's
// base configuration is read into `base`, `written` is written and becomes
// `base`, and with `writeFilter` the table is written and read back into
// `filter`.
struct ConfigWriteOutcome {
    enum Status { kDone, kFailed, kRangeRefused } status = kFailed;
    std::size_t refused = 0;  // the first refused entry of the ranges
};
// With `keepClock` the recorder's clock goes back as it reads just before
// the write, so that a configuration that names no clock leaves it alone.
ConfigWriteOutcome WriteRecorderConfig(std::uint32_t index, const BaseInfo& written,
                                       bool writeFilter, const std::vector<ChannelRange>& ranges,
                                       BaseInfo& base, FilterInfo& filter, bool keepClock = false);

// Default: the factory configuration, always on recorder 0.
bool RestoreFactoryConfig();

bool WritePresetFrames(std::uint32_t index, PresetFrames& frames);
// `frames` may be partly changed by a failed read.
bool ReadPresetFrames(std::uint32_t index, PresetFrames& frames);

enum class ClearOutcome { kDone, kCannotOpen, kNotAcknowledged };
ClearOutcome ClearRecorder(std::uint32_t index);

}  // namespace korvex::device
