#pragma once

#include <span>

#include "protolens/include/MessageWindow.h"
#include "share/ControlListBase.h"
#include "share/WinTypes.h"

class CMenu;
class CCmdUI;
class CControlUIBase;

// One entry of a plug-in's list-menu command table: the command id and what
// the command does.
struct ListMenuCommand {
    unsigned int id;
    void (*onCommand)(CControlUIBase& ui);
};

// The list side of a protocol plug-in. The slot order is the plug-in
// contract; the empty slots keep the places of operations this plug-in
// does not offer.
class CControlUIBase {
  public:
    virtual void Reserved0() = 0;                                    // 0
    virtual void SetControlList(CControlListBase* list) = 0;         // 1
    virtual CControlListBase* GetControlList() = 0;                  // 2
    virtual void OnListMouseMove() = 0;                              // 3
    virtual void GetListMenu(CMenu** out) = 0;                       // 4
    virtual void Reserved5(int, int, int, int, int) = 0;             // 5
    virtual void OnListMenu(unsigned int commandId) = 0;             // 6
    virtual void OnUpdateListMenu(CCmdUI* ui) = 0;                   // 7
    virtual CWnd* GetCustomDataUI() = 0;                             // 8
    virtual void GetName(char* out) = 0;                             // 9
    virtual void SetMsgHwnd(IMessageWindow* wnd) = 0;                // 10
    virtual int IOCtl(int code, void* p, int a, int b, int c) = 0;   // 11
    virtual std::span<const ListMenuCommand> GetCommandTable() = 0;  // 12

  protected:
    ~CControlUIBase() = default;
};
