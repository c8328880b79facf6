// The transport reader over frames made from the input: 11 bytes a frame
// (identifier choice, time step, length, 8 data bytes), the identifiers drawn
// from those that carry ISO-TP, J1939 transport and DM1, so that messages
// open, go on and break in every way. Every message must stay within what it
// announced, and the reading must not depend on where blocks end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/transport/DtcEpisodes.h"
#include "core/transport/TransportCsv.h"
#include "core/transport/TransportPass.h"

namespace {

constexpr std::uint32_t kIds[] = {0x7E0,      0x7E8,      0x7DF,      0x18DAF100, 0x18DA00F1,
                                  0x18DB33F1, 0x1CECFF00, 0x1CEBFF00, 0x1CECF900, 0x1CEC00F9,
                                  0x1CEBF900, 0x18FECA00, 0x1CECFF03, 0x1CEBFF03, 0x123};

korvex::transport::TransportReading Read(const CCycleBuffer<_VCI_CAN_OBJ>::CView& frames,
                                         std::int64_t block) {
    korvex::PassSplit split;
    split.threads = 1;
    split.blockItems = block;
    korvex::transport::TransportReading reading;
    korvex::transport::ReadTransport(frames, korvex::transport::CIsoTpPairs::Standard(), split,
                                     reading);
    return reading;
}

std::string Lines(const korvex::transport::TransportReading& reading) {
    std::string text;
    for (const korvex::transport::TransportMessage& m : reading.messages)
        korvex::transport::AppendTransportCsvLine(text, m, "", {});
    for (const korvex::transport::DtcEpisode& e : BuildDtcEpisodes(reading.dm1Reports))
        korvex::transport::AppendDtcCsvLine(text, e, "", "");
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<_VCI_CAN_OBJ> frames;
    std::uint32_t time = 0;
    for (std::size_t at = 0; at + 11 <= size; at += 11) {
        _VCI_CAN_OBJ f{};
        const std::uint8_t choice = data[at];
        f.ID = kIds[(choice & 0x7F) % std::size(kIds)];
        f.ExternFlag = f.ID > 0x7FF ? 1 : 0;
        time += static_cast<std::uint32_t>(data[at + 1]) * 40;  // up to about 1 s
        f.TimeStamp = time;
        f.Reserved[1] = choice >> 7;  // the top bit switches spans
        f.DataLen = data[at + 2] % 9;
        for (int k = 0; k < 8; ++k) f.Data[k] = data[at + 3 + k];
        frames.push_back(f);
    }
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(frames.size()) + 1);
    store.PushRun(frames.data(), static_cast<int>(frames.size()));
    const auto view = store.View();

    const korvex::transport::TransportReading whole = Read(view, 1 << 20);
    for (const korvex::transport::TransportMessage& m : whole.messages) {
        const bool complete = m.status == korvex::transport::TransportStatus::kComplete;
        if (m.first > m.last || m.last >= view.Count() || m.data.size() > m.length ||
            (complete && m.data.size() != m.length))
            std::abort();
    }
    if (Lines(Read(view, 3)) != Lines(whole)) std::abort();
    return 0;
}
