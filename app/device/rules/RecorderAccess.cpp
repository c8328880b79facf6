#include "app/device/rules/RecorderAccess.h"

#include "pipeusb/include/pipeusb_diag.h"

namespace korvex::device {

std::optional<RecorderProblem> FindRecorderProblem(std::uint32_t devIndex) {
    PipeUsbDevInfo info{};
    if (GetDeviceList() != 1 || PipeUsb_DescribeDev(devIndex, &info) != 1) return std::nullopt;
    if (info.access != PIPEUSB_ACCESS_DENIED && info.access != PIPEUSB_ACCESS_BUSY)
        return std::nullopt;
    return RecorderProblem{info.access, info.bus, info.address};
}

std::string RecorderProblemText(const RecorderProblem& problem) {
    const std::uint32_t id =
        problem.access == PIPEUSB_ACCESS_DENIED ? ids::kNoPermissionHint : ids::kBusyHint;
    return DeviceText(id, {std::to_string(problem.bus), std::to_string(problem.address)});
}

std::string WithRecorderProblem(const std::string& failure, std::uint32_t devIndex) {
    const std::optional<RecorderProblem> problem = FindRecorderProblem(devIndex);
    return problem ? failure + "\n" + RecorderProblemText(*problem) : failure;
}

DeviceMessage DoneOrFailed(bool done, std::uint32_t devIndex) {
    if (done) return {DeviceText(ids::kDone), {}, 0, true};
    return {WithRecorderProblem(DeviceText(ids::kFailed), devIndex), {}, 0, false};
}

}  // namespace korvex::device
