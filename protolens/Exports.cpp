#include <cstring>

#include "protolens/PluginObjects.h"
#include "protolens/include/protolens.h"

using protolens::ControlUI;
using protolens::DataAnaly;

namespace {

constexpr char kModuleName[] = "ProtoLens";

}  // namespace

extern "C" {

PROTOLENS_API void SetControlList(CControlListBase* list) {
    ControlUI().SetControlList(list);
}

PROTOLENS_API CControlListBase* GetControlList() {
    return ControlUI().GetControlList();
}

PROTOLENS_API void OnListMouseMove() {}

PROTOLENS_API void GetListMenuImage() __attribute__((alias("OnListMouseMove")));
PROTOLENS_API void GetOptionDlg() __attribute__((alias("OnListMouseMove")));

PROTOLENS_API void GetListMenu(CMenu** out) {
    ControlUI().GetListMenu(out);
}

PROTOLENS_API void OnListMenu(unsigned int commandId) {
    ControlUI().OnListMenu(commandId);
}

PROTOLENS_API void OnUpdateListMenu(CCmdUI* ui) {
    ControlUI().OnUpdateListMenu(ui);
}

PROTOLENS_API CWnd* GetCustomDataUI() {
    return ControlUI().GetCustomDataUI();
}

PROTOLENS_API void GetName(char* out) {
    ControlUI().GetName(out);
}

PROTOLENS_API void SetMsgHwnd(IMessageWindow* wnd) {
    ControlUI().SetMsgHwnd(wnd);
}

PROTOLENS_API int IOCtl(int code, void* p, int a, int b, int c) {
    return ControlUI().IOCtl(code, p, a, b, c);
}

PROTOLENS_API void ArrangeFrames() {}

PROTOLENS_API int AnalyCANFrame(const _VCI_CAN_OBJ* frame, char*** texts, int* count) {
    return DataAnaly().AnalyCANFrame(frame, texts, count);
}

PROTOLENS_API int AnalyPartofCANFrame(const _VCI_CAN_OBJ* frame, char** text, int column) {
    return DataAnaly().AnalyPartofCANFrame(frame, text, column);
}

PROTOLENS_API int OnReceiveNewCANFrame(const _VCI_CAN_OBJ* frames, int count) {
    return DataAnaly().OnReceiveNewCANFrame(frames, count);
}

PROTOLENS_API int IsCanShow(const _VCI_CAN_OBJ* frame, int mode) {
    return DataAnaly().IsCanShow(frame, mode);
}

PROTOLENS_API int IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) {
    return DataAnaly().IsOBJKeyEqual(key, frame);
}

PROTOLENS_API int AnalyProtocolFrame(const char* const* texts, _VCI_CAN_OBJ* out) {
    return DataAnaly().AnalyProtocolFrame(texts, out);
}

PROTOLENS_API int GetModuleName(char* out) {
    if (out != nullptr) std::memcpy(out, kModuleName, sizeof kModuleName);
    return 0;
}

}  // extern "C"
