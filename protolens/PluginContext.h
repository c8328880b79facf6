#pragma once

#include <array>

#include "protolens/PluginStrings.h"
#include "protolens/include/MessageWindow.h"
#include "share/CANGlobal.h"

namespace protolens {

// What the plug-in's list side and frame side share: one settings object per
// device index, the message window and the frame words. Nothing of the
// plug-in loads or saves the settings objects, so they keep their initial
// values unless a host of the plug-in's internals changes them.
class CPluginContext {
  public:
    static constexpr int kDeviceCount = 8;

    // The settings object of device index dev; index 0 for one outside 0…7.
    CCANGlobal& Global(int dev) {
        return globals[dev >= 0 && dev < kDeviceCount ? static_cast<std::size_t>(dev) : 0];
    }

    std::array<CCANGlobal, kDeviceCount> globals;
    IMessageWindow* msgWnd = nullptr;  // null: messages go nowhere
    FrameWords words;
};

}  // namespace protolens
