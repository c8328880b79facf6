#pragma once

#include <string>

#include "app/device/rules/DeviceTexts.h"
#include "app/device/rules/RecorderActions.h"

// Clearing the recorder's frame memory after the confirmation of CDlgSure.
namespace korvex::device {

inline constexpr std::uint32_t kSureTemplate = 141;
inline constexpr int kSureTextControl = 1001;

// The confirmation's question, as template 141 shows it.
std::string ClearQuestionText();

// What the clear command tells the user: warnings with the caption "警告"
// when recorder `devIndex` cannot be opened (with what to do when it is
// refused or held) or does not acknowledge.
DeviceMessage ClearOutcomeMessage(ClearOutcome outcome, std::uint32_t devIndex);

}  // namespace korvex::device
