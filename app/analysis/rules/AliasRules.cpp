#include "app/analysis/rules/AliasRules.h"

#include <algorithm>
#include <cstdio>

#include "app/common/rules/HexText.h"
#include "app/common/rules/NumberedFormat.h"
#include "share/KeyMatch.h"
#include "xtp/XTPResourceManager.h"

namespace korvex {
namespace {

// Three characters per group: two digits or "**", then a blank (the last
// group may lack it).
constexpr std::size_t kGroupWidth = 3;

bool IsSkipGroup(std::string_view text, std::size_t position) {
    const std::size_t at = position * kGroupWidth;
    return at + 1 < text.size() && text[at] == '*' && text[at + 1] == '*';
}

std::uint32_t ReadDataPattern(std::string_view text, OBJKEY& key) {
    if (text.size() > kMaxDataPatternText) text = text.substr(0, kMaxDataPatternText);
    const std::size_t n = std::min<std::size_t>((text.size() + 1) / kGroupWidth, 8);
    key.dwData = static_cast<std::uint32_t>(n);
    std::size_t position = 0;
    while (position < n && IsSkipGroup(text, position)) ++position;
    key.bStart = static_cast<std::uint8_t>(position);
    key.bEnd = key.bStart;
    for (; position < n && !IsSkipGroup(text, position); ++position) {
        std::uint32_t byte = 0;
        const std::string_view group = text.substr(position * kGroupWidth, 2);
        if (!ScanHex(group, byte)) return kStrDataPatternHelp;
        key.bDataArr[position] = static_cast<std::uint8_t>(byte);
        key.bEnd = static_cast<std::uint8_t>(position + 1);
    }
    return key.bStart == key.bEnd ? kStrDataPatternHelp : 0;
}

}  // namespace

const std::array<AliasFieldChoice, 5>& AliasFieldChoices() {
    static constexpr std::array<AliasFieldChoice, 5> kChoices{{
        {name_share::kCaptionFrameId, kKeyIdentifier},
        {name_share::kCaptionFrameFormat, kKeyRemote},
        {name_share::kCaptionFrameType, kKeyExtended},
        {name_share::kCaptionDataLength, kKeyDataLength},
        {name_share::kCaptionDataHex, kKeyDataBytes},
    }};
    return kChoices;
}

bool UsesValueCombo(int field) {
    return field == kKeyRemote || field == kKeyExtended;
}

std::array<std::uint32_t, 2> AliasValueWords(int field) {
    if (field == kKeyRemote) return {name_share::kWordDataFrame, name_share::kWordRemoteFrame};
    if (field == kKeyExtended)
        return {name_share::kWordStandardFrame, name_share::kWordExtendedFrame};
    return {0, 0};
}

std::uint32_t ReadAliasKey(const AliasFields& fields, OBJKEY& key) {
    key = OBJKEY{};
    key.icolInd = fields.field;
    switch (fields.field) {
        case kKeyIdentifier:
            key.dwMask = 0xFFFFFFFFu;
            return ScanHex(fields.value, key.dwData) ? 0 : kStrValueNotHex;
        case kKeyDataLength:
            return ScanHex(fields.value, key.dwData) ? 0 : kStrValueNotHex;
        case kKeyRemote:
        case kKeyExtended:
            key.dwData = fields.choice == 0 ? 0 : 1;
            return 0;
        case kKeyDataBytes:
            return ReadDataPattern(fields.value, key);
        default:
            return 0;
    }
}

AliasFields AliasFieldsFromKey(const OBJKEY& key) {
    AliasFields fields;
    fields.field = key.icolInd;
    if (UsesValueCombo(key.icolInd)) {
        fields.choice = key.dwData == 0 ? 0 : 1;
    } else if (key.icolInd == kKeyDataBytes) {
        std::uint32_t caption = 0;
        name_share::KeyToText(key, fields.value, caption, false, false);
    } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%X", key.dwData);
        fields.value = buf;
    }
    return fields;
}

std::string AliasLineText(const AliasEntry& entry) {
    std::string value;
    std::uint32_t caption = 0;
    name_share::KeyToText(entry.key, value, caption, false, false);
    const std::string isValue = FormatTexts(LoadFormatString(kStrIsValue), {value});
    return FormatTexts(LoadFormatString(kStrWhenFieldValue), {XTPLoadString(caption), isValue}) +
           FormatTexts(LoadFormatString(kStrAliasIsName), {entry.strName});
}

std::int32_t PackDialogPosition(int left, int top) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(top & 0xFFFF) << 16) |
                                     static_cast<std::uint32_t>(left & 0xFFFF));
}

bool UnpackDialogPosition(std::int32_t packed, int& left, int& top) {
    if (packed == 0 || packed == -1) return false;
    const auto bits = static_cast<std::uint32_t>(packed);
    left = static_cast<std::int16_t>(bits & 0xFFFF);
    top = static_cast<std::int16_t>(bits >> 16);
    return true;
}

}  // namespace korvex
