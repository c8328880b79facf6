#include "tests/support/umockdev/RecorderTestbed.h"

#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pipeusb/sim/DemoRecording.h"
#include "tests/support/umockdev/UsbDescriptors.h"

namespace korvex::test {

namespace {

// A file that no one may open for writing, root included: the kernel checks
// the mode of sysctl files even for root. A device node pointing there fails
// libusb's open with EACCES, as a node without the udev rule does.
constexpr char kUnwritableFile[] = "/proc/sys/kernel/osrelease";

std::string RootHubDescription() {
    return "P: /devices/usb1\n"
           "N: bus/usb/001/001\n"
           "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/001/001\n"
           "E: BUSNUM=001\nE: DEVNUM=001\n"
           "A: busnum=1\\n\nA: devnum=1\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n\n"
           "H: descriptors=" +
           HexOf(RootHubDescriptors()) + "\n\n";
}

void AddOrDie(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        std::fprintf(stderr, "umockdev: %s\n", error != nullptr ? error->message : "?");
        std::abort();
    }
}

}  // namespace

CRecorderTestbed::CRecorderTestbed() : testbed_(umockdev_testbed_new()) {
    AddOrDie(testbed_, RootHubDescription());
}

CRecorderTestbed::~CRecorderTestbed() {
    // The test bed lets go of the handlers before the recorders go.
    g_object_unref(testbed_);
}

CEmulatedRecorder& CRecorderTestbed::Plug(const EmulatedRecorderSetup& setup) {
    const std::uint32_t port = setup.port != 0 ? setup.port : nextPort_;
    nextPort_ = std::max(nextPort_, port + 1);
    auto recorder = std::make_unique<CEmulatedRecorder>(setup, port);
    // The ioctl handler first, so that an open after the "add" event reaches it.
    if (!umockdev_testbed_attach_ioctl(testbed_, recorder->DevNode().c_str(), recorder->Handler(),
                                       nullptr))
        std::abort();
    AddOrDie(testbed_, recorder->Description());
    if (setup.accessDenied) {
        gchar* root = umockdev_testbed_get_root_dir(testbed_);
        const std::string node = root + recorder->DevNode();
        g_free(root);
        if (unlink(node.c_str()) != 0 || symlink(kUnwritableFile, node.c_str()) != 0) std::abort();
    }
    recorders_.push_back(std::move(recorder));
    plugged_.push_back(recorders_.back().get());
    return *recorders_.back();
}

void CRecorderTestbed::Unplug(CEmulatedRecorder& recorder) {
    if (std::erase(plugged_, &recorder) == 0) return;
    recorder.Vanish();
    const std::string sysfs = recorder.SysfsPath();
    umockdev_testbed_uevent(testbed_, sysfs.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, sysfs.c_str());
}

void CRecorderTestbed::UnplugAll() {
    while (!plugged_.empty()) Unplug(*plugged_.back());
}

EmulatedRecorderSetup DemoRecorderSetup() {
    EmulatedRecorderSetup setup;
    setup.image = pipeusb::DemoRecording();
    return setup;
}

CRecorderTestbed& Testbed() {
    static CRecorderTestbed bed;
    return bed;
}

void RestartUnderUmockdev(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr) return;
    std::vector<char*> args{const_cast<char*>(KORVEX_UMOCKDEV_WRAPPER)};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execv(KORVEX_UMOCKDEV_WRAPPER, args.data());
    std::perror(KORVEX_UMOCKDEV_WRAPPER);
    std::exit(1);
}

bool ChooseUsbBackend(const char* ids) {
    setenv("PIPEUSB_BACKEND", "usb", 1);
    if (ids != nullptr) setenv("PIPEUSB_USB_IDS", ids, 1);
    return true;
}

}  // namespace korvex::test
