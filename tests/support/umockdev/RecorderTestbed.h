#pragma once

// A umockdev test bed with recorders on USB bus 1: sysfs entries, device
// nodes and the usbdevfs ioctls behind them. A program started under
// umockdev-wrapper (see UmockdevTestMain.cpp) finds them through libusb as
// it would find real ones. One test bed per process: libusb watches the one
// whose events it saw first.

#include <memory>
#include <vector>

#include "tests/support/umockdev/EmulatedRecorder.h"

struct _UMockdevTestbed;

namespace korvex::test {

class CRecorderTestbed {
  public:
    CRecorderTestbed();
    ~CRecorderTestbed();
    CRecorderTestbed(const CRecorderTestbed&) = delete;
    CRecorderTestbed& operator=(const CRecorderTestbed&) = delete;

    // Plugs a recorder in at the next free port of bus 1 (or the setup's).
    CEmulatedRecorder& Plug(const EmulatedRecorderSetup& setup);
    // Pulls it out: it leaves sysfs with a "remove" event, and whatever the
    // host still does on an open node fails with ENODEV. The object stays
    // until the bed goes, as the host may still hold the node.
    void Unplug(CEmulatedRecorder& recorder);
    // Pulls out every recorder still plugged in.
    void UnplugAll();

  private:
    _UMockdevTestbed* testbed_;
    std::vector<std::unique_ptr<CEmulatedRecorder>> recorders_;
    std::vector<CEmulatedRecorder*> plugged_;
    std::uint32_t nextPort_ = 1;
};

// The demo recording the sim back end's "demo" recorder holds.
EmulatedRecorderSetup DemoRecorderSetup();

// libusb sees the bed's devices only on top of umockdev's preload library:
// a program started without it is started again under umockdev-wrapper with
// the same arguments (this returns only when it runs under the wrapper; on
// failure it says why and ends the process). Call it first in main.
void RestartUnderUmockdev(int argc, char** argv);

// The process's one test bed, made on first use.
CRecorderTestbed& Testbed();

// Set in the environment of a test program started by a test on its
// parent's bed: the child makes no bed of its own and must not call Testbed().
inline constexpr char kBedOfParent[] = "KORVEX_UMOCKDEV_BED_OF_PARENT";

// Makes the usb back end the one PipeUsb chooses, with `ids` as the list of
// recorder ids when given. PipeUsb chooses once per process, so this must
// run before its first call: tests take it into a constant at namespace
// scope. Returns true.
bool ChooseUsbBackend(const char* ids = nullptr);

}  // namespace korvex::test
