#include "app/device/rules/ConfigDialogRules.h"

#include <algorithm>
#include <cstdio>

#include "app/common/rules/HexText.h"
#include "app/device/rules/ClockText.h"
#include "app/device/rules/RecorderAccess.h"
#include "app/device/rules/RecorderActions.h"
#include "xtp/XTPUiServices.h"

namespace korvex::device {
namespace {

constexpr std::array<BitRateEntry, kBitRateEntries> kBitRates = {{
    {"1000K", 0x00060003},
    {"800K", 0x00060004},
    {"500K", 0x00060007},
    {"250K", 0x001C0008},
    {"125K", 0x001C0011},
    {"100K", 0x00160023},
    {"50K", 0x001C002C},
    {"20K", 0x001600B3},
    {"10K", 0x001C00E0},
    {"5K", 0x001C01C1},
}};

constexpr int kFormatCount = 4;

DeviceMessage Plain(std::uint32_t id) {
    return {DeviceText(id), {}, 0, id == ids::kDone};
}

ClockFields ClockOf(const BaseInfo& b) {
    return {b.bCentury, b.bYear, b.bMonth, b.bDay, b.bHour, b.bMinute, b.bSecond};
}

void SetClock(BaseInfo& b, const ClockFields& c) {
    std::uint8_t* fields[] = {&b.bCentury, &b.bYear,   &b.bMonth, &b.bDay,
                              &b.bHour,    &b.bMinute, &b.bSecond};
    for (std::size_t i = 0; i < c.size(); ++i) *fields[i] = static_cast<std::uint8_t>(c[i]);
}

bool SameRange(const FilterRange& a, const FilterRange& b) {
    return (a.dwExtended != 0) == (b.dwExtended != 0) && a.dwStart == b.dwStart &&
           a.dwEnd == b.dwEnd;
}

FilterRange RangeOf(const FilterEntry& e) {
    return {IsExtended(e.format) ? 1u : 0u, e.start, e.end};
}

FilterFormat FormatAt(int index) {
    return static_cast<FilterFormat>(std::clamp(index, 0, kFormatCount - 1));
}

// The fields that `changes` leaves alone go back as `start` holds them.
void KeepUnchanged(const ConfigChanges& changes, const BaseInfo& start, BaseInfo& b) {
    if (!changes.bitTiming) {
        b.dwTiming = start.dwTiming;
        b.dwCustomFlag = start.dwCustomFlag;
        b.dwCustomTiming = start.dwCustomTiming;
    }
    if (!changes.mode) b.bMode = start.bMode;
    if (!changes.sendInterval) b.dwSendInterval = start.dwSendInterval;
    if (!changes.ioLevel) b.bIoOutput = start.bIoOutput;
    if (!changes.resistor) b.dwResistor = start.dwResistor;
    if (!changes.filter) b.bFilterEnable = start.bFilterEnable;
}

}  // namespace

const std::array<BitRateEntry, kBitRateEntries>& BitRateTable() {
    return kBitRates;
}

std::optional<std::size_t> BitRateIndexOf(std::uint32_t timing) {
    for (std::size_t i = 0; i < kBitRates.size(); ++i)
        if (kBitRates[i].timing == timing) return i;
    return std::nullopt;
}

std::string DeviceEntryText(int index) {
    char text[32];
    std::snprintf(text, sizeof text, "Korvex  %d", index);
    return text;
}

std::array<std::string, 2> ModeTexts() {
    return {DeviceText(ids::kListenMode), DeviceText(ids::kNormalMode)};
}

std::string FilterFormatText(FilterFormat format) {
    switch (format) {
        case FilterFormat::kStdExplicit:
            return DeviceText(ids::kStdExplicit);
        case FilterFormat::kStdGroup:
            return DeviceText(ids::kStdGroup);
        case FilterFormat::kExtExplicit:
            return DeviceText(ids::kExtExplicit);
        case FilterFormat::kExtGroup:
            break;
    }
    return DeviceText(ids::kExtGroup);
}

std::array<std::string, 4> FilterListCaptions() {
    return {DeviceText(ids::kColumnChannel), DeviceText(ids::kColumnType),
            DeviceText(ids::kColumnStartId), DeviceText(ids::kColumnEndId)};
}

std::array<std::string, 4> FilterRowTexts(const FilterEntry& row) {
    return {FormatU32("%u", row.channel), FilterFormatText(row.format),
            FormatU32("0x%08x", row.start), FormatU32("0x%08x", row.end)};
}

std::string FilterRangeText(const FilterRange& range) {
    const bool extended = range.dwExtended != 0;
    if (range.dwStart == range.dwEnd)
        return FilterFormatText(extended ? FilterFormat::kExtExplicit
                                         : FilterFormat::kStdExplicit) +
               FormatU32(" 0x%08x", range.dwStart);
    return FilterFormatText(extended ? FilterFormat::kExtGroup : FilterFormat::kStdGroup) +
           FormatU32(" 0x%08x", range.dwStart) + FormatU32("-0x%08x", range.dwEnd);
}

CConfigDialogRules::CConfigDialogRules(const BaseInfo& stored, const FilterInfo& storedFilter,
                                       std::time_t now)
    : base(stored), filter(storedFilter) {
    SetClock(base, ClockFromTime(now));
}

void CConfigDialogRules::Initialise() {
    controls.deviceIndex = 0;
    controls.bitRateIndex = 0;
    controls.filterFormat = 0;
    ShowBase();
    ShowFilter();
}

void CConfigDialogRules::ShowBase() {
    // The rate the recorder runs at: its table register, or its custom one.
    // A register that fits no table entry shows as custom, with its value;
    // 0 is no register at all (nothing stored yet) and leaves the table.
    const std::uint32_t timing = base.dwCustomFlag != 0 ? base.dwCustomTiming : base.dwTiming;
    const auto index = BitRateIndexOf(timing);
    controls.customBitRate = base.dwCustomFlag != 0 || (!index && timing != 0);
    if (index) controls.bitRateIndex = static_cast<int>(*index);
    controls.customRegister = FormatU32("%x", timing);
    controls.sendInterval = FormatU32("%x", base.dwSendInterval);
    controls.resistor = base.dwResistor != 0;
    controls.filterEnable = base.bFilterEnable != 0;
    if (base.bMode < 2) controls.modeIndex = base.bMode;
    controls.ioLevel = base.bIoOutput != 0 ? 1 : 0;
    controls.clock = FormatClock(ClockOf(base));
    shown = controls;
}

void CConfigDialogRules::ShowFilter() {
    if (!controls.filterEnable || filter.dwTableEnd > sizeof filter.bTable) return;
    // The range list is rebuilt with the rows, so that Config never writes a
    // range that no row shows.
    controls.rows.clear();
    controls.selectedRow = -1;
    ranges.clear();
    for (const FilterEntry& entry : WalkFilterTable(filter)) {
        controls.rows.insert(controls.rows.begin(), entry);
        const FilterRange range = RangeOf(entry);
        if (entry.channel == 0 && !HoldsRange(range)) ranges.push_back(range);
    }
    shown.rows = controls.rows;
}

ConfigChanges CConfigDialogRules::EditedChanges() const {
    ConfigChanges changes;
    changes.bitTiming = controls.customBitRate != shown.customBitRate ||
                        (controls.customBitRate ? controls.customRegister != shown.customRegister
                                                : controls.bitRateIndex != shown.bitRateIndex);
    changes.mode = controls.modeIndex != shown.modeIndex;
    changes.sendInterval = controls.sendInterval != shown.sendInterval;
    changes.ioLevel = controls.ioLevel != shown.ioLevel;
    changes.resistor = controls.resistor != shown.resistor;
    changes.filter = controls.filterEnable != shown.filterEnable || controls.rows != shown.rows;
    return changes;
}

ConfigEnabling CConfigDialogRules::Enabling() const {
    ConfigEnabling e;
    e.bitRateList = !controls.customBitRate;
    e.customRegister = controls.customBitRate;
    e.filterControls = controls.filterEnable;
    e.endId = controls.filterEnable && IsGroup(FormatAt(controls.filterFormat));
    return e;
}

void CConfigDialogRules::BitRateChanged() {
    const std::size_t index = static_cast<std::size_t>(
        std::clamp(controls.bitRateIndex, 0, static_cast<int>(kBitRateEntries) - 1));
    controls.customRegister = FormatU32("%08x", kBitRates[index].timing);
}

void CConfigDialogRules::CalculatorResult(std::uint32_t timing) {
    controls.customRegister = FormatU32("%8.8X", timing);
}

std::optional<DeviceMessage> CConfigDialogRules::Gather(BaseInfo& out) {
    std::uint32_t custom = 0;
    if (controls.customBitRate && !ParseHexNumber(controls.customRegister, custom))
        return DeviceMessage{
            DeviceText(ids::kBadCustomRegister, controls.customRegister), {}, 0, false};
    std::uint32_t interval = 0;
    if (!ParseHexNumber(controls.sendInterval, interval))
        return DeviceMessage{
            DeviceText(ids::kBadSendInterval, controls.sendInterval), {}, 0, false};

    BaseInfo b{};
    b.dwCustomFlag = controls.customBitRate ? 1 : 0;
    if (controls.customBitRate) {
        b.dwCustomTiming = custom;
        b.dwTiming = custom;
    } else {
        b.dwTiming =
            kBitRates[static_cast<std::size_t>(std::clamp(controls.bitRateIndex, 0,
                                                          static_cast<int>(kBitRateEntries) - 1))]
                .timing;
        b.dwCustomTiming = b.dwTiming;
        controls.customRegister = FormatU32("%08x", b.dwTiming);
    }
    b.dwSendInterval = interval;
    b.dwResistor = controls.resistor ? 1 : 0;
    b.bFilterEnable = controls.filterEnable ? 1 : 0;
    b.bMode = static_cast<std::uint8_t>(controls.modeIndex);
    b.bIoOutput = static_cast<std::uint8_t>(controls.ioLevel);
    SetClock(b, ParseClock(controls.clock));
    out = b;
    return std::nullopt;
}

std::optional<DeviceMessage> CConfigDialogRules::Add() {
    const FilterFormat format = FormatAt(controls.filterFormat);
    std::uint32_t start = 0;
    if (!ParseHexNumber(controls.startId, start))
        return DeviceMessage{DeviceText(ids::kBadStartId, controls.startId), {}, 0, false};
    std::uint32_t end = start;
    if (IsGroup(format)) {
        if (!ParseHexNumber(controls.endId, end))
            return DeviceMessage{DeviceText(ids::kBadEndId, controls.endId), {}, 0, false};
        if (start >= end) return Plain(ids::kStartNotBelowEnd);
    }
    const FilterEntry row{0, format, start, end};
    const FilterRange range = RangeOf(row);
    if (HoldsRange(range)) return std::nullopt;
    ranges.push_back(range);
    controls.rows.insert(controls.rows.begin(), row);
    if (controls.selectedRow >= 0) ++controls.selectedRow;
    return std::nullopt;
}

std::optional<DeviceMessage> CConfigDialogRules::Delete() {
    const int selected = controls.selectedRow;
    if (selected < 0 || selected >= static_cast<int>(controls.rows.size()))
        return Plain(ids::kNothingToDelete);
    const FilterEntry row = controls.rows[static_cast<std::size_t>(selected)];
    if (row.channel == 0) {
        const FilterRange range = RangeOf(row);
        const auto at = std::find_if(ranges.begin(), ranges.end(),
                                     [&](const FilterRange& r) { return SameRange(r, range); });
        if (at != ranges.end()) ranges.erase(at);
    }
    controls.rows.erase(controls.rows.begin() + selected);
    controls.selectedRow = -1;
    return std::nullopt;
}

DeviceMessage CConfigDialogRules::Read() {
    FilterInfo read = filter;
    const ConfigReadOutcome outcome =
        ReadRecorderConfig(static_cast<std::uint32_t>(controls.deviceIndex), base, read);
    const auto index = static_cast<std::uint32_t>(controls.deviceIndex);
    if (outcome == ConfigReadOutcome::kFailed) return DoneOrFailed(false, index);
    ShowBase();
    if (outcome == ConfigReadOutcome::kBaseOnly) return DoneOrFailed(false, index);
    filter = read;
    ShowFilter();
    return Plain(ids::kDone);
}

DeviceMessage CConfigDialogRules::Config(const ConfigChanges& changes) {
    BaseInfo written{};
    if (auto refusal = Gather(written)) return *refusal;
    KeepUnchanged(changes, base, written);
    std::vector<ChannelRange> writtenRanges;
    bool writeFilter = false;
    if (changes.filter) {
        writeFilter = controls.filterEnable;
        for (const FilterRange& range : ranges) writtenRanges.push_back({0, range});
    } else if (changes.keptFilter == ConfigChanges::KeptFilter::kRewritten) {
        writeFilter = base.bFilterEnable != 0;
        for (const FilterEntry& entry : WalkFilterTable(filter))
            writtenRanges.push_back({entry.channel, RangeOf(entry)});
    }
    const ConfigWriteOutcome outcome =
        WriteRecorderConfig(static_cast<std::uint32_t>(controls.deviceIndex), written, writeFilter,
                            writtenRanges, base, filter, !changes.clock);
    if (outcome.status == ConfigWriteOutcome::kRangeRefused)
        return {
            DeviceText(ids::kRangeRefused, FilterRangeText(writtenRanges[outcome.refused].range)),
            {},
            0,
            false};
    const bool done = outcome.status == ConfigWriteOutcome::kDone;
    // What the dialog shows now is what the recorder holds.
    if (done) shown = controls;
    return DoneOrFailed(done, static_cast<std::uint32_t>(controls.deviceIndex));
}

DeviceMessage CConfigDialogRules::DefaultQuestion() {
    return {DeviceText(ids::kAskFactoryDefault), {}, xtp_mb::kYesNo, false};
}

DeviceMessage CConfigDialogRules::Default() {
    return DoneOrFailed(RestoreFactoryConfig(), 0);  // always recorder 0's
}

bool CConfigDialogRules::Tick() {
    if (clockHasFocus) return false;
    controls.clock = FormatClock(NextSecond(ParseClock(controls.clock)));
    return true;
}

void CConfigDialogRules::StoreInto(::CANSetting& setting) const {
    setting.baseInfo = base;
    setting.filterInfo = filter;
}

bool CConfigDialogRules::HoldsRange(const FilterRange& range) const {
    return std::any_of(ranges.begin(), ranges.end(),
                       [&](const FilterRange& r) { return SameRange(r, range); });
}

}  // namespace korvex::device
