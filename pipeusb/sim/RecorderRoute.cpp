#include "pipeusb/sim/RecorderRoute.h"

#include "pipeusb/PipeName.h"

namespace pipeusb {

std::optional<RecorderRoute> RouteOfOutPipe(int pipeNumber) {
    switch (RoleOfPipe(pipeNumber)) {
        case PipeRole::CommandOut:
            return RecorderRoute{CVirtualRecorder::Channel::Command, kPipeCommandIn};
        case PipeRole::BulkOut:
            return RecorderRoute{CVirtualRecorder::Channel::Bulk, kPipeBulkIn};
        default:
            return std::nullopt;
    }
}

}  // namespace pipeusb
