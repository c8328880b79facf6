#pragma once

// The twenty functions the ProtoLens plug-in exports. The plug-in defines the
// frame list's columns and turns frames into column text; none of them reports
// an error.

#include <cstdint>

#include "core/frame/CanObj.h"
#include "protolens/include/MessageWindow.h"
#include "share/ControlListBase.h"
#include "share/ObjKey.h"
#include "share/WinTypes.h"

class CMenu;
class CCmdUI;

#define PROTOLENS_API __attribute__((visibility("default")))

extern "C" {

// Keeps list, inserts the nine columns and applies the colours.
PROTOLENS_API void SetControlList(CControlListBase* list);
// The list kept by SetControlList, or null.
PROTOLENS_API CControlListBase* GetControlList();
// OnListMouseMove, GetListMenuImage and GetOptionDlg are one empty function.
PROTOLENS_API void OnListMouseMove();
PROTOLENS_API void GetListMenuImage();
PROTOLENS_API void GetOptionDlg();
// Writes null: the plug-in has no list menu.
PROTOLENS_API void GetListMenu(CMenu** out);
PROTOLENS_API void OnListMenu(unsigned int commandId);
PROTOLENS_API void OnUpdateListMenu(CCmdUI* ui);
// Always null.
PROTOLENS_API CWnd* GetCustomDataUI();
// Writes "-CAN-" and its zero (six bytes).
PROTOLENS_API void GetName(char* out);
// Keeps wnd as the window that trigger messages go to (null: none).
PROTOLENS_API void SetMsgHwnd(IMessageWindow* wnd);
// 6 set the trigger-fired flag from the byte at p; 15 language changed;
// 17 frame to send list (a = 24); anything else nothing. Always 0.
PROTOLENS_API int IOCtl(int code, void* p, int a, int b, int c);
PROTOLENS_API void ArrangeFrames();
// Five texts of a frame (identifier, format, type, length, data) in six
// static 80-byte buffers that stay valid until the next call. Returns 1.
PROTOLENS_API int AnalyCANFrame(const _VCI_CAN_OBJ* frame, char*** texts, int* count);
// Text of protocol column 3 to 7 of a frame, always hexadecimal, in a static
// 80-byte buffer; another column leaves the buffer as it was. Returns 1.
PROTOLENS_API int AnalyPartofCANFrame(const _VCI_CAN_OBJ* frame, char** text, int column);
// Fires the current channel's triggers for each frame. Returns 1.
PROTOLENS_API int OnReceiveNewCANFrame(const _VCI_CAN_OBJ* frames, int count);
// The show decision of the current channel's filter; mode 1 marks a frame
// that the host transmitted.
PROTOLENS_API int IsCanShow(const _VCI_CAN_OBJ* frame, int mode);
// 1 when frame matches key, else 0.
PROTOLENS_API int IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame);
// The reverse of AnalyCANFrame: texts holds five zero-terminated texts in the
// same order (a null text reads as empty). Returns 1.
PROTOLENS_API int AnalyProtocolFrame(const char* const* texts, _VCI_CAN_OBJ* out);
// Writes "ProtoLens" and its zero (ten bytes); returns 0.
PROTOLENS_API int GetModuleName(char* out);

}  // extern "C"
