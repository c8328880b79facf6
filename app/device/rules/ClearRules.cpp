#include "app/device/rules/ClearRules.h"

#include "app/device/rules/RecorderAccess.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::device {

std::string ClearQuestionText() {
    XTPDialogTemplate sure;
    if (!XTPResourceManager()->LoadDialogTemplate(kSureTemplate, sure)) return {};
    const std::string* text = sure.ControlCaption(kSureTextControl);
    return text != nullptr ? *text : std::string();
}

DeviceMessage ClearOutcomeMessage(ClearOutcome outcome, std::uint32_t devIndex) {
    const auto warning = [](std::string text) {
        return DeviceMessage{std::move(text), DeviceText(ids::kWarning), xtp_mb::kIconWarning,
                             false};
    };
    switch (outcome) {
        case ClearOutcome::kDone:
            return {DeviceText(ids::kDoneBang), {}, xtp_mb::kOk, true};
        case ClearOutcome::kCannotOpen:
            return warning(WithRecorderProblem(DeviceText(ids::kOpenFailed), devIndex));
        case ClearOutcome::kNotAcknowledged:
            break;
    }
    return warning(DeviceText(ids::kClearFailed));
}

}  // namespace korvex::device
