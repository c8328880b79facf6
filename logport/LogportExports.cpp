// The sixteen exported functions. Each one turns its pointers into checked
// references, runs the operation and converts every outcome, an allocation
// failure included, into its 1/0 or null result: nothing is thrown across
// the C interface.

#include <new>

#include "logport/ConfigCommands.h"
#include "logport/LogportApp.h"
#include "logport/Upload.h"
#include "logport/include/logport.h"

namespace {

using logport::TheApp;

template <typename Operation>
std::uint32_t Guarded(Operation&& operation) {
    try {
        return operation() ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace

extern "C" {

std::uint32_t LGP_OpenDevice(std::uint32_t devType, std::uint32_t devIndex, std::uint32_t) {
    return TheApp().OpenDevice(devType, devIndex) ? 1 : 0;
}

std::uint32_t LGP_CloseDevice(std::uint32_t devType, std::uint32_t devIndex) {
    return TheApp().CloseDevice(devType, devIndex) ? 1 : 0;
}

std::uint32_t LGP_SetReference(std::uint32_t devType, std::uint32_t devIndex, std::uint32_t channel,
                               std::uint32_t operation, const FilterRange* range) {
    return Guarded([&] {
        if (channel >= logport::kFilterChannels ||
            !logport::CLogportApp::IsKnownDevice(devType, devIndex))
            return false;
        logport::CFilterLists& lists = TheApp().FilterLists();
        switch (operation) {
            case LGP_REF_ADD:
                return range != nullptr && lists.Add(channel, *range);
            case LGP_REF_CLEAR:
                // Clearing needs no range.
                lists.Clear();
                return true;
            default:
                return false;
        }
    });
}

std::uint32_t LGP_SetFilterInfo(std::uint32_t, std::uint32_t) {
    return Guarded([] { return logport::SetFilterInfo(TheApp().Pipes(), TheApp().FilterLists()); });
}

std::uint32_t LGP_GetFilterInfo(std::uint32_t, std::uint32_t, FilterInfo* info) {
    return Guarded(
        [&] { return info != nullptr && logport::GetFilterInfo(TheApp().Pipes(), *info); });
}

std::uint32_t LGP_SetBaseInfo(std::uint32_t, std::uint32_t, const BaseInfo* info) {
    return Guarded(
        [&] { return info != nullptr && logport::SetBaseInfo(TheApp().Pipes(), *info); });
}

std::uint32_t LGP_GetBaseInfo(std::uint32_t, std::uint32_t, BaseInfo* info) {
    return Guarded(
        [&] { return info != nullptr && logport::GetBaseInfo(TheApp().Pipes(), *info); });
}

std::uint32_t LGP_SetPreFrame(std::uint32_t, std::uint32_t, _VCI_CAN_OBJ* frames,
                              std::uint32_t count) {
    return Guarded([&] {
        return frames != nullptr && count >= LGP_PRESET_FRAMES &&
               logport::SetPreFrames(TheApp().Pipes(), frames);
    });
}

std::uint32_t LGP_GetPreFrame(std::uint32_t, std::uint32_t, _VCI_CAN_OBJ* frames,
                              std::uint32_t count) {
    return Guarded([&] {
        return frames != nullptr && count >= LGP_PRESET_FRAMES &&
               logport::GetPreFrames(TheApp().Pipes(), frames);
    });
}

std::uint32_t LGP_ClearFrame(std::uint32_t, std::uint32_t) {
    return Guarded([] { return logport::ClearFrames(TheApp().Pipes()); });
}

std::uint32_t LGP_SetDefaultCfg(std::uint32_t, std::uint32_t) {
    return Guarded([] { return logport::SetFactoryDefault(TheApp().Pipes()); });
}

_VCI_CAN_OBJ* LGP_LoadFrame(std::uint32_t, std::uint32_t, std::uint32_t* count) {
    // Without a count the caller could not know the array's size.
    if (count == nullptr) return nullptr;
    logport::UploadCounters& counters = TheApp().Counters();
    try {
        std::uint32_t n = 0;
        auto frames = logport::LoadFrames(TheApp().Pipes(), counters, n);
        if (!frames) return nullptr;
        *count = n;
        return frames.release();
    } catch (const std::bad_alloc&) {
        // Treated like a failed block: no array, the cancel flag cleared.
        counters.bCancel.store(false);
        return nullptr;
    }
}

_VCI_CAN_OBJ* LGP_GetOrigTimeList(std::uint32_t, std::uint32_t, std::uint8_t* count) {
    if (count == nullptr) return nullptr;
    try {
        std::uint8_t n = 0;
        auto frames = logport::LoadClockList(TheApp().Pipes(), n);
        if (!frames) return nullptr;
        *count = n;
        return frames.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::uint32_t LGP_GetCurLoadCount(void) {
    return TheApp().Counters().dwLoaded.load();
}

std::uint32_t LGP_GetAllLoadCount(void) {
    return TheApp().Counters().dwTotal.load();
}

void LGP_CancelLoad(void) {
    TheApp().Counters().bCancel.store(true);
}

}  // extern "C"
