#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "protolens/PluginObjects.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPResourceManager.h"

namespace protolens::test {

// Runs each test on a fresh channel 0 of device 0 with the built-in strings
// and the frame words loaded, as a host does at start.
class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        XTPSetResourceManager(std::make_unique<CXTPResourceManager>());
        ResetPlugin();
        IOCtl(kIoLanguage, &language_, 4, 0, 0);
    }
    void TearDown() override {
        ResetPlugin();
        XTPSetResourceManager(std::make_unique<CXTPResourceManager>());
    }

    static void ResetPlugin() {
        SetControlList(nullptr);
        SetMsgHwnd(nullptr);
        CCANGlobal& g = Context().globals[0];
        g.Block(0) = ChannelBlock{};
        g.bTriggerFired = 0;
    }

    // The settings the plug-in works on (device 0, channel 0).
    static ChannelBlock& Channel() { return Context().globals[0].Block(0); }
    static void SetShowType(std::uint8_t type) { Channel().display.bShowType = type; }

    // Serves `strings` (id → text) from the installed resource manager.
    static void InstallStrings(std::map<std::uint32_t, std::string> strings) {
        XTPResourceTable table;
        table.strings = std::move(strings);
        XTPSetResourceManager(std::make_unique<CXTPResourceManager>(std::move(table)));
    }

    std::int32_t language_ = 0;
};

inline OBJKEY IdKey(std::uint32_t mask, std::uint32_t id) {
    OBJKEY k;
    k.icolInd = kKeyIdentifier;
    k.dwMask = mask;
    k.dwData = id;
    return k;
}

inline OBJKEY FieldKey(int kind, std::uint32_t value) {
    OBJKEY k;
    k.icolInd = kind;
    k.dwData = value;
    return k;
}

inline _VCI_CAN_OBJ Frame(std::uint32_t id, std::vector<std::uint8_t> data, bool remote = false,
                          bool extended = false) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.RemoteFlag = remote ? 1 : 0;
    f.ExternFlag = extended ? 1 : 0;
    f.DataLen = static_cast<std::uint8_t>(data.size());
    for (std::size_t i = 0; i < data.size() && i < 8; ++i) f.Data[i] = data[i];
    return f;
}

}  // namespace protolens::test
