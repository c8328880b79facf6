// Feeds arbitrary recorder replies to every Logport operation: the virtual
// recorder answers each read with the next bytes of the input. Nothing may
// crash or read out of bounds, and returned arrays are released.

#include <cstddef>
#include <cstdint>

#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"

namespace {

constexpr std::uint32_t kType = 21;

void Release(_VCI_CAN_OBJ* frames) {
    delete[] frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (PipeUsbSim_Configure("empty") != 1) return 0;
    PipeUsbSim_SetReplyScript(data, static_cast<std::uint32_t>(size));
    if (LGP_OpenDevice(kType, 0, 0) != 1) return 0;

    std::uint32_t count = 0;
    Release(LGP_LoadFrame(kType, 0, &count));
    std::uint8_t clocks = 0;
    Release(LGP_GetOrigTimeList(kType, 0, &clocks));

    BaseInfo base{};
    LGP_GetBaseInfo(kType, 0, &base);
    LGP_SetBaseInfo(kType, 0, &base);
    FilterInfo filter{};
    LGP_GetFilterInfo(kType, 0, &filter);
    const FilterRange range{static_cast<std::uint32_t>(size & 1), 0x100,
                            0x100 + static_cast<std::uint32_t>(size % 64)};
    LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &range);
    LGP_SetFilterInfo(kType, 0);
    _VCI_CAN_OBJ presets[LGP_PRESET_FRAMES]{};
    LGP_GetPreFrame(kType, 0, presets, LGP_PRESET_FRAMES);
    LGP_SetPreFrame(kType, 0, presets, LGP_PRESET_FRAMES);
    LGP_ClearFrame(kType, 0);
    LGP_SetDefaultCfg(kType, 0);

    LGP_CloseDevice(kType, 0);
    PipeUsbSim_SetReplyScript(nullptr, 0);
    return 0;
}
