#pragma once

#include <cstddef>

#include "protolens/DataAnalyBase.h"
#include "protolens/PluginContext.h"
#include "share/CommonProp.h"

namespace protolens {

// The plug-in's frame side: protocol texts of a frame, key matching, the show
// filter, triggers and frames from texts, all on the current device and
// channel's settings. The texts it hands out live in buffers of the calling
// thread, valid until that thread's next call, so that passes over many
// frames may ask for texts on every core at once.
class CCANDataAnaly : public CDataAnalyBase, public CCommonProp {
  public:
    static constexpr std::size_t kTextCount = 6;    // buffers handed out
    static constexpr std::size_t kFilledTexts = 5;  // identifier, format, type, length, data
    static constexpr std::size_t kTextSize = 80;    // bytes per buffer, zero included

    explicit CCANDataAnaly(CPluginContext& context);

    void Reserved0(int, int, int, int) override {}
    int AnalyCANFrame(const _VCI_CAN_OBJ* frame, char*** texts, int* count) override;
    int AnalyPartofCANFrame(const _VCI_CAN_OBJ* frame, char** text, int column) override;
    int OnReceiveNewCANFrame(const _VCI_CAN_OBJ* frames, int count) override;
    int IsCanShow(const _VCI_CAN_OBJ* frame, int mode) override;
    int IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) override;
    int AnalyProtocolFrame(const char* const* texts, _VCI_CAN_OBJ* out) override;
    std::uint8_t TriggerFlag(bool set, std::uint8_t value) override;

  private:
    CCANGlobal& Global() { return context_.Global(iDevInd); }
    ChannelBlock& Channel() { return Global().Block(iCANInd); }
    // The frame matches key and every extra key.
    bool MatchesAll(const OBJKEY& key, const std::vector<OBJKEY>& extraKeys,
                    const _VCI_CAN_OBJ& frame);
    void PostToHost(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);

    CPluginContext& context_;
};

}  // namespace protolens
