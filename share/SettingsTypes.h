#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/frame/CanObj.h"
#include "share/ObjKey.h"
#include "share/WinTypes.h"

// A row colour rule: frames matching key are drawn in color.
struct ColorRule {
    OBJKEY key;
    COLORREF color = 0;
};

// A show-filter rule: the frame must match key and every extra key;
// key.dwMask2 holds the decision (non-zero shows, 0 hides).
struct FilterRule {
    OBJKEY key;
    std::vector<OBJKEY> extraKeys;
};

// One entry of a send list. When pFrames is not empty the entry sends those
// frames and len equals their count; otherwise it sends obj and len is 0 or 1.
struct tagSendUint {
    static constexpr std::size_t kNameSize = 32;

    _VCI_CAN_OBJ obj{};
    std::vector<_VCI_CAN_OBJ> pFrames;
    std::int32_t len = 0;
    std::uint8_t bIncreaseID = 0;
    std::uint8_t bIncreaseData = 0;
    char szname[kNameSize] = {};  // zero-terminated UTF-8
    std::int32_t iInterval = 0;
    std::int32_t iTimes = 0;

    // The name up to its terminating zero (never beyond the field).
    std::string_view Name() const;
    // Stores name, cut at a character boundary to fit the field with its zero.
    void SetName(std::string_view name);
};

struct SendList {
    std::int32_t m_dwCycles = 0;
    std::vector<tagSendUint> items;
};

inline constexpr std::int32_t kTriggerSetFlag = 0;
inline constexpr std::int32_t kTriggerSendEntry = 1;
inline constexpr std::int32_t kTriggerSendFile = 2;

struct Trigger {
    std::int32_t m_TriggerType = 0;  // 0 set flag, 1 send entry, 2 send file
    OBJKEY key;
    std::vector<OBJKEY> extraKeys;
    SendList m_TriggerSend;
    std::string FileName;  // kind 2 only
    std::int32_t FileType = 0;
};

struct AliasEntry {
    OBJKEY key;
    std::string strName;

    friend bool operator==(const AliasEntry&, const AliasEntry&) = default;
};

inline constexpr int kColumnCount = 9;

// Display settings of one channel ("dlgcmd%d").
struct ChannelSettings {
    COLORREF colBack = 0;
    std::array<COLORREF, kColumnCount> colFront{};
    std::vector<ColorRule> vecRowColor;
    std::vector<FilterRule> vecFilterShow;
    std::uint8_t bShowType = 0;  // 0 or 16 hexadecimal, 2 binary, 10 decimal
    std::uint8_t bShowSend = 0;
};

// Alias rules of one frame-list window ("dlgFrameName%d").
struct AliasSettings {
    std::int32_t dlgpos = 0;  // top << 16 | left; -1 when stored without one
    std::vector<AliasEntry> vecAliasName;
};

// Send lists of one send window ("dlgSend%d").
struct SendSettings {
    std::int32_t dlgpos = 0;
    SendList single;
    SendList list;
    std::vector<SendList> history;
};

// Triggers of one channel ("dlgTrigger%d").
struct TriggerSettings {
    std::int32_t dlgpos = 0;
    std::int32_t senddlgpos = 0;
    std::uint8_t bEnableTrigger = 0;
    std::vector<Trigger> vecTrigger;
};

// Everything kept per channel; copies are deep.
struct ChannelBlock {
    ChannelSettings display;
    AliasSettings alias;
    SendSettings send;
    TriggerSettings trigger;
};
