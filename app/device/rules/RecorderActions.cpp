#include "app/device/rules/RecorderActions.h"

#include "app/device/rules/DeviceSession.h"

namespace korvex::device {

ConfigReadOutcome ReadRecorderConfig(std::uint32_t index, BaseInfo& base, FilterInfo& filter) {
    const CDeviceSession device(index);
    if (!device.Opened() || !LGP_GetBaseInfo(LGP_DEVTYPE, index, &base))
        return ConfigReadOutcome::kFailed;
    FilterInfo read{};
    if (!LGP_GetFilterInfo(LGP_DEVTYPE, index, &read)) return ConfigReadOutcome::kBaseOnly;
    filter = read;
    return ConfigReadOutcome::kDone;
}

bool WriteRecorderConfig(std::uint32_t index, const BaseInfo& written, bool writeFilter,
                         const std::vector<FilterRange>& ranges, BaseInfo& base,
                         FilterInfo& filter) {
    const CDeviceSession device(index);
    if (!device.Opened() || !LGP_GetBaseInfo(LGP_DEVTYPE, index, &base)) return false;
    if (!LGP_SetBaseInfo(LGP_DEVTYPE, index, &written)) return false;
    base = written;
    if (!writeFilter) return true;
    constexpr std::uint32_t kChannel = 0;
    LGP_SetReference(LGP_DEVTYPE, index, kChannel, LGP_REF_CLEAR, nullptr);
    for (const FilterRange& range : ranges)
        if (!LGP_SetReference(LGP_DEVTYPE, index, kChannel, LGP_REF_ADD, &range)) return false;
    if (!LGP_SetFilterInfo(LGP_DEVTYPE, index)) return false;
    LGP_GetFilterInfo(LGP_DEVTYPE, index, &filter);
    return true;
}

bool RestoreFactoryConfig() {
    constexpr std::uint32_t kFirstRecorder = 0;
    const CDeviceSession device(kFirstRecorder);
    return device.Opened() && LGP_SetDefaultCfg(LGP_DEVTYPE, kFirstRecorder) != 0;
}

bool WritePresetFrames(std::uint32_t index, PresetFrames& frames) {
    const CDeviceSession device(index);
    return device.Opened() &&
           LGP_SetPreFrame(LGP_DEVTYPE, index, frames.data(), LGP_PRESET_FRAMES) != 0;
}

bool ReadPresetFrames(std::uint32_t index, PresetFrames& frames) {
    const CDeviceSession device(index);
    return device.Opened() &&
           LGP_GetPreFrame(LGP_DEVTYPE, index, frames.data(), LGP_PRESET_FRAMES) != 0;
}

ClearOutcome ClearRecorder(std::uint32_t index) {
    const CDeviceSession device(index);
    if (!device.Opened()) return ClearOutcome::kCannotOpen;
    return LGP_ClearFrame(LGP_DEVTYPE, index) ? ClearOutcome::kDone
                                              : ClearOutcome::kNotAcknowledged;
}

}  // namespace korvex::device
