#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/device/rules/DeviceTexts.h"
#include "app/device/rules/RecorderActions.h"
#include "core/CanSetting.h"

// The rules of the preset frames dialog: six rows of cell texts, how frames
// are shown in them and read back from them.
namespace korvex::device {

inline constexpr std::size_t kPresetColumns = 6;
using PresetRow = std::array<std::string, kPresetColumns>;
using PresetRows = std::array<PresetRow, LGP_PRESET_FRAMES>;

enum PresetColumn : std::size_t {
    kPresetNumber,
    kPresetId,
    kPresetFormat,
    kPresetType,
    kPresetSendType,
    kPresetData,
};

std::array<std::string, kPresetColumns> PresetCaptions();
// The two entries of a drop-down column (2, 3 or 4), in list order; empty
// for the other columns.
std::vector<std::string> PresetChoices(std::size_t column);
// The initial text of a column's editor.
std::string PresetEditorText(std::size_t column);

// The rows as the dialog inserts them, before any frame is shown.
PresetRows InitialPresetRows();
// Row `index` showing `frame`.
PresetRow PresetRowOf(std::size_t index, const _VCI_CAN_OBJ& frame);

// The write rules, row by row: flags from the texts; the identifier from
// "0x%x" (kept without the prefix), 11 bits for a standard frame; up to eight
// data bytes from the trimmed, blank-separated tokens. Cells are rewritten in
// the forms read. A data token that is not a hexadecimal byte refuses the
// whole write: nothing changes and the message names the token.
std::optional<DeviceMessage> TakePresetRows(PresetRows& rows, PresetFrames& frames);

class CPresetDialogRules {
  public:
    explicit CPresetDialogRules(const ::CANSetting& stored, std::uint32_t deviceIndex = 0);

    void Show();
    // "设置" and "读取"; the rows show the frames again after a read, also a
    // failed one.
    DeviceMessage Write();
    DeviceMessage Read();
    // The frames back into the stored device setting, as on close.
    void StoreInto(::CANSetting& setting) const;

    PresetRows rows;
    PresetFrames frames;

  private:
    std::uint32_t deviceIndex;
};

}  // namespace korvex::device
