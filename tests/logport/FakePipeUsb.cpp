#include "tests/logport/FakePipeUsb.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pipeusb/include/pipeusb.h"
#include "pipeusb/include/pipeusb_diag.h"

namespace logport::test {

namespace {

std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", v);
    return text;
}

void AnswerAsRecorder(const FakeTransfer& t, std::uint8_t* reply) {
    reply[0] = t.readLength == 64 ? 0x7E : 0x9E;
    reply[1] = t.packet.size() > 1 ? t.packet[1] : 0;
}

}  // namespace

void FakePipeUsb::Reset() {
    *this = FakePipeUsb{};
    answer = AnswerAsRecorder;
}

bool FakePipeUsb::IsOpen(std::uint32_t handle) const {
    return handle != 0 &&
           std::find(openHandles.begin(), openHandles.end(), handle) != openHandles.end();
}

FakePipeUsb& Usb() {
    static FakePipeUsb usb = [] {
        FakePipeUsb u;
        u.answer = AnswerAsRecorder;
        return u;
    }();
    return usb;
}

}  // namespace logport::test

using logport::test::Usb;

extern "C" {

uint32_t GetDeviceList(void) {
    Usb().calls.push_back("GetDeviceList");
    return Usb().listResult;
}

uint32_t GetDevCount(void) {
    Usb().calls.push_back("GetDevCount");
    return Usb().devCount;
}

uint32_t OpenDev(uint32_t devIndex) {
    Usb().calls.push_back("OpenDev " + std::to_string(devIndex));
    Usb().openHandles.push_back(Usb().deviceHandle);
    return Usb().deviceHandle;
}

uint32_t OpenPipe(uint32_t devIndex, const char* pipeName) {
    const std::string name = pipeName != nullptr ? pipeName : "";
    Usb().calls.push_back("OpenPipe " + std::to_string(devIndex) + " " + name);
    const auto& failing = Usb().failingPipes;
    if (std::find(failing.begin(), failing.end(), name) != failing.end()) {
        ++Usb().pipesOpened;
        return 0;
    }
    const std::uint32_t handle = 0x200 + Usb().pipesOpened++;
    Usb().openHandles.push_back(handle);
    return handle;
}

void ClosePipe(uint32_t* pipe) {
    Usb().calls.push_back("ClosePipe " + logport::test::Hex(*pipe));
    std::erase(Usb().openHandles, *pipe);
}

void CloseDev(uint32_t* dev) {
    Usb().calls.push_back("CloseDev " + logport::test::Hex(*dev));
    std::erase(Usb().openHandles, *dev);
}

uint32_t WritePipeFollowReadPipeImmediate(uint32_t readPipe, uint8_t* readBuffer,
                                          uint32_t readLength, uint32_t* received,
                                          uint32_t readTimeoutMs, uint32_t writePipe,
                                          const uint8_t* writeBuffer, uint32_t writeLength,
                                          uint32_t* sent, uint32_t writeTimeoutMs) {
    logport::test::FakeTransfer t{
        readPipe,       readLength,
        readTimeoutMs,  writePipe,
        writeTimeoutMs, std::vector<std::uint8_t>(writeBuffer, writeBuffer + writeLength)};
    Usb().transfers.push_back(t);
    if (!Usb().IsOpen(readPipe) || !Usb().IsOpen(writePipe)) return 0;
    Usb().answer(t, readBuffer);
    if (received != nullptr) *received = readLength;
    if (sent != nullptr) *sent = writeLength;
    return 1;
}

// A device handle that is open stands for an attached recorder.
uint32_t PipeUsb_DevAttached(uint32_t dev) {
    Usb().calls.push_back("PipeUsb_DevAttached " + logport::test::Hex(dev));
    return Usb().IsOpen(dev) ? 1 : 0;
}

// Nothing is ever left over in a fake pipe.
uint32_t PipeUsb_DrainPipe(uint32_t pipe) {
    Usb().calls.push_back("PipeUsb_DrainPipe " + logport::test::Hex(pipe));
    return 0;
}

}  // extern "C"
