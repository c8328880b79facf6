#include "app/shell/rules/UploadProgress.h"

#include <cstdio>

namespace korvex::shell {

ProgressStep AdvanceUploadProgress(std::uint32_t& tick, bool loading) {
    if (!loading) return {kProgressMaximum, true};
    tick += 1;
    if (tick >= kProgressMaximum - 1) tick = 0;
    return {static_cast<int>(tick), false};
}

std::string UploadCountText(std::uint32_t loaded, std::uint32_t total) {
    char text[48];
    std::snprintf(text, sizeof text, "(%d / %d)", static_cast<int>(loaded),
                  static_cast<int>(total));
    return text;
}

}  // namespace korvex::shell
