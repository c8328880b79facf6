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

ConfigWriteOutcome WriteRecorderConfig(std::uint32_t index, const BaseInfo& written,
                                       bool writeFilter, const std::vector<ChannelRange>& ranges,
                                       BaseInfo& base, FilterInfo& filter, bool keepClock) {
    using Status = ConfigWriteOutcome::Status;
    const CDeviceSession device(index);
    if (!device.Opened()) return {};
    if (writeFilter) {
        // The lists live in the library and nothing is sent while they fill.
        LGP_SetReference(LGP_DEVTYPE, index, 0, LGP_REF_CLEAR, nullptr);
        for (std::size_t i = 0; i < ranges.size(); ++i)
            if (!LGP_SetReference(LGP_DEVTYPE, index, ranges[i].channel, LGP_REF_ADD,
                                  &ranges[i].range))
                return {Status::kRangeRefused, i};
    }
    if (!LGP_GetBaseInfo(LGP_DEVTYPE, index, &base)) return {};
    BaseInfo sent = written;
    if (keepClock) {
        sent.bCentury = base.bCentury;
        sent.bYear = base.bYear;
        sent.bMonth = base.bMonth;
        sent.bDay = base.bDay;
        sent.bHour = base.bHour;
        sent.bMinute = base.bMinute;
        sent.bSecond = base.bSecond;
    }
    if (!LGP_SetBaseInfo(LGP_DEVTYPE, index, &sent)) return {};
    base = sent;
    if (writeFilter) {
        if (!LGP_SetFilterInfo(LGP_DEVTYPE, index)) return {};
        LGP_GetFilterInfo(LGP_DEVTYPE, index, &filter);
    }
    return {Status::kDone, 0};
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
