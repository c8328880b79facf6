#pragma once

#include <optional>

#include "pipeusb/sim/VirtualRecorder.h"

namespace pipeusb {

// Where a packet written on an OUT pipe enters the recorder, and the IN pipe
// its reply leaves on: PIPE07 is the command channel (replies on PIPE06),
// PIPE03 the bulk channel (replies on PIPE02). Every way of reaching a
// virtual recorder routes its packets through this.
struct RecorderRoute {
    CVirtualRecorder::Channel channel;
    int replyPipe;
};

// None for a pipe the host does not write packets to.
std::optional<RecorderRoute> RouteOfOutPipe(int pipeNumber);

}  // namespace pipeusb
