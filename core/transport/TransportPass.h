#pragma once

#include <vector>

#include "core/FrameLines.h"
#include "core/transport/IsoTpPairs.h"
#include "core/transport/TransportAssembler.h"

namespace korvex::transport {

struct TransportReading {
    std::vector<TransportMessage> messages;  // in the order of their first frames
    std::vector<Dm1Report> dm1Reports;       // in the order they arrived
};

// Reads the transport messages and DM1s of a recording: the cores pick the
// frames that can matter, block by block, and one assembler takes them in
// order, so messages open at a block's end go on in the next. A new
// recording span (a frame of another clock index) ends every open message.
// False when the split's cancel stopped it.
bool ReadTransport(const FrameView& frames, const CIsoTpPairs& pairs, const PassSplit& split,
                   TransportReading& out);

}  // namespace korvex::transport
