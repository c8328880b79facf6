#include "app/device/rules/ClearRules.h"

#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::device {

std::string ClearQuestionText() {
    XTPDialogTemplate sure;
    if (!XTPResourceManager()->LoadDialogTemplate(kSureTemplate, sure)) return {};
    const std::string* text = sure.ControlCaption(kSureTextControl);
    return text != nullptr ? *text : std::string();
}

DeviceMessage ClearOutcomeMessage(ClearOutcome outcome) {
    const auto warning = [](std::uint32_t id) {
        return DeviceMessage{DeviceText(id), DeviceText(ids::kWarning), xtp_mb::kIconWarning,
                             false};
    };
    switch (outcome) {
        case ClearOutcome::kDone:
            return {DeviceText(ids::kDoneBang), {}, xtp_mb::kOk, true};
        case ClearOutcome::kCannotOpen:
            return warning(ids::kOpenFailed);
        case ClearOutcome::kNotAcknowledged:
            break;
    }
    return warning(ids::kClearFailed);
}

}  // namespace korvex::device
