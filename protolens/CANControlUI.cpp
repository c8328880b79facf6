#include "protolens/CANControlUI.h"

#include <array>
#include <cstring>

namespace protolens {
namespace {

struct ListColumn {
    std::uint32_t caption;  // string number
    int width;              // pixels
};

// The frame list's columns in list order; a column's index is its position.
constexpr std::array<ListColumn, kColumnCount> kColumns{{
    {kStrIndex, 60},
    {kStrTime, 120},
    {kStrAlias, 100},
    {kStrFrameId, 100},
    {kStrFormat, 60},
    {kStrType, 60},
    {kStrDlc, 50},
    {kStrData, 180},
    {kStrRemark, 130},
}};

// This plug-in offers no list-menu commands.
constexpr std::array<ListMenuCommand, 0> kCommands{};

constexpr char kName[] = "-CAN-";

}  // namespace

void CCANControlUI::SetControlList(CControlListBase* list) {
    list_ = list;
    if (list_ == nullptr) return;
    for (int i = 0; i < kColumnCount; ++i) {
        const ListColumn& col = kColumns[static_cast<std::size_t>(i)];
        list_->InsertColumn(i, LoadPluginString(col.caption).c_str(), col.width, 0);
    }
    context_.Global(iDevInd).ApplyColors(list_, iCANInd);
}

void CCANControlUI::GetListMenu(CMenu** out) {
    if (out != nullptr) *out = nullptr;
}

void CCANControlUI::OnListMenu(unsigned int commandId) {
    for (const ListMenuCommand& cmd : GetCommandTable()) {
        if (cmd.id == commandId && cmd.onCommand != nullptr) {
            cmd.onCommand(*this);
            return;
        }
    }
}

void CCANControlUI::GetName(char* out) {
    if (out != nullptr) std::memcpy(out, kName, sizeof kName);
}

std::span<const ListMenuCommand> CCANControlUI::GetCommandTable() {
    return kCommands;
}

int CCANControlUI::IOCtl(int code, void* p, int a, int, int) {
    if (code == kIoSetTriggerFlag) {
        if (p != nullptr) context_.Global(iDevInd).bTriggerFired = *static_cast<std::uint8_t*>(p);
        return 0;
    }
    switch (code) {
        case kIoLanguage:
            // The texts come from the resource manager the host has already
            // switched; the language index at p is not needed.
            OnLanguage();
            break;
        case kIoFrameToSendList:
            // This plug-in keeps no send list: the entry is built and dropped.
            if (a == static_cast<int>(sizeof(_VCI_CAN_OBJ)) && p != nullptr) {
                static_cast<void>(SendEntryFromFrame(*static_cast<const _VCI_CAN_OBJ*>(p)));
            }
            break;
        default:
            break;
    }
    return 0;
}

void CCANControlUI::OnLanguage() {
    // The words first: the list fits its columns to them as it relabels.
    context_.words.Reload();
    if (list_ != nullptr) {
        for (int i = 0; i < kColumnCount; ++i) {
            const std::string caption =
                LoadPluginString(kColumns[static_cast<std::size_t>(i)].caption);
            list_->SetColumnCaption(i, caption.c_str());
        }
    }
}

tagSendUint CCANControlUI::SendEntryFromFrame(const _VCI_CAN_OBJ& frame) {
    tagSendUint entry;
    entry.obj.ID = frame.ID;
    entry.obj.RemoteFlag = frame.RemoteFlag;
    entry.obj.ExternFlag = frame.ExternFlag;
    entry.obj.SendType = frame.SendType;
    entry.obj.DataLen = frame.DataLen;
    std::memcpy(entry.obj.Data, frame.Data, sizeof frame.Data);
    entry.len = 1;
    entry.iTimes = 1;
    return entry;
}

}  // namespace protolens
