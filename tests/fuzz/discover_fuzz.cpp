// Discovery over frames of any content: the input is cut into 24-byte frame
// records, each repeated so that identifiers reach the frames an analysis
// needs. Whatever is found must stay within its message and read back from
// the draft database.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/discover/Discover.h"
#include "core/discover/DraftDbc.h"
#include "core/signals/DbcReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<_VCI_CAN_OBJ> frames;
    const std::size_t records = size / sizeof(_VCI_CAN_OBJ);
    for (int round = 0; round < 60; ++round)
        for (std::size_t r = 0; r < records; ++r) {
            _VCI_CAN_OBJ frame;
            std::memcpy(&frame, data + r * sizeof frame, sizeof frame);
            // The rounds step the first data byte, as a counter would.
            frame.Data[0] = static_cast<std::uint8_t>(frame.Data[0] + round);
            frames.push_back(frame);
        }
    std::vector<korvex::discover::MessageDiscovery> found;
    korvex::PassSplit split;
    split.threads = 1;
    split.blockItems = 97;
    if (!korvex::discover::DiscoverMessages(frames, {}, split, found)) __builtin_trap();
    for (const auto& m : found) {
        if (m.key.length < 1 || m.key.length > 8) __builtin_trap();
        std::uint64_t taken = 0;
        for (const auto& f : m.fields) {
            const std::uint64_t mask = korvex::discover::FieldMask(f.bits);
            if (!korvex::discover::FieldFits(f.bits, m.key.length) || (mask & taken))
                __builtin_trap();
            taken |= mask;
        }
    }
    // A draft without messages is no database our reader takes.
    if (found.empty()) return 0;
    korvex::signaldb::DbcDatabase database;
    korvex::signaldb::DbcError error;
    const std::string text = korvex::discover::DbcText(korvex::discover::DraftDatabase(found));
    if (!korvex::signaldb::ParseDbcText(text, database, error)) __builtin_trap();
    return 0;
}
