// Logport's upload of the demo recording (200,010 records) over the usb back
// end, through libusb, from a recorder emulated at the usbdevfs ioctls: what
// the link's checks (drains, lookouts) cost a healthy upload.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "logport/include/logport.h"
#include "tests/support/umockdev/RecorderTestbed.h"

namespace {

void BM_UsbUploadDemo(benchmark::State& state) {
    korvex::test::Testbed().Plug(korvex::test::DemoRecorderSetup());
    std::uint32_t count = 0;
    for (auto _ : state) {
        if (LGP_OpenDevice(LGP_DEVTYPE, 0, 0) != 1) {
            state.SkipWithError("the emulated recorder does not open");
            break;
        }
        const std::unique_ptr<_VCI_CAN_OBJ[]> frames(LGP_LoadFrame(LGP_DEVTYPE, 0, &count));
        LGP_CloseDevice(LGP_DEVTYPE, 0);
        if (!frames || LGP_GetAllLoadCount() != 0) {
            state.SkipWithError("the upload failed");
            break;
        }
    }
    state.counters["records"] = count;
    korvex::test::Testbed().UnplugAll();
}
BENCHMARK(BM_UsbUploadDemo)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    korvex::test::RestartUnderUmockdev(argc, argv);
    korvex::test::ChooseUsbBackend();
    korvex::test::Testbed();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
