#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "app/device/rules/DeviceTexts.h"
#include "app/device/rules/FilterTableWalk.h"
#include "core/CanSetting.h"
#include "logport/include/logport.h"

// The rules of the device configuration dialog: its controls as plain values,
// what each button and selection does to them and to the recorder. The dialog
// copies its widgets into `controls` before a rule and shows them after it.
namespace korvex::device {

inline constexpr int kDeviceEntries = 8;
inline constexpr std::size_t kBitRateEntries = 10;

struct BitRateEntry {
    const char* text;
    std::uint32_t timing;
};
const std::array<BitRateEntry, kBitRateEntries>& BitRateTable();
// The table index whose register is `timing`, if any.
std::optional<std::size_t> BitRateIndexOf(std::uint32_t timing);

// "Korvex  %d" of a device index.
std::string DeviceEntryText(int index);
// The mode list's two texts and the filter format list's four.
std::array<std::string, 2> ModeTexts();
std::string FilterFormatText(FilterFormat format);
// The filter list's captions and a row's cells: channel, format, start, end.
std::array<std::string, 4> FilterListCaptions();
std::array<std::string, 4> FilterRowTexts(const FilterEntry& row);

// The controls of the dialog, by what they hold.
struct ConfigControls {
    int deviceIndex = 0;            // 1001
    int bitRateIndex = 0;           // 2004
    bool customBitRate = false;     // 2006
    std::string customRegister;     // 6010, hexadecimal
    int modeIndex = 0;              // 3004: 0 listen, 1 normal
    std::string sendInterval;       // 6012, hexadecimal
    std::string clock;              // 6011
    int ioLevel = 0;                // 1009 / 1010
    bool resistor = false;          // 2008
    bool filterEnable = false;      // 2003
    int filterFormat = 0;           // 2007
    std::string startId;            // 6005
    std::string endId;              // 6004
    std::vector<FilterEntry> rows;  // 6006, top row first
    int selectedRow = -1;           // first selected row of 6006, -1 for none
};

// What Config takes from the controls. The dialog takes all of it; korvex-cli
// takes what its options name, and everything else goes back exactly as the
// configuration it started from holds it.
struct ConfigChanges {
    bool bitTiming = true;  // timing register, custom flag and custom register
    bool mode = true;
    bool sendInterval = true;
    bool clock = true;  // false: the recorder's clock is left running as it is
    bool ioLevel = true;
    bool resistor = true;
    bool filter = true;  // filter enable and the range list
    // An unchanged filter is not sent, as the recorder already holds it; or,
    // for a configuration from elsewhere, its record is written again with
    // the entries of every channel.
    enum class KeptFilter { kNotSent, kRewritten } keptFilter = KeptFilter::kNotSent;
};

// The text that names a filter range in a message: its format and identifiers.
std::string FilterRangeText(const FilterRange& range);

// Which controls are enabled.
struct ConfigEnabling {
    bool bitRateList = false;
    bool customRegister = false;  // the edit and the calculator button
    bool filterControls = false;  // list, format, start, Add, Delete
    bool endId = false;
};

class CConfigDialogRules {
  public:
    // The stored records, with the clock replaced by the local time `now`.
    CConfigDialogRules(const BaseInfo& stored, const FilterInfo& storedFilter, std::time_t now);

    // Fills the lists' selections, then shows both records.
    void Initialise();
    void ShowBase();
    // Rebuilds the rows and the range list from the filter record when the
    // filter box is ticked and the record's table fits.
    void ShowFilter();
    ConfigEnabling Enabling() const;
    // What the user changed since the records were last shown; the dialog
    // writes only that (and the clock it shows) back.
    ConfigChanges EditedChanges() const;

    // Selection of list 2004: the custom edit shows the table register.
    void BitRateChanged();
    // OK from the calculator: the custom edit shows `timing`.
    void CalculatorResult(std::uint32_t timing);

    // Add and Delete answer only when they refuse.
    std::optional<DeviceMessage> Add();
    std::optional<DeviceMessage> Delete();
    DeviceMessage Read();
    DeviceMessage Config(const ConfigChanges& changes = {});
    // The Yes/No question before Default, then Default itself (recorder 0).
    static DeviceMessage DefaultQuestion();
    static DeviceMessage Default();

    // A second of the running clock; true when the clock edit is to show the
    // new `controls.clock` (never while it has the focus, so typing is kept).
    bool Tick();
    void ClockFocus(bool hasFocus) { clockHasFocus = hasFocus; }

    // A base configuration from the controls, or the refusal of a text that
    // is not a hexadecimal number. The custom edit shows the register used.
    std::optional<DeviceMessage> Gather(BaseInfo& out);

    const BaseInfo& Base() const { return base; }
    const FilterInfo& Filter() const { return filter; }
    const std::vector<FilterRange>& Ranges() const { return ranges; }
    // The records back into the stored device setting, as on close.
    void StoreInto(::CANSetting& setting) const;

    ConfigControls controls;

  private:
    bool HoldsRange(const FilterRange& range) const;

    BaseInfo base;
    FilterInfo filter;
    ConfigControls shown;             // the controls as the records were last shown
    std::vector<FilterRange> ranges;  // channel 0's ranges, what Config writes
    bool clockHasFocus = false;
};

}  // namespace korvex::device
