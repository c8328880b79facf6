#pragma once

#include <array>
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

// Config: the recorder's base configuration is read into `base` first, then
// `written` is written and becomes `base`. With `writeFilter`, the filter
// lists are rebuilt from `ranges` (channel 0) and written, and the filter is
// read back into `filter`. A range the library refuses (a full table) fails
// the action before the filter is written.
bool WriteRecorderConfig(std::uint32_t index, const BaseInfo& written, bool writeFilter,
                         const std::vector<FilterRange>& ranges, BaseInfo& base,
                         FilterInfo& filter);

// Default: the factory configuration, always on recorder 0.
bool RestoreFactoryConfig();

bool WritePresetFrames(std::uint32_t index, PresetFrames& frames);
// `frames` may be partly changed by a failed read.
bool ReadPresetFrames(std::uint32_t index, PresetFrames& frames);

enum class ClearOutcome { kDone, kCannotOpen, kNotAcknowledged };
ClearOutcome ClearRecorder(std::uint32_t index);

}  // namespace korvex::device
