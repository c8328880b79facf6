#include "pipeusb/PipeName.h"

#include <array>
#include <cstring>

namespace pipeusb {

namespace {

struct PipeEndpoint {
    int pipe;
    std::uint8_t endpoint;
};

// The number matches the endpoint number, and bit 7 says IN, so the pipes
// 02, 03, 06 and 07 are endpoints 0x82, 0x03, 0x86 and 0x07.
constexpr std::array<PipeEndpoint, 4> kEndpoints{{
    {kPipeBulkIn, 0x82},
    {kPipeBulkOut, 0x03},
    {kPipeCommandIn, 0x86},
    {kPipeCommandOut, 0x07},
}};

}  // namespace

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

std::uint8_t EndpointOfPipe(int number) {
    for (const PipeEndpoint& e : kEndpoints)
        if (e.pipe == number) return e.endpoint;
    return 0;
}

int PipeOfEndpoint(std::uint8_t endpoint) {
    for (const PipeEndpoint& e : kEndpoints)
        if (e.endpoint == endpoint) return e.pipe;
    return -1;
}

}  // namespace pipeusb
