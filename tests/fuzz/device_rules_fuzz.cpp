// Feeds arbitrary bytes to the device dialogs' readers of outside input: a
// filter record as the recorder returns it (first byte even), or preset rows
// and clock texts as a user or a file gives them (first byte odd).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/common/rules/HexText.h"
#include "app/device/rules/ClockText.h"
#include "app/device/rules/FilterTableWalk.h"
#include "app/device/rules/PresetFrameRules.h"

namespace {

void WalkRecord(const std::uint8_t* data, std::size_t size) {
    FilterInfo info{};
    std::memcpy(&info, data, std::min(size, sizeof info));
    for (const korvex::device::FilterEntry& e : korvex::device::WalkFilterTable(info))
        if (e.start > 0x1FFFFFFF || e.end > 0x1FFFFFFF || e.channel > 7) __builtin_trap();
}

void ReadTexts(const std::string& text) {
    using namespace korvex::device;
    PresetRows rows = InitialPresetRows();
    std::size_t row = 0, cell = 0;
    for (char c : text) {
        if (c == '\n') {
            row = (row + 1) % rows.size();
            cell = 0;
        } else if (c == '\t') {
            cell = (cell + 1) % kPresetColumns;
            rows[row][cell].clear();
        } else {
            rows[row][cell] += c;
        }
    }
    PresetFrames frames{};
    if (!TakePresetRows(rows, frames))
        for (const _VCI_CAN_OBJ& f : frames)
            if (f.DataLen > 8 || (f.ExternFlag == 0 && f.ID > 0x7FF)) __builtin_trap();
    std::uint32_t value = 0;
    korvex::ParseHexNumber(text, value);
    korvex::ScanHex(text, value);
    FormatClock(NextSecond(ParseClock(text)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0)
        WalkRecord(data + 1, size - 1);
    else
        ReadTexts(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    return 0;
}
