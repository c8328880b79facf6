#include "pipeusb/PipeName.h"

#include <cstring>

namespace pipeusb {

int PipeNumber(const char* name) {
    if (name == nullptr || std::strncmp(name, "PIPE0", 5) != 0) return -1;
    const char digit = name[5];
    if (digit < '0' || digit > '9' || name[6] != '\0') return -1;
    return digit - '0';
}

PipeRole RoleOfPipe(int number) {
    switch (number) {
        case kPipeCommandIn:
            return PipeRole::CommandIn;
        case kPipeCommandOut:
            return PipeRole::CommandOut;
        case kPipeBulkIn:
            return PipeRole::BulkIn;
        case kPipeBulkOut:
            return PipeRole::BulkOut;
        default:
            return PipeRole::NoTraffic;
    }
}

}  // namespace pipeusb
