#include "app/device/rules/PresetFrameRules.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/common/rules/HexText.h"
#include "app/device/rules/RecorderAccess.h"

namespace korvex::device {
namespace {

constexpr std::uint32_t kStdIdMask = 0x7FF;
constexpr std::uint8_t kSelfReceiveType = 2;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) ++at;
        const std::size_t start = at;
        while (at < text.size() && !IsBlank(text[at])) ++at;
        if (at > start) tokens.push_back(text.substr(start, at - start));
    }
    return tokens;
}

bool ParseDataByte(std::string_view token, std::uint8_t& byte) {
    std::uint32_t value = 0;
    if (!ParseHexNumber(token, value) || value > 0xFF) return false;
    byte = static_cast<std::uint8_t>(value);
    return true;
}

struct ParsedRow {
    _VCI_CAN_OBJ frame;
    PresetRow cells;
};

std::optional<DeviceMessage> ParseRow(const PresetRow& row, const _VCI_CAN_OBJ& previous,
                                      ParsedRow& parsed) {
    parsed.frame = previous;
    parsed.cells = row;
    _VCI_CAN_OBJ& f = parsed.frame;
    f.RemoteFlag = row[kPresetFormat] == DeviceText(ids::kRemoteFrame) ? 1 : 0;
    f.ExternFlag = row[kPresetType] == DeviceText(ids::kExtendedFrame) ? 1 : 0;
    f.SendType = row[kPresetSendType] == DeviceText(ids::kNormalSend) ? 0 : kSelfReceiveType;

    const std::string& id = row[kPresetId];
    std::uint32_t value = 0;
    if (id.size() >= 2 && id[0] == '0' && id[1] == 'x' && ScanHex(id.substr(2), value))
        f.ID = value;
    if (f.ExternFlag == 0) f.ID &= kStdIdMask;
    parsed.cells[kPresetId] = FormatU32("0x%08X", f.ID);

    const std::vector<std::string_view> tokens = Tokens(row[kPresetData]);
    std::uint8_t data[8] = {};
    const std::size_t count = std::min<std::size_t>(tokens.size(), 8);
    std::string cell;
    for (std::size_t i = 0; i < count; ++i) {
        if (!ParseDataByte(tokens[i], data[i]))
            return DeviceMessage{DeviceText(ids::kBadDataByte, tokens[i]), {}, 0, false};
        cell += FormatU32("%02X ", data[i]);
    }
    f.DataLen = static_cast<std::uint8_t>(count);
    std::memcpy(f.Data, data, sizeof data);
    parsed.cells[kPresetData] = cell;
    return std::nullopt;
}

}  // namespace

std::array<std::string, kPresetColumns> PresetCaptions() {
    return {DeviceText(ids::kColumnNumber),      DeviceText(ids::kColumnFrameId),
            DeviceText(ids::kColumnFrameFormat), DeviceText(ids::kColumnFrameType),
            DeviceText(ids::kColumnSendType),    DeviceText(ids::kColumnData)};
}

std::vector<std::string> PresetChoices(std::size_t column) {
    switch (column) {
        case kPresetFormat:
            return {DeviceText(ids::kDataFrame), DeviceText(ids::kRemoteFrame)};
        case kPresetType:
            return {DeviceText(ids::kStandardFrame), DeviceText(ids::kExtendedFrame)};
        case kPresetSendType:
            return {DeviceText(ids::kNormalSend), DeviceText(ids::kSelfReceive)};
        default:
            return {};
    }
}

std::string PresetEditorText(std::size_t column) {
    if (column == kPresetId) return "0x00000001";
    if (column == kPresetData) return "11 22 33 44 55 66 77 88";
    const std::vector<std::string> choices = PresetChoices(column);
    return choices.empty() ? std::string() : choices.front();
}

PresetRows InitialPresetRows() {
    PresetRows rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {FormatU32("%u", static_cast<std::uint32_t>(i)),
                   "0x00000000",
                   DeviceText(ids::kDataFrame),
                   DeviceText(ids::kStandardFrame),
                   DeviceText(ids::kNormalSend),
                   "11 22 33 44 55 66 77 88"};
    }
    return rows;
}

PresetRow PresetRowOf(std::size_t index, const _VCI_CAN_OBJ& frame) {
    PresetRow row;
    row[kPresetNumber] = FormatU32("%u", static_cast<std::uint32_t>(index));
    row[kPresetId] = FormatU32("0x%08x", frame.ID);
    row[kPresetFormat] = DeviceText(frame.RemoteFlag ? ids::kRemoteFrame : ids::kDataFrame);
    row[kPresetType] = DeviceText(frame.ExternFlag ? ids::kExtendedFrame : ids::kStandardFrame);
    row[kPresetSendType] = DeviceText(frame.SendType == 0 ? ids::kNormalSend : ids::kSelfReceive);
    // A stored length above 8 shows the eight bytes there are.
    const std::size_t length = std::min<std::size_t>(frame.DataLen, sizeof frame.Data);
    for (std::size_t i = 0; i < length; ++i) row[kPresetData] += FormatU32("%02x ", frame.Data[i]);
    return row;
}

std::optional<DeviceMessage> TakePresetRows(PresetRows& rows, PresetFrames& frames) {
    std::array<ParsedRow, LGP_PRESET_FRAMES> parsed;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (auto refusal = ParseRow(rows[i], frames[i], parsed[i])) return refusal;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        frames[i] = parsed[i].frame;
        rows[i] = parsed[i].cells;
    }
    return std::nullopt;
}

CPresetDialogRules::CPresetDialogRules(const ::CANSetting& stored, std::uint32_t deviceIndex)
    : rows(InitialPresetRows()), deviceIndex(deviceIndex) {
    // The record is packed: its frames are copied as bytes, never referenced.
    static_assert(sizeof stored.preFrames == sizeof(PresetFrames));
    std::memcpy(frames.data(),
                reinterpret_cast<const char*>(&stored) + offsetof(::CANSetting, preFrames),
                sizeof(PresetFrames));
}

void CPresetDialogRules::Show() {
    for (std::size_t i = 0; i < frames.size(); ++i) rows[i] = PresetRowOf(i, frames[i]);
}

DeviceMessage CPresetDialogRules::Write() {
    if (auto refusal = TakePresetRows(rows, frames)) return *refusal;
    return DoneOrFailed(WritePresetFrames(deviceIndex, frames), deviceIndex);
}

DeviceMessage CPresetDialogRules::Read() {
    const bool done = ReadPresetFrames(deviceIndex, frames);
    Show();
    return DoneOrFailed(done, deviceIndex);
}

void CPresetDialogRules::StoreInto(::CANSetting& setting) const {
    std::memcpy(reinterpret_cast<char*>(&setting) + offsetof(::CANSetting, preFrames),
                frames.data(), sizeof(PresetFrames));
}

}  // namespace korvex::device
