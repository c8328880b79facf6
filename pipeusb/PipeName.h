#pragma once

#include <cstdint>

namespace pipeusb {

// The ten named pipes "PIPE00" ... "PIPE09" of a recorder. Four carry traffic;
// the others open and close without any.
enum class PipeRole { NoTraffic, CommandIn, CommandOut, BulkIn, BulkOut };

inline constexpr int kPipeCommandIn = 6;   // 64-byte command replies
inline constexpr int kPipeCommandOut = 7;  // command packets and long bulk packets
inline constexpr int kPipeBulkIn = 2;      // 9605-byte bulk replies
inline constexpr int kPipeBulkOut = 3;     // short bulk packets

// 0 ... 9 for "PIPE00" ... "PIPE09" (exactly those texts), else -1.
int PipeNumber(const char* name);

PipeRole RoleOfPipe(int number);

// The recorder's bulk endpoint behind a traffic pipe (0x82, 0x03, 0x86,
// 0x07); 0 for the pipes without traffic.
std::uint8_t EndpointOfPipe(int number);

// The traffic pipe an endpoint address serves; -1 for any other address.
int PipeOfEndpoint(std::uint8_t endpoint);

}  // namespace pipeusb
