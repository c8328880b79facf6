#pragma once

#include "protolens/ControlUIBase.h"
#include "protolens/PluginContext.h"
#include "share/CommonProp.h"
#include "share/SettingsTypes.h"

namespace protolens {

// I/O control codes the host sends.
inline constexpr int kIoSetTriggerFlag = 6;
inline constexpr int kIoLanguage = 15;
inline constexpr int kIoFrameToSendList = 17;

// The plug-in's list side: builds the frame list's columns and colours and
// answers the host's I/O controls.
class CCANControlUI : public CControlUIBase, public CCommonProp {
  public:
    explicit CCANControlUI(CPluginContext& context) : context_(context) {}

    void Reserved0() override {}
    // Keeps list, inserts the nine columns (no check for columns already
    // there) and applies the current channel's colours.
    void SetControlList(CControlListBase* list) override;
    CControlListBase* GetControlList() override { return list_; }
    void OnListMouseMove() override {}
    void GetListMenu(CMenu** out) override;
    void Reserved5(int, int, int, int, int) override {}
    void OnListMenu(unsigned int commandId) override;
    // No list-menu items of its own, so nothing to enable or check.
    void OnUpdateListMenu(CCmdUI*) override {}
    CWnd* GetCustomDataUI() override { return nullptr; }
    void GetName(char* out) override;
    void SetMsgHwnd(IMessageWindow* wnd) override { context_.msgWnd = wnd; }
    int IOCtl(int code, void* p, int a, int b, int c) override;
    std::span<const ListMenuCommand> GetCommandTable() override;

    // The send entry that a frame handed over by IOCtl 17 becomes: its
    // identifier, flags, length and data, sent once.
    static tagSendUint SendEntryFromFrame(const _VCI_CAN_OBJ& frame);

  private:
    // Language changed: re-caption the kept list and re-read the frame words.
    void OnLanguage();

    CPluginContext& context_;
    CControlListBase* list_ = nullptr;
};

}  // namespace protolens
