#include "app/shell/rules/UploadWorker.h"

#include <chrono>
#include <memory>

#include "app/shell/rules/DeviceGate.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "logport/include/logport.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

struct FrameArrayDeleter {
    void operator()(_VCI_CAN_OBJ* p) const { delete[] p; }
};
using FrameArray = std::unique_ptr<_VCI_CAN_OBJ, FrameArrayDeleter>;

// Closes the recorder (also after a failed open), clears the loading flag and
// restores the cursor, whichever way the worker leaves.
class CUploadSession {
  public:
    CUploadSession(CUploadState& state, IUploadReport& report) : state(state), report(report) {
        report.SetWaitCursor(true);
    }
    ~CUploadSession() {
        LGP_CloseDevice(kDeviceType, kDeviceIndex);
        state.loading.store(0);
        report.SetWaitCursor(false);
    }
    CUploadSession(const CUploadSession&) = delete;
    CUploadSession& operator=(const CUploadSession&) = delete;

  private:
    CUploadState& state;
    IUploadReport& report;
};

}  // namespace

std::string UploadTimeText(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "(Time: %.03f s)", seconds);
    return text;
}

int RunUploadWorker(CKorvexGlobal& global, CUploadState& state, IUploadReport& report,
                    const std::string& frameTotalLabel) {
    const std::unique_lock<std::mutex> gate = CDeviceGate::Enter();
    // The arrays are released before the session closes the recorder.
    CUploadSession session(state, report);
    FrameArray clocks;
    FrameArray frames;

    if (!LGP_OpenDevice(kDeviceType, kDeviceIndex, 0)) {
        state.loading.store(0);
        if (const auto problem = device::FindRecorderProblem(kDeviceIndex))
            report.ShowRecorderProblem(res::kStrOpenDeviceFailed, *problem, xtp_mb::kIconWarning);
        else
            report.ShowMessage(res::kStrOpenDeviceFailed, xtp_mb::kIconWarning);
        return 1;
    }
    std::uint8_t clockCount = 0;
    clocks.reset(LGP_GetOrigTimeList(kDeviceType, kDeviceIndex, &clockCount));
    if (!clocks) {
        state.loading.store(0);
        report.ShowMessage(res::kStrClockListFailed, xtp_mb::kIconWarning);
        return 1;
    }
    report.RebuildClockList(std::vector<_VCI_CAN_OBJ>(clocks.get(), clocks.get() + clockCount));

    std::uint32_t count = 0;
    state.loadStarted.store(true);
    const auto start = std::chrono::steady_clock::now();
    frames.reset(LGP_LoadFrame(kDeviceType, kDeviceIndex, &count));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::string timeText = UploadTimeText(elapsed.count());
    state.loading.store(0);
    if (!frames) {
        report.ShowMessage(res::kStrUploadFailed, xtp_mb::kIconWarning);
        return 1;
    }

    // The total stands when the recorder was pulled out mid-upload: what came
    // is shown, and the upload is reported as failed.
    const bool cutShort = LGP_GetAllLoadCount() != 0;
    const int shown = global.AddUploadFrames(frames.get(), static_cast<int>(count));
    report.ShowStatus(FrameCountText(frameTotalLabel, shown) + " " + timeText);
    state.loading.store(0);
    if (state.cancelled.load())
        report.ShowCancelled(shown);
    else if (cutShort)
        report.ShowMessage(res::kStrUploadFailed, xtp_mb::kIconWarning);
    else
        report.ShowMessage(res::kStrOperationOk, xtp_mb::kIconInformation);
    return 1;
}

}  // namespace korvex::shell
