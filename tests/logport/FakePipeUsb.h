#pragma once

// A stand-in for the USB access library, defined in the test program itself so
// that Logport's calls reach it instead of libPipeUsb.so. It records every
// call with its arguments, the pipe handles, lengths and time-outs of each
// transfer and the packet bytes, and answers transfers through a test-chosen
// function. Unlike the real library its ClosePipe and CloseDev leave the
// caller's handle as it is, so the library must forget closed handles itself.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace logport::test {

struct FakeTransfer {
    std::uint32_t readPipe;
    std::uint32_t readLength;
    std::uint32_t readTimeoutMs;
    std::uint32_t writePipe;
    std::uint32_t writeTimeoutMs;
    std::vector<std::uint8_t> packet;
};

struct FakePipeUsb {
    std::uint32_t listResult = 1;
    std::uint32_t devCount = 1;
    std::uint32_t deviceHandle = 0x100;
    // OpenPipe gives 0x200 + position in the opening order; a name listed
    // here gets 0 instead.
    std::vector<std::string> failingPipes;
    std::uint32_t pipesOpened = 0;

    std::vector<std::string> calls;  // "OpenPipe 1 PIPE06", "ClosePipe 0x203", ...
    std::vector<FakeTransfer> transfers;
    std::vector<std::uint32_t> openHandles;

    // Fills the read buffer for a transfer to open pipes. The default answers
    // as a recorder that does every command: start byte, echo, status 0.
    std::function<void(const FakeTransfer&, std::uint8_t*)> answer;

    void Reset();
    bool IsOpen(std::uint32_t handle) const;
};

// The one instance the exported functions use.
FakePipeUsb& Usb();

}  // namespace logport::test
